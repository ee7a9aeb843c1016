#pragma once

#include "graphics/MultiScreenFBO.h"
#include "imageremap/MultiScreen.h"

#include <QByteArray>
#include <QImage>
#include <QMap>
#include <QOpenGLWidget>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>

class GLStringUnscaled;

// The image-remap preview: renders one configuration of the document with
// the multi-screen engine into an off-screen target the size of the output
// surface, then shows that image zoomed and panned, with a mark on the
// highlighted screen and a status text. Without a texture file the screens
// show a green test grid of the texture size, labelled every 100 pixels with
// our GL text labels.
//
// Coordinates: the view works y-up from its lower-left corner (`origin` is
// where the rendered image's lower-left corner sits); mouse positions are
// turned y-up as they arrive.
//
// Main thread only; GL work happens with the widget's context current.
class openGLview : public QOpenGLWidget {
public:
    explicit openGLview(QWidget* parent = nullptr);
    ~openGLview() override;

    // The preview of the process (the last one made), or null.
    static openGLview* shared();

    void setDictionary(const PlistNode::Ptr& document);
    void incrementDictVersion();
    // Negative: nothing selected (engine state discarded, nothing redrawn).
    void setConfig(int index);
    int config() const { return config_; }
    // Universe number "%05d" -> its 512 bytes.
    void setUniverseData(const QMap<QString, QByteArray>& universes);
    void setHighlight(const PlistNode* screen);
    void setVertex();
    void setMode(int mode);
    void setSize(const QSizeF& size);
    void mayNeedPreloadSize(const QSizeF& size);
    void setTextureSize(const QSizeF& size);
    void setTexturePath(const QString& path);
    void setOrbit(float x, float y);
    // By tag: 0 fit at zoom 1, 1 zoom in, 2 zoom out, 3 zoom 1, 4 fit.
    void setScale(int tag);
    // Marks the GL context for an update before the next drawing; redraws.
    void updateContext();
    const p_desc* getParamDescriptions() const;

    double zoomFactor() const { return zoomFactor_; }
    double realSourceZoomFactor() const { return realSourceZoomFactor_; }
    void setRealSourceZoomFactor(double v);
    void adjustScale(double factor);
    void setView(int how);
    void zoom(double value, bool isSlider, bool isAbsolute, bool useMousePt);
    void boundsCheck();
    QPointF origin() const { return origin_; }
    QSizeF viewSize() const { return viewSize_; }

    // The status line: "Preview Scale ..." after each frame.
    QString statusText() const { return statusText_; }
    void setOnStatus(std::function<void(const QString&)> fn) { onStatus_ = std::move(fn); }
    // The last highlight report.
    const multiscreen_report& report() const { return report_; }
    // Screens' vertices built by the last frame.
    size_t lastVertexCount() const;

protected:
    void initializeGL() override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    static int ui_dygob_callback(void* host, void* data, int operation);
    void discardEngine();
    void rebuildTexture();
    void drawHighlight();
    void redraw();
    QPointF yUp(const QPointF& p) const;

    bool sizeChanged_ = true;
    bool texSizeChanged_ = false;
    bool updated_ = false;
    bool configged_ = false;
    bool fitted_ = false;
    PlistNode::Ptr dict_;
    int mode_ = 0;
    std::unique_ptr<MultiScreenFBO> fbo_;  // the test pattern
    std::unique_ptr<MultiScreenFBO> ctx_;  // what the engine draws into
    QPointF startPt_, origin_;
    QSizeF size_;
    QPointF persistentFocusPt_;
    double zoomFactor_ = 1;
    double realSourceZoomFactor_ = 0;
    QSizeF texsz_;
    float orb_x_ = 0, orb_y_ = 0;
    QString texturePath_;
    QImage texbuf_;
    uint32_t texname_ = 0;
    std::unique_ptr<GLStringUnscaled> label_;
    uint32_t labelTexture_ = 0;
    multi_vars* mMultiScreenVars_ = nullptr;
    int32_t dictVersion_ = 0;

    int config_ = -1;
    QSizeF viewSize_{256, 256};
    QSizeF preloadSize_;
    QMap<QString, QByteArray> universes_;
    const PlistNode* highlight_ = nullptr;
    multiscreen_report report_;
    multiscreen_textureSpec texture_{};
    QString statusText_;
    std::function<void(const QString&)> onStatus_;
};
