#include "pixelmap/OmPixelMapView.h"

#include "graphics/ImageGeometry.h"
#include "pixelmap/OmPixelMapGLWidget.h"
#include "pixelmap/PixelMapModel.h"
#include "pixelmap/PixelMapUI.h"
#include "pixelmap/PmContext.h"
#include "pixelmap/PmFixture.h"
#include "pixelmap/PmFixtureDrawing.h"
#include "pixelmap/PmFixtureGeometry.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLFunctions_2_1>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

namespace {

using Rgba = std::array<float, 4>;
constexpr Rgba kSelectionStroke{1.0f, 0.5696498f, 0.0126345f, 1.0f};

void setColour(QOpenGLFunctions_2_1& gl, const Rgba& c) { gl.glColor4f(c[0], c[1], c[2], c[3]); }

Rgba contextColour(int32_t uniqueId) {
    const QColor c = PixelMapUI::colorForContext(uniqueId);
    return {float(c.redF()), float(c.greenF()), float(c.blueF()), float(c.alphaF())};
}

// The colour with its largest component brought to k.
Rgba scaledTo(Rgba c, float k) {
    const float m = std::max({c[0], c[1], c[2]});
    if (m <= 0) return c;
    const float f = k / m;
    return {c[0] * f, c[1] * f, c[2] * f, c[3]};
}

void lineLoop(QOpenGLFunctions_2_1& gl, const QRectF& r) {
    const float l = float(std::trunc(r.left()));
    const float t = float(std::trunc(r.top()));
    const float ri = float(std::trunc(r.right()));
    const float b = float(std::trunc(r.bottom()));
    gl.glBegin(GL_LINE_LOOP);
    gl.glVertex2f(l, b);
    gl.glVertex2f(l, t);
    gl.glVertex2f(ri, t);
    gl.glVertex2f(ri, b);
    gl.glEnd();
}

void fillQuad(QOpenGLFunctions_2_1& gl, const QRectF& r) {
    gl.glBegin(GL_QUADS);
    gl.glVertex2f(float(r.left()), float(r.bottom()));
    gl.glVertex2f(float(r.left()), float(r.top()));
    gl.glVertex2f(float(r.right()), float(r.top()));
    gl.glVertex2f(float(r.right()), float(r.bottom()));
    gl.glEnd();
}

void ortho(QOpenGLFunctions_2_1& gl, const QRectF& r) {
    gl.glOrtho(r.left(), r.right(), r.bottom(), r.top(), -1, 1);
}

}  // namespace

OmPixelMapView::OmPixelMapView(PixelMapUI* editor, QWidget* parent)
    : QAbstractScrollArea(parent), editor_(editor) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

OmPixelMapView::~OmPixelMapView() = default;

bool OmPixelMapView::viewportEvent(QEvent* event) {
    // The GL widget paints and sizes its own framebuffer.
    switch (event->type()) {
    case QEvent::Paint:
    case QEvent::UpdateRequest:
        return false;
    case QEvent::Resize:
        QAbstractScrollArea::viewportEvent(event);
        return false;
    default:
        return QAbstractScrollArea::viewportEvent(event);
    }
}

QRectF OmPixelMapView::visibleDocRect() const {
    return QRectF(horizontalScrollBar()->value(), verticalScrollBar()->value(),
                  viewport()->width(), viewport()->height());
}

void OmPixelMapView::scrollToShow(const QRectF& rect) {
    // Shows as much of `rect` as fits, from its origin.
    horizontalScrollBar()->setValue(int(std::lround(rect.x())));
    verticalScrollBar()->setValue(int(std::lround(rect.y())));
}

void OmPixelMapView::scrollContentsBy(int, int) {
    requestFrame();
}

void OmPixelMapView::requestFrame() {
    if (gl_) gl_->update();
}

void OmPixelMapView::showEvent(QShowEvent* event) {
    if (!gl_) {
        gl_ = new OmPixelMapGLWidget(this);
        setViewport(gl_);
        needsFullRedraw_ = true;
    }
    QAbstractScrollArea::showEvent(event);
    updateContext();
    calculateDrawableRects();
}

void OmPixelMapView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateContext();
    calculateDrawableRects();
}

void OmPixelMapView::updateContext() {
    if (updatingContext_) return;
    updatingContext_ = true;
    PixelMapModel& model = editor_->model();
    PixMapSource* src = model.currentPixMapSource();
    const auto& contexts = model.contextListForCurrentSource();
    QRectF unionRect(0, 0, src ? src->source_width : 0, src ? src->source_height : 0);
    for (PmContext* c : contexts) unionRect = unionRect.united(c->source_rect());
    geo_.metaUnionRect = unionRect;
    geo_.contentSize = viewport()->size();
    geo_.visibleRect = visibleDocRect();
    geo_.update();

    const QRectF full = geo_.fullsizeFrame;
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
    horizontalScrollBar()->setRange(0, std::max(0, int(full.width()) - viewport()->width()));
    verticalScrollBar()->setRange(0, std::max(0, int(full.height()) - viewport()->height()));
    geo_.visibleRect = visibleDocRect();
    geo_.calculateMiniMapRect();

    const double z = geo_.realSourceZoomFactor;
    if (src && (src->zoomedPixelSize.width() != z || src->zoomedPixelSize.height() != z)) {
        src->zoomedPixelSize = QSizeF(z, z);
        needsFullRedraw_ = true;
    }
    for (PmContext* c : contexts) {
        const QSizeF cs(float(c->context_size().width()), float(c->context_size().height()));
        const QRectF sr = c->source_rect();
        const QSizeF base(cs.width() != 0 ? sr.width() / cs.width() : 1,
                          cs.height() != 0 ? sr.height() / cs.height() : 1);
        c->setPixelSizes(base, z);
    }
    customNeedsDisplay_ = true;
    updatingContext_ = false;
}

void OmPixelMapView::calculateDrawableRects() {
    geo_.calculateDrawableRects();
    PixMapSource* src = editor_->model().currentPixMapSource();
    const QSizeF s = src ? src->zoomedPixelSize : QSizeF(1, 1);
    const QRectF meta = geo_.drawableMetaRect;
    for (PmContext* c : editor_->model().contextListForCurrentSource()) {
        const QRectF sr = c->source_rect();
        const QSizeF z = c->zoomedPixelSize();
        c->setDrawableContextRect(QRectF(sr.x() * s.width() + meta.x(), sr.y() * s.height() + meta.y(),
                                         c->context_size().width() * z.width(),
                                         c->context_size().height() * z.height()));
    }
}

QPointF OmPixelMapView::focusPt() {
    const QPointF local = viewport()->mapFromGlobal(QCursor::pos());
    const QRectF vis = visibleDocRect();
    const QPointF doc = local + vis.topLeft();
    if (geo_.miniMapRect.contains(doc)) return persistentFocusPt_ * geo_.zoomFactor;
    if (vis.contains(doc) && !tempForcePersistentFocusPt_) {
        savePersistentFocusPt(doc);
        mouseFocusPt_ = doc;
        return doc;
    }
    return persistentFocusPt_ * geo_.zoomFactor;
}

void OmPixelMapView::savePersistentFocusPt(QPointF point) {
    persistentFocusPt_ = point / geo_.zoomFactor;
}

void OmPixelMapView::zoom(double amount, bool isSlider, bool isAbsolute, bool useMousePt) {
    tempForcePersistentFocusPt_ = !useMousePt;
    const double z = OmPixelMapGeometry::zoomTarget(amount, isAbsolute, geo_.zoomFactor);
    mouseFocusPt_ = focusPt();
    const QRectF vis = visibleDocRect();
    const double old = geo_.zoomFactor;
    geo_.zoomFactor = z;
    const double f0 = geo_.fullsizeFrame.height();
    const double d0 = geo_.drawableSizeWithMargins.height();
    updateContext();
    const QRectF nv = visibleDocRect();
    if (useMousePt || isSlider) {
        const QPointF origin = OmPixelMapGeometry::zoomScrollOrigin(
            mouseFocusPt_, vis, nv.size(), old, z, f0, d0, geo_.fullsizeFrame.height(),
            geo_.drawableSizeWithMargins.height());
        scrollToShow(QRectF(origin, nv.size()));
        geo_.visibleRect = visibleDocRect();
        geo_.calculateMiniMapRect();
    }
    calculateDrawableRects();
    mouseFocusPt_ = focusPt();
    tempForcePersistentFocusPt_ = false;
    needsFullRedraw_ = true;
    customNeedsDisplay_ = true;
}

void OmPixelMapView::contextSizeChanged() {
    // Lays the new sizes out again at the zoom already shown.
    zoom(geo_.zoomFactor, true, true, false);
    savePersistentFocusPt(visibleDocRect().center());
}

void OmPixelMapView::selectionChanged() {
    const QRectF b = getSelectionBoundingBox();
    if (b.width() > 0) savePersistentFocusPt(b.center());
    setNeedsFullRedraw();
}

QRectF OmPixelMapView::getSelectionBoundingBox() const {
    PmContext* sel = editor_->model().selectedContext();
    QRectF box;
    if (!sel) return box;
    for (const auto& f : sel->fixtures()) {
        if (!f->mSelected()) continue;
        const QRectF r = PmFixtureGeometry::getBoundsRect(*f, *sel, sel->drawableContextRect());
        box = box.isNull() ? r : box.united(r);
    }
    return box;
}

PmFixture* OmPixelMapView::fixtureAtPoint(QPointF docPoint, PmContext** context,
                                          bool* isMarginal) const {
    PixelMapModel& model = editor_->model();
    std::vector<PmContext*> order = model.contextListForCurrentSource();
    PmContext* sel = model.selectedContext();
    // Top of the drawing first: the selected context, then the others in
    // reverse drawing order.
    std::reverse(order.begin(), order.end());
    if (revealObscuredFixtures_) std::reverse(order.begin(), order.end());
    if (sel) {
        order.erase(std::remove(order.begin(), order.end(), sel), order.end());
        order.insert(order.begin(), sel);
    }
    for (PmContext* c : order) {
        if (!c->drawableContextRect().contains(docPoint) && c != sel) continue;
        const auto& fixtures = c->fixtures();
        for (auto it = fixtures.rbegin(); it != fixtures.rend(); ++it) {
            if (PmFixtureGeometry::hitTest(**it, docPoint, c, isMarginal)) {
                if (context) *context = c;
                return it->get();
            }
        }
    }
    return nullptr;
}

void OmPixelMapView::setNeedsFullRedraw() {
    needsFullRedraw_ = true;
    customNeedsDisplay_ = true;
}

void OmPixelMapView::setRevealObscuredFixtures(bool v) {
    revealObscuredFixtures_ = v;
    setNeedsFullRedraw();
}

void OmPixelMapView::setDragSelectionBox(const QRectF& box) {
    dragSelectionBox_ = box;
    customNeedsDisplay_ = true;
}

void OmPixelMapView::focusOnMiniMap() {
    mouseFocusPt_ = miniMapMouseCurrPt_ * 5 * geo_.zoomFactor;
    savePersistentFocusPt(mouseFocusPt_);
    const QSizeF v = viewport()->size();
    scrollToShow(QRectF(mouseFocusPt_ - QPointF(v.width() / 2, v.height() / 2), v));
}

void OmPixelMapView::mousePressEvent(QMouseEvent* event) {
    resetMouseInfo();
    const QPointF doc = event->position() + visibleDocRect().topLeft();
    calculateDrawableRects();
    if (geo_.miniMapRect.contains(doc)) {
        miniMapMouseDown_ = true;
        viewport()->setCursor(Qt::ClosedHandCursor);
        miniMapMouseCurrPt_ = doc - geo_.miniMapRect.topLeft();
        focusOnMiniMap();
        return;
    }
    editor_->handleMainMapMouseDown(doc, event);
}

void OmPixelMapView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF doc = event->position() + visibleDocRect().topLeft();
    if (miniMapMouseDown_ && geo_.miniMapRect.contains(doc)) {
        miniMapMouseCurrPt_ = doc - geo_.miniMapRect.topLeft();
        focusOnMiniMap();
        return;
    }
    if (geo_.miniMapRect.contains(doc))
        viewport()->setCursor(miniMapMouseDown_ ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
    else if (geo_.drawableMetaRect.contains(doc))
        viewport()->setCursor(Qt::CrossCursor);
    else
        viewport()->setCursor(Qt::ArrowCursor);
}

void OmPixelMapView::mouseReleaseEvent(QMouseEvent* event) {
    resetMouseInfo();
    mouseMoveEvent(event);
}

void OmPixelMapView::wheelEvent(QWheelEvent* event) {
    const bool precise = !event->pixelDelta().isNull();
    const QPointF delta = precise ? QPointF(event->pixelDelta()) / 10.0
                                  : QPointF(event->angleDelta()) / 120.0;
    const double sum = delta.x() + delta.y();
    if (sum == 0) return;
    const QPointF doc = event->position() + visibleDocRect().topLeft();
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (geo_.miniMapRect.contains(doc) || (mods & (Qt::AltModifier | Qt::ControlModifier))) {
        zoom(sum, false, false, true);
        return;
    }
    QRectF vis = visibleDocRect();
    if (event->phase() != Qt::ScrollMomentum) {
        const double step = vis.width() / 10;
        const double v = sum > 0 ? -step : step;
        if (!precise) {
            if (mods & Qt::ShiftModifier)
                vis.translate(v, 0);
            else
                vis.translate(0, v);
        } else if (mods & Qt::ShiftModifier) {
            vis.translate(v, 0);
        } else {
            vis.translate(delta.x() * vis.width() / -80, delta.y() * vis.height() / -80);
        }
    }
    scrollToShow(vis);
    savePersistentFocusPt(visibleDocRect().center());
}

void OmPixelMapView::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Enter || key == Qt::Key_Return || key == Qt::Key_Escape) {
        if (editor_->fixtureMode() != 1) {
            editor_->setFixtureMode(1);
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void OmPixelMapView::drawGrid(QOpenGLFunctions_2_1& gl, const QRectF& rect, QSizeF cells,
                              QSizeF cellSize, const PmContext* context, const PmContext* selected,
                              bool drawTenths, bool drawOnes) {
    const bool isSel = context && context == selected;
    const bool lines = !context || isSel;
    const int W = int(rect.width());
    const int H = int(rect.height());
    const int cols = int(cells.width());
    const int rows = int(cells.height());
    Rgba base{};
    if (!context) {
        gl.glColor4f(0.25f, 0.25f, 0.25f, 1);
        fillQuad(gl, rect);
    } else {
        base = contextColour(context->unique_id());
        gl.glEnable(GL_BLEND);
        gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        float alpha = 0.35f;
        if (isSel) {
            const QSizeF z = context->zoomedPixelSize();
            PixMapSource* src = editor_->model().currentPixMapSource();
            const bool fine = z.width() > 40 && z.height() > 40 && src &&
                              src->zoomedPixelSize.width() > 4.0;
            alpha = fine ? 0.82f : 0.94f;
        }
        gl.glColor4f(base[0], base[1], base[2], alpha);
        if (!context->hasBgImage()) fillQuad(gl, rect);
    }
    auto walk = [&](int every) {
        float x = float(rect.x());
        for (int k = 0; k <= cols; ++k, x += float(cellSize.width())) {
            if (k % every) continue;
            gl.glBegin(GL_LINES);
            gl.glVertex2f(x, float(rect.y()));
            gl.glVertex2f(x, float(rect.y() + H));
            gl.glEnd();
        }
        float y = float(rect.y());
        for (int k = 0; k <= rows; ++k, y += float(cellSize.height())) {
            if (k % every) continue;
            gl.glBegin(GL_LINES);
            gl.glVertex2f(float(rect.x()), y);
            gl.glVertex2f(float(rect.x() + W), y);
            gl.glEnd();
        }
    };
    if (lines && drawOnes) {
        if (context) setColour(gl, scaledTo(base, 0.1f));
        else gl.glColor4f(0, 0, 0, 1);
        walk(1);
    }
    if (lines && drawTenths) {
        if (context) setColour(gl, scaledTo(base, 0.5f));
        else gl.glColor4f(0.35f, 0.35f, 0.35f, 1);
        walk(10);
    }
    if (!context) gl.glColor4f(0.5f, 0.5f, 0.5f, 1);
    else setColour(gl, scaledTo(base, isSel ? 0.6f : 0.4f));
    if (lines) walk(100);
    lineLoop(gl, rect);
}

void OmPixelMapView::drawFixtures(QOpenGLFunctions_2_1& gl, PmContext& context, const QRectF& rect,
                                  bool isSelectedCtx) {
    std::set<long long> overlaps;
    gl.glColor4f(0, 1, 1, 1);
    std::vector<PmFixture*> selected;
    for (const auto& f : context.fixtures()) {
        if (f->mSelected()) {
            selected.push_back(f.get());
            continue;
        }
        PmFixtureDrawing::drawInContext(gl, *f, context, rect, isSelectedCtx, nullptr, overlaps);
    }
    for (PmFixture* f : selected)
        PmFixtureDrawing::drawInContext(gl, *f, context, rect, isSelectedCtx, nullptr, overlaps);
}

void OmPixelMapView::rebuildLists(QOpenGLFunctions_2_1& gl) {
    ++rebuildCount_;
    needsFullRedraw_ = false;
    if (!displaylist_) displaylist_ = gl.glGenLists(1);
    if (!bgImgDisplayList_) bgImgDisplayList_ = gl.glGenLists(1);
    if (!ctxDisplayList_) ctxDisplayList_ = gl.glGenLists(1);
    PixelMapModel& model = editor_->model();
    PixMapSource* src = model.currentPixMapSource();
    PmContext* sel = model.selectedContext();
    std::vector<PmContext*> ctxs = model.contextListForCurrentSource();

    gl.glNewList(displaylist_, GL_COMPILE_AND_EXECUTE);
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glLoadIdentity();
    gl.glDisable(GL_LIGHTING);
    gl.glDisable(GL_DEPTH_TEST);
    if (src) {
        const double zw = src->zoomedPixelSize.width();
        drawGrid(gl, QRectF(0, 0, src->source_width, src->source_height),
                 QSizeF(src->source_width, src->source_height), QSizeF(1, 1), nullptr, sel, zw > 0.3,
                 zw > 3.0);
    }
    gl.glEndList();

    if (sel) {
        auto it = std::find(ctxs.begin(), ctxs.end(), sel);
        if (it != ctxs.end()) {
            ctxs.erase(it);
            ctxs.push_back(sel);
        }
    }
    if (revealObscuredFixtures_) std::reverse(ctxs.begin(), ctxs.end());

    // Background images are drawn by their own code once they have a
    // texture; the list stays so that the order of layers is fixed.
    gl.glNewList(bgImgDisplayList_, GL_COMPILE_AND_EXECUTE);
    gl.glDisable(GL_LIGHTING);
    gl.glDisable(GL_DEPTH_TEST);
    gl.glEndList();

    gl.glNewList(ctxDisplayList_, GL_COMPILE_AND_EXECUTE);
    for (PmContext* c : ctxs) {
        const double zw = c->zoomedPixelSize().width();
        drawGrid(gl, c->source_rect(), c->context_size(), c->basePixelSize(), c, sel, zw > 0.3,
                 zw > 3.0);
        drawFixtures(gl, *c, c->source_rect(), c == sel);
    }
    gl.glEndList();
}

void OmPixelMapView::drawScene(QOpenGLFunctions_2_1& gl, double dpr) {
    customNeedsDisplay_ = false;
    gl.glClearColor(0.15f, 0.15f, 0.15f, 1);
    gl.glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const QRectF vis = visibleDocRect();
    calculateDrawableRects();
    const QRectF a = vis;
    const bool same = a == lastVisRect_;
    lastVisRect_ = a;
    const QRectF meta = geo_.drawableMetaRect;
    const QRectF uni = geo_.metaUnionRect;
    const bool drawable = uni.width() > 0 && uni.height() > 0 && meta.width() > 0 &&
                          meta.height() > 0 && vis.width() > 0 && vis.height() > 0;

    auto sceneProjection = [&] {
        gl.glTranslatef(float(meta.x()), float(meta.y()), 0);
        gl.glScalef(float(meta.width() / uni.width()), float(meta.height() / uni.height()), 1);
    };
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glLoadIdentity();
    gl.glMatrixMode(GL_PROJECTION);
    gl.glLoadIdentity();
    gl.glViewport(0, 0, int(vis.width() * dpr), int(vis.height() * dpr));
    if (drawable) {
        ortho(gl, a);
        sceneProjection();
        gl.glDisable(GL_LIGHTING);
        gl.glDisable(GL_DEPTH_TEST);
        if (!displaylist_ || needsFullRedraw_ || same) {
            rebuildLists(gl);
        } else {
            ++replayCount_;
            gl.glCallList(displaylist_);
            gl.glCallList(bgImgDisplayList_);
            gl.glCallList(ctxDisplayList_);
        }
    }

    gl.glMatrixMode(GL_MODELVIEW);
    gl.glLoadIdentity();
    gl.glMatrixMode(GL_PROJECTION);
    gl.glLoadIdentity();
    ortho(gl, a);
    if (editor_->fixtureMode() != 1) {
        gl.glColor4f(0, 1, 0, 1);
        lineLoop(gl, a.adjusted(1, 1, -1, -1));
    }
    if (dragSelectionBox_.width() != 0) {
        setColour(gl, kSelectionStroke);
        lineLoop(gl, dragSelectionBox_);
    }

    const int mw = geo_.miniWidth;
    const int mh = geo_.miniHeight;
    if (drawable && displaylist_ && mw > 0 && mh > 0) {
        const QPoint o(int(vis.width() - mw - 2), int(vis.height() - mh - 2));
        auto viewportTo = [&](const QRectF& r) {
            gl.glViewport(int(r.x() * dpr), int(r.y() * dpr), int(r.width() * dpr),
                          int(r.height() * dpr));
        };
        const QRectF adj = geo_.adjBounds;
        const QRectF b = adj.adjusted(-0.025 * adj.width(), -0.025 * adj.height(),
                                      0.025 * adj.width(), 0.025 * adj.height());
        gl.glMatrixMode(GL_MODELVIEW);
        gl.glLoadIdentity();
        gl.glMatrixMode(GL_PROJECTION);
        gl.glLoadIdentity();
        viewportTo(QRectF(o.x(), o.y(), mw, mh));
        ortho(gl, b);
        gl.glColor4f(0.1f, 0.1f, 0.1f, 1);
        fillQuad(gl, b);

        QSizeF s = b.size();
        if (vis.width() > meta.width())
            s *= meta.width() / vis.width();
        else if (vis.height() > meta.height())
            s *= meta.height() / vis.height();
        const QRectF r = getCenteredRectNoScaling(b, s.width(), s.height());
        const QRectF r2f = getCenteredRectFloat(QRectF(o.x(), o.y(), mw, mh), r.width(), r.height());
        const QRectF r2(int(r2f.x()), int(r2f.y()), int(r2f.width()), int(r2f.height()));
        gl.glLoadIdentity();
        viewportTo(r2);
        ortho(gl, b);
        gl.glColor4f(0, 0, 0, 1);
        fillQuad(gl, adj);
        sceneProjection();
        gl.glCallList(displaylist_);
        gl.glCallList(bgImgDisplayList_);
        gl.glCallList(ctxDisplayList_);

        gl.glMatrixMode(GL_MODELVIEW);
        gl.glLoadIdentity();
        gl.glMatrixMode(GL_PROJECTION);
        gl.glLoadIdentity();
        ortho(gl, adj);
        gl.glColor4f(1, 1, 1, 1);
        lineLoop(gl, adj.adjusted(1, 1, -1, -1));
        setColour(gl, kSelectionStroke);
        QRectF box(vis.x(), std::max(adj.y(), vis.y()), vis.width(), vis.height());
        if (vis.y() < adj.y()) box.setHeight(vis.height() - (adj.y() - vis.y()));
        lineLoop(gl, box.adjusted(1, 1, -1, -1));
    }
    gl.glFlush();
}
