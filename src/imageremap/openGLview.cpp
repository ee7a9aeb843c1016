#include "imageremap/openGLview.h"

#include "foundation/OmLog.h"
#include "graphics/GLStringUnscaled.h"
#include "imageremap/ImageRemapMixes.h"

#include <QCursor>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#ifndef GL_TEXTURE_RECTANGLE
#define GL_TEXTURE_RECTANGLE 0x84F5
#endif
#ifndef GL_CLAMP_TO_BORDER
#define GL_CLAMP_TO_BORDER 0x812D
#endif

namespace {

// The preview of the process, for code that reaches it without a reference.
// Main thread only.
openGLview* gOpenGLview = nullptr;

constexpr double kMinZoom = 0.05;
constexpr double kMaxZoom = 10;

}  // namespace

openGLview::openGLview(QWidget* parent) : QOpenGLWidget(parent) {
    QSurfaceFormat format;
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(16);
    setFormat(format);
    gOpenGLview = this;
    setMouseTracking(false);
}

openGLview::~openGLview() {
    if (gOpenGLview == this) gOpenGLview = nullptr;
    discardEngine();
    if (context()) {
        makeCurrent();
        fbo_.reset();
        ctx_.reset();
        if (auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context())) {
            if (texname_) gl->glDeleteTextures(1, &texname_);
            if (labelTexture_) gl->glDeleteTextures(1, &labelTexture_);
        }
        doneCurrent();
    }
}

openGLview* openGLview::shared() {
    return gOpenGLview;
}

void openGLview::redraw() {
    QOpenGLWidget::update();
}

void openGLview::discardEngine() {
    if (mMultiScreenVars_)
        multiscreen(nullptr, &mMultiScreenVars_, nullptr, nullptr, 0, kMultiScreenFree);
}

void openGLview::setDictionary(const PlistNode::Ptr& document) {
    dict_ = document;
    ++dictVersion_;
    redraw();
}

void openGLview::incrementDictVersion() {
    ++dictVersion_;
    redraw();
}

void openGLview::setConfig(int index) {
    config_ = index;
    if (index < 0) {
        discardEngine();
        configged_ = false;
        return;
    }
    if (!configged_) {
        setView(0);
        configged_ = true;
    }
    redraw();
}

void openGLview::setUniverseData(const QMap<QString, QByteArray>& universes) {
    universes_ = universes;
    redraw();
}

void openGLview::setHighlight(const PlistNode* screen) {
    highlight_ = screen;
    redraw();
}

void openGLview::setVertex() {
    redraw();
}

void openGLview::setMode(int mode) {
    mode_ = mode;
    redraw();
}

void openGLview::setSize(const QSizeF& size) {
    if (size != viewSize_) sizeChanged_ = true;
    viewSize_ = preventLargeTexSizeCrash(size);
    redraw();
}

void openGLview::mayNeedPreloadSize(const QSizeF& size) {
    if (size != viewSize_) preloadSize_ = size;
}

void openGLview::setTextureSize(const QSizeF& size) {
    const QSizeF limited = preventLargeTexSizeCrash(size);
    if (limited != texsz_) texSizeChanged_ = true;
    texsz_ = limited;
}

void openGLview::setTexturePath(const QString& path) {
    discardEngine();
    texturePath_ = path;
    if (path.isEmpty()) {
        texbuf_ = QImage();
        redraw();
        return;
    }
    QImage image(path);
    if (image.isNull()) {
        // The previous picture stays in use.
        OmLogNoFlood(kOmLogWarning, "[ImageRemap] cannot read the texture %s", qPrintable(path));
        return;
    }
    // Row 0 at the bottom, as GL takes it.
    texbuf_ = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied).mirrored();
    redraw();
}

void openGLview::setOrbit(float x, float y) {
    orb_x_ = x;
    orb_y_ = y;
    redraw();
}

void openGLview::setScale(int tag) {
    switch (tag) {
        case 0:
            zoomFactor_ = 1;
            fitted_ = true;
            setView(0);
            break;
        case 1:
            adjustScale(zoomFactor_ * 1.1);
            break;
        case 2:
            adjustScale(zoomFactor_ * 0.9);
            break;
        case 3:
            adjustScale(1.0);
            break;
        case 4:
            setView(0);
            break;
        default:
            break;
    }
}

void openGLview::updateContext() {
    updated_ = true;
    redraw();
}

const p_desc* openGLview::getParamDescriptions() const {
    return static_cast<const p_desc*>(
        multiscreen(nullptr, nullptr, nullptr, nullptr, 0, kMultiScreenParameters));
}

void openGLview::setRealSourceZoomFactor(double v) {
    if (realSourceZoomFactor_ == 0) return;
    zoom(v / realSourceZoomFactor_ * zoomFactor_, false, true, false);
}

void openGLview::adjustScale(double factor) {
    fitted_ = false;
    const double z = std::clamp(factor, kMinZoom, kMaxZoom);
    const QPointF half(size_.width() / 2, size_.height() / 2);
    origin_ = half - (z / zoomFactor_) * (half - origin_);
    zoomFactor_ = z;
    redraw();
}

void openGLview::setView(int how) {
    if (how == 0) {
        QSizeF fitTo = viewSize_;
        if (!preloadSize_.isEmpty()) {
            fitTo = preloadSize_;
            fitted_ = true;
            zoomFactor_ = 1;
        }
        if (fitted_ && fitTo.width() > 0 && fitTo.height() > 0) {
            const QSizeF s(width(), height());
            const double fit =
                std::min((s.width() - 8) / fitTo.width(), (s.height() - 8) / fitTo.height());
            if (zoomFactor_ != 1 && std::abs(zoomFactor_ - fit) > 0.05) {
                zoomFactor_ = 1;
                fitted_ = false;
                origin_ = QPointF(0, 0);
            } else {
                zoomFactor_ = std::clamp(fit, kMinZoom, kMaxZoom);
                origin_ = QPointF(std::max(0.0, s.width() - fitTo.width() * zoomFactor_) / 2,
                                  std::max(0.0, s.height() - fitTo.height() * zoomFactor_) / 2);
            }
        }
    }
    redraw();
}

void openGLview::zoom(double v, bool isSlider, bool isAbsolute, bool useMousePt) {
    double z;
    if (!isAbsolute) {
        double step = v == 0 ? 0.1 : std::min(std::abs(v), 0.1);
        if (std::abs(v) > 20)
            step = 0.5;
        else if (std::abs(v) > 8)
            step = 0.3;
        z = v >= 0 ? zoomFactor_ * (1 + step) : zoomFactor_ * (1 - step);
    } else {
        z = std::min(std::abs(v), kMaxZoom);
    }
    QPointF focus = persistentFocusPt_ * zoomFactor_;
    if (useMousePt) {
        const QPointF mouse = yUp(mapFromGlobal(QCursor::pos()));
        if (rect().contains(mapFromGlobal(QCursor::pos()))) focus = mouse;
    }
    const QPointF content = (focus - origin_) / zoomFactor_;
    z = std::clamp(z, kMinZoom, kMaxZoom);
    fitted_ = false;
    if (useMousePt || isSlider) origin_ = focus - content * z;
    zoomFactor_ = z;
    boundsCheck();
    redraw();
}

void openGLview::boundsCheck() {
    const double w = width(), h = height();
    origin_.setX(
        std::clamp(origin_.x(), std::min(20 - viewSize_.width() * zoomFactor_, w - 20), w - 20));
    origin_.setY(
        std::clamp(origin_.y(), std::min(20 - viewSize_.height() * zoomFactor_, h - 20), h - 20));
}

QPointF openGLview::yUp(const QPointF& p) const {
    return QPointF(p.x(), height() - p.y());
}

void openGLview::mousePressEvent(QMouseEvent* event) {
    startPt_ = yUp(event->position()) - origin_;
}

void openGLview::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    origin_ = yUp(event->position()) - startPt_;
    redraw();
}

void openGLview::wheelEvent(QWheelEvent* event) {
    const QPointF delta = QPointF(event->angleDelta()) / 120.0;
    const double sum = delta.x() + delta.y();
    if (sum == 0) return;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        zoom(sum, false, false, true);
        return;
    }
    if (event->modifiers() & Qt::ShiftModifier)
        origin_.rx() += (sum > 0 ? -1 : 1) * width() / 10.0;
    else
        origin_.ry() += delta.y() * height() / -10.0;
    boundsCheck();
    persistentFocusPt_ = QPointF(width() / 2.0, height() / 2.0) / zoomFactor_;
    redraw();
}

int openGLview::ui_dygob_callback(void* host, void* data, int operation) {
    auto* view = static_cast<openGLview*>(host);
    if (!view) return -1;
    if (operation == 12) {
        auto* u = static_cast<multiscreen_universe*>(data);
        const auto it = view->universes_.constFind(QString::asprintf("%05d", u->number));
        if (it == view->universes_.constEnd() || it->isEmpty()) {
            u->bytes = nullptr;
            u->size = 0;
        } else {
            u->bytes = reinterpret_cast<const uint8_t*>(it->constData());
            u->size = size_t(it->size());
        }
        return 0;
    }
    if (operation == 16) {
        view->report_ = *static_cast<const multiscreen_report*>(data);
        return 0;
    }
    return -1;
}

size_t openGLview::lastVertexCount() const {
    return multiscreenVertices(mMultiScreenVars_).size();
}

void openGLview::initializeGL() {
    if (auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context())) {
        gl->glGenTextures(1, &labelTexture_);
    } else {
        OmLogNoFlood(kOmLogError, "[ImageRemap] the preview has no OpenGL 2.1 context");
    }
}

void openGLview::rebuildTexture() {
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context());
    const int w = int(texsz_.width()), h = int(texsz_.height());
    if (!gl || w <= 0 || h <= 0) return;
    if (!fbo_) fbo_ = std::make_unique<MultiScreenFBO>();
    fbo_->BeginOutput(context(), w, h, 1);
    if (!fbo_->inited()) return;
    gl->glViewport(0, 0, w, h);
    gl->glClearColor(0.9f, 1, 0.9f, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT);
    gl->glMatrixMode(GL_PROJECTION);
    gl->glLoadIdentity();
    gl->glOrtho(0, w, 0, h, -10, 10);
    gl->glMatrixMode(GL_MODELVIEW);
    gl->glLoadIdentity();
    gl->glDisable(GL_TEXTURE_RECTANGLE);
    gl->glDisable(GL_BLEND);
    gl->glLineWidth(1);
    auto lines = [&](float r, float g, float b, int step, int firstX, bool fromTop) {
        gl->glColor4f(r, g, b, 1);
        gl->glBegin(GL_LINES);
        for (int x = firstX; x < w; x += step) {
            gl->glVertex2f(x + 0.5f, 0);
            gl->glVertex2f(x + 0.5f, float(h));
        }
        for (int i = fromTop ? 0 : step; i < h; i += step) {
            const float y = fromTop ? float(h - i) - 0.5f : i + 0.5f;
            gl->glVertex2f(0, y);
            gl->glVertex2f(float(w), y);
        }
        gl->glEnd();
    };
    lines(0.7f, 0.9f, 0.7f, 10, 10, false);
    lines(0.5f, 0.6f, 0.5f, 100, 0, true);
    // The grid's labels are GL text labels rather than a bitmap font. Their
    // images run top to bottom, so they are laid out y-down; each label's
    // lower-left corner sits where a bitmap font's raster position would.
    if (!label_) {
        label_ = std::make_unique<GLStringUnscaled>();
        label_->setFontSize(10);
    }
    gl->glMatrixMode(GL_PROJECTION);
    gl->glLoadIdentity();
    gl->glOrtho(0, w, h, 0, -10, 10);
    gl->glMatrixMode(GL_MODELVIEW);
    const QColor blue = QColor::fromRgbF(0, 0.5f, 1);
    auto text = [&](const QString& s, double x, double yUp) {
        label_->updateWithString(s, QColor(), blue, 0);
        const QSizeF size = label_->currentSize();
        label_->drawGLunscaled(labelTexture_, QRectF(QPointF(x, h - yUp - size.height()), size),
                               nullptr, 0, QPointF(), 1, 1, nullptr);
    };
    for (int r = 0; r < h; r += 100)
        for (int c = 0; c < w; c += 100) {
            text(QStringLiteral("x =%1").arg(c), c + 5, h - r - 14);
            text(QStringLiteral("y =%1").arg(r), c + 5, h - r - 26);
        }
    gl->glDisable(GL_BLEND);
    gl->glDisable(GL_TEXTURE_RECTANGLE);
    context()->functions()->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
}

void openGLview::paintGL() {
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context());
    if (!gl) return;
    updated_ = false;
    if (sizeChanged_) {
        sizeChanged_ = false;
        discardEngine();
    }
    if (!fbo_ || !fbo_->inited() || texSizeChanged_) {
        rebuildTexture();
        texSizeChanged_ = false;
        discardEngine();
    }
    if (!ctx_) ctx_ = std::make_unique<MultiScreenFBO>();
    const qreal dpr = devicePixelRatioF();
    size_ = QSizeF(width(), height());
    const int vw = int(viewSize_.width()), vh = int(viewSize_.height());
    ctx_->BeginOutput(context(), vw, vh, 0);
    if (ctx_->inited()) {
        gl->glViewport(0, 0, vw, vh);
        gl->glClearColor(0.2f, 0.2f, 0.2f, 1);
        gl->glClearDepth(1);
        gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        gl->glMatrixMode(GL_PROJECTION);
        gl->glLoadIdentity();
        gl->glOrtho(0, vw, 0, vh, -10000, 10000);
        gl->glMatrixMode(GL_MODELVIEW);
        gl->glLoadIdentity();
        if (dict_ && config_ >= 0) {
            gl->glEnable(GL_TEXTURE_RECTANGLE);
            if (!texbuf_.isNull()) {
                if (!texname_) {
                    gl->glGenTextures(1, &texname_);
                    gl->glBindTexture(GL_TEXTURE_RECTANGLE, texname_);
                    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
                    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
                    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_S,
                                        GL_CLAMP_TO_BORDER);
                    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_T,
                                        GL_CLAMP_TO_BORDER);
                    const float border[4] = {0, 0, 0, 0};
                    gl->glTexParameterfv(GL_TEXTURE_RECTANGLE, GL_TEXTURE_BORDER_COLOR, border);
                }
                gl->glBindTexture(GL_TEXTURE_RECTANGLE, texname_);
                gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, texbuf_.width());
                gl->glTexImage2D(GL_TEXTURE_RECTANGLE, 0, GL_RGBA, texbuf_.width(),
                                 texbuf_.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                                 texbuf_.constBits());
                gl->glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
                texture_ = {texname_, uint32_t(texbuf_.width()), uint32_t(texbuf_.height()),
                            GL_TEXTURE_RECTANGLE, 0};
            } else {
                if (fbo_) fbo_->getMultiScreenTextureSpec(&texture_);
                gl->glBindTexture(GL_TEXTURE_RECTANGLE, texture_.texture);
            }
            multiscreen_rec rec;
            rec.configuration = config_;
            rec.layerWord = 2;
            rec.textureName = texture_.texture;
            rec.textureWidth = texture_.width;
            rec.textureHeight = texture_.height;
            const QRectF world = ImageRemapMixes::shared().worldRect();
            rec.worldX = world.x();
            rec.worldY = world.y();
            rec.worldWidth = world.width() > 0 ? world.width() : viewSize_.width();
            rec.worldHeight = world.width() > 0 ? world.height() : viewSize_.height();
            rec.documentVersion = dictVersion_;
            rec.document = dict_;
            rec.highlight = highlight_;
            gl->glEnable(GL_BLEND);
            gl->glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
            multiscreen(&rec, &mMultiScreenVars_, this, &ui_dygob_callback, 0, kMultiScreenDraw);
            gl->glDisable(GL_BLEND);
            gl->glBindTexture(GL_TEXTURE_RECTANGLE, 0);
            gl->glDisable(GL_TEXTURE_RECTANGLE);
        }
    }
    context()->functions()->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    gl->glViewport(0, 0, int(size_.width() * dpr), int(size_.height() * dpr));
    gl->glClearColor(0.4f, 0.4f, 0.4f, 1);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (config_ >= 0 && ctx_->inited()) {
        gl->glMatrixMode(GL_PROJECTION);
        gl->glLoadIdentity();
        gl->glOrtho(0, size_.width(), 0, size_.height(), -10000, 10000);
        gl->glMatrixMode(GL_MODELVIEW);
        gl->glLoadIdentity();
        gl->glTranslatef(float(origin_.x()), float(origin_.y()), 0);
        gl->glScalef(float(zoomFactor_), float(zoomFactor_), float(zoomFactor_));
        gl->glDisable(GL_DEPTH_TEST);
        gl->glEnable(GL_TEXTURE_RECTANGLE);
        gl->glBindTexture(GL_TEXTURE_RECTANGLE, ctx_->texture());
        gl->glColor4f(1, 1, 1, 1);
        gl->glBegin(GL_QUADS);
        gl->glTexCoord2f(0, 0);
        gl->glVertex2f(0, 0);
        gl->glTexCoord2f(float(vw), 0);
        gl->glVertex2f(float(vw), 0);
        gl->glTexCoord2f(float(vw), float(vh));
        gl->glVertex2f(float(vw), float(vh));
        gl->glTexCoord2f(0, float(vh));
        gl->glVertex2f(0, float(vh));
        gl->glEnd();
        gl->glBindTexture(GL_TEXTURE_RECTANGLE, 0);
        gl->glDisable(GL_TEXTURE_RECTANGLE);
        if (highlight_) drawHighlight();
    }
    gl->glFlush();
    statusText_ =
        highlight_
            ? QString::asprintf(
                  "Preview Scale %0.2f  |  Screen at (%0.0f,%0.0f)  |  Texture at (%0.0f,%0.0f)",
                  zoomFactor_, report_.x, report_.y, report_.textureX, report_.textureY)
            : QString::asprintf("Preview Scale %0.2f", zoomFactor_);
    if (onStatus_) onStatus_(statusText_);
}

void openGLview::drawHighlight() {
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context());
    const QRectF world = ImageRemapMixes::shared().worldRect();
    const double vw = viewSize_.width(), vh = viewSize_.height();
    const double rx = (world.width() > 0 ? world.width() : vw) / vw;
    const double ry = (world.width() > 0 ? world.height() : vh) / vh;
    const bool perspective = report_.flags & 1;
    auto map = [&](double x, double y) {
        return perspective ? QPointF(x / rx + vw / 2, vh / 2 - y / ry)
                           : QPointF(x / rx, vh - y / ry);
    };
    const QPointF p = map(report_.x, report_.y);
    const double d = 7 / zoomFactor_;
    gl->glEnable(GL_BLEND);
    gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl->glColor4f(0.75f, 0, 0, 0.95f);
    gl->glBegin(GL_QUADS);
    gl->glVertex2d(p.x() - d, p.y());
    gl->glVertex2d(p.x(), p.y() - d);
    gl->glVertex2d(p.x() + d, p.y());
    gl->glVertex2d(p.x(), p.y() + d);
    gl->glEnd();
    if (report_.markX != -99999) {
        const QPointF m = map(report_.markX, report_.markY);
        const double radius = 10 / zoomFactor_;
        gl->glColor4f(1, 1, 1, 1);
        gl->glBegin(GL_LINE_STRIP);
        for (int i = 0; i <= 18; ++i) {
            const double a = i * 6.283185307179586 / 18;
            gl->glVertex2d(m.x() + radius * std::cos(a), m.y() + radius * std::sin(a));
        }
        gl->glEnd();
    }
    gl->glDisable(GL_BLEND);
}
