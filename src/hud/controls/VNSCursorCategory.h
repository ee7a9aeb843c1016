#pragma once

#include <QCursor>

// The application's own mouse cursors, each made once from its image resource
// on first call and the same object on every later call. Where the resource
// is missing a drawn stand-in of the same hot spot is used. GUI thread only.
const QCursor& scrubCursor();             // "Scrub Cursor.png", (10, 8), at alpha 0.6
const QCursor& canDropCursor();           // "Cursor_DropOK.png", (7, 0)
const QCursor& copyCursor();              // "copyCursor.png", (4, 1)
const QCursor& zoomInCursor();            // "zoomInCursor.png", (4, 1)
const QCursor& zoomOutCursor();           // "zoomOutCursor.png", (4, 1)
const QCursor& noDropCursor();            // "noDropCursor.png", (4, 1)
const QCursor& eastWestResizeCursor();    // "eastWestResizeCursor.png", (4, 1), at alpha 0.2
const QCursor& lockPlayCursor();          // "Play_And_Lock13.png", (4, 1)
const QCursor& klCrosshairCursor();       // "KLR_crosshair.png", (12, 12)
const QCursor& klCrosshairAddCursor();    // "KLR_crosshair_add.png", (12, 12)
const QCursor& northSouthArrowsCursor();  // "northSouthArrowsCursor.png", (7, 7)
