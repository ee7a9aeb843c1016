#pragma once

#include <QImage>
#include <QString>

// The Status tab's own artwork, drawn once on first use and kept for the
// process: the lamps "KLR_Status Green", "KLR_Status Red", "KLR_Status
// Yellow", "KLR_Status Blue", the sync icon "KLR_Sync" and the speed turtle
// "Turtle". Any other name gives a null image. Main thread only.
QImage keloStatusImageNamed(const QString& name);

// The sync icon turned by `degrees` (taken modulo 360), one copy per angle.
QImage rotatedSyncImage(int degrees);
