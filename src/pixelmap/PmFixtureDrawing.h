#pragma once

#include <QRectF>

#include <set>

class PmContext;
class PmFixture;
class QOpenGLFunctions_2_1;

// Draws one fixture's pixels with fixed-function OpenGL into the canvas's
// current model-view matrix, in the context's source pixels: squares and
// discs, dimmed for unselected contexts and background images, with marks for
// selection, pixels outside the rectangle, address cells taken twice and the
// test solo. Main thread, inside the canvas's GL drawing.
class PmFixtureDrawing {
public:
    // `overlaps` collects the integer cells already taken during one draw of
    // one context; `selPix` holds selected pixel indices or is null.
    static void drawInContext(QOpenGLFunctions_2_1& gl, PmFixture& fixture,
                              const PmContext& context, const QRectF& rect, bool isSelectedCtx,
                              const std::set<int>* selPix, std::set<long long>& overlaps);
};
