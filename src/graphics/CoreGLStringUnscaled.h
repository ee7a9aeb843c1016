#pragma once

#include <QImage>
#include <QPointF>
#include <QSizeF>

// One rendered text image of a GLStringUnscaled with its geometry, in the
// image's y-up coordinates.
struct CoreGLStringUnscaled {
    // The text's integral size, or for rotated or mirrored text a square whose
    // side is the text's width plus its height.
    QSizeF size;
    // 8-bit RGBA premultiplied, top row first; null when nothing is rendered.
    QImage cgImageRef;
    // The text rectangle's corners, turned with the text.
    QPointF attrStrVerts[4];
    QPointF midPoint;
    // The text's integral size before rotation.
    QSizeF origSize;
};
