#include "pixelmap/OmPixelMapGLWidget.h"

#include "pixelmap/OmPixelMapView.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>
#include <QSurfaceFormat>

OmPixelMapGLWidget::OmPixelMapGLWidget(OmPixelMapView* view) : view_(view) {
    QSurfaceFormat format;
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setStencilBufferSize(8);
    format.setDepthBufferSize(24);
    format.setAlphaBufferSize(8);
    format.setSwapInterval(1);
    setFormat(format);
    setMouseTracking(true);
}

void OmPixelMapGLWidget::initializeGL() {
    if (!QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context()))
        qWarning("pixel map canvas: no OpenGL 2.1 compatibility functions");
}

void OmPixelMapGLWidget::paintGL() {
    auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context());
    if (!gl) return;
    view_->drawScene(*gl, devicePixelRatioF());
}
