#pragma once

#include <QOpenGLWidget>

class OmPixelMapView;

// The canvas's viewport: a compatibility-profile OpenGL 2.1 surface whose
// frames the canvas draws with fixed-function calls and display lists.
class OmPixelMapGLWidget : public QOpenGLWidget {
public:
    explicit OmPixelMapGLWidget(OmPixelMapView* view);

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    OmPixelMapView* view_;
};
