#pragma once

#include "pixelmap/OmPixelMapGeometry.h"

#include <QAbstractScrollArea>
#include <QPointF>
#include <QRectF>

#include <cstdint>

class OmPixelMapGLWidget;
class PixelMapUI;
class PmContext;
class PmFixture;
class QOpenGLFunctions_2_1;

// The Pixel Map tab's canvas: every context of the current source laid over
// the source picture, with grids, fixtures, the rubber band and an overview
// map in the top-right corner. An OpenGL widget is the scroll area's
// viewport; document coordinates are the scroll offsets plus viewport
// coordinates, y growing downwards. The scene is compiled into display lists
// and replayed while only the view scrolls. Redraw is pull-based: setters mark
// customNeedsDisplay and the editor's timer asks for the frame. Main thread
// only.
class OmPixelMapView : public QAbstractScrollArea {
public:
    explicit OmPixelMapView(PixelMapUI* editor, QWidget* parent = nullptr);
    ~OmPixelMapView() override;

    // Null until the canvas is first shown: a GL surface in a window switches
    // the whole window to GL composition, which a hidden tab must not force.
    OmPixelMapGLWidget* glWidget() const { return gl_; }
    // Asks for a frame when the canvas has its surface.
    void requestFrame();
    const OmPixelMapGeometry& geometryState() const { return geo_; }

    // Recomputes the layout from the current source and its contexts.
    void updateContext();
    void calculateDrawableRects();
    void zoom(double amount, bool isSlider, bool isAbsolute, bool useMousePt);
    double zoomFactor() const { return geo_.zoomFactor; }
    void contextSizeChanged();

    // The visible part of the document.
    QRectF visibleDocRect() const;
    QPointF focusPt();
    void savePersistentFocusPt(QPointF point);
    QPointF persistentFocusPt() const { return persistentFocusPt_; }
    void selectionChanged();
    QRectF getSelectionBoundingBox() const;

    // The fixture under a document point: the selected context first, then
    // the others from the top of the drawing down; later fixtures lie on top.
    PmFixture* fixtureAtPoint(QPointF docPoint, PmContext** context = nullptr,
                              bool* isMarginal = nullptr) const;

    void setNeedsFullRedraw();
    bool needsFullRedraw() const { return needsFullRedraw_; }
    bool customNeedsDisplay() const { return customNeedsDisplay_; }
    void setCustomNeedsDisplay(bool v) { customNeedsDisplay_ = v; }
    void setRevealObscuredFixtures(bool v);
    QRectF dragSelectionBox() const { return dragSelectionBox_; }
    void setDragSelectionBox(const QRectF& box);
    void setOverlayViewMargin(int margin) { geo_.overlayViewMargin = margin; }
    void resetMouseInfo() { miniMapMouseDown_ = false; }

    // Draws a frame into the current GL context (the viewport's).
    void drawScene(QOpenGLFunctions_2_1& gl, double devicePixelRatio);
    // How many frames rebuilt the display lists, and how many replayed them.
    int rebuildCount() const { return rebuildCount_; }
    int replayCount() const { return replayCount_; }

protected:
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void scrollToShow(const QRectF& rect);
    void focusOnMiniMap();
    void drawGrid(QOpenGLFunctions_2_1& gl, const QRectF& rect, QSizeF cells, QSizeF cellSize,
                  const PmContext* context, const PmContext* selected, bool drawTenths,
                  bool drawOnes);
    void drawFixtures(QOpenGLFunctions_2_1& gl, PmContext& context, const QRectF& rect,
                      bool isSelectedCtx);
    void rebuildLists(QOpenGLFunctions_2_1& gl);

    PixelMapUI* editor_;
    OmPixelMapGLWidget* gl_ = nullptr;
    OmPixelMapGeometry geo_;
    QPointF mouseFocusPt_;
    QPointF persistentFocusPt_;
    bool tempForcePersistentFocusPt_ = false;
    bool revealObscuredFixtures_ = false;
    bool miniMapMouseDown_ = false;
    QPointF miniMapMouseCurrPt_;
    QRectF dragSelectionBox_;
    bool customNeedsDisplay_ = false;
    bool needsFullRedraw_ = true;
    bool updatingContext_ = false;
    QRectF lastVisRect_;
    uint32_t displaylist_ = 0;
    uint32_t bgImgDisplayList_ = 0;
    uint32_t ctxDisplayList_ = 0;
    int rebuildCount_ = 0;
    int replayCount_ = 0;
};
