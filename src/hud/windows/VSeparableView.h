#pragma once

#include "hud/views/HUDView.h"

#include <QImage>
#include <QPointer>

class VSeparableController;

// The root view of a separable panel: a header strip above a container. It
// keeps a minimum size (at least the header plus 40 points high) and draws
// either a plain frame or the inset look, whose background is cached at the
// view's size. y-down. Main thread only.
class VSeparableView : public HUDView {
    Q_OBJECT
public:
    explicit VSeparableView(VSeparableController* controller, QWidget* parent = nullptr);

    VSeparableController* getController() const { return toController_; }
    bool isBorderless() const { return isBorderless_; }
    void setIsBorderless(bool on) { isBorderless_ = on; }
    bool isInsetView() const { return isInsetView_; }
    void setIsInsetView(bool on);
    int32_t insetFooterLineY() const { return insetFooterLineY_; }
    void setInsetFooterLineY(int32_t y) { insetFooterLineY_ = y; }
    int32_t minWidth() const { return minWidth_; }
    void setMinWidth(int32_t width) { minWidth_ = width; }
    int32_t minHeight() const { return minHeight_; }
    void setMinHeight(int32_t height) { minHeight_ = height; }
    bool preservesContentDuringLiveResize() const { return true; }
    bool isOpaque() const { return true; }

    // Height limits only.
    void setFrame(const QRect& frame);
    // Height and width limits.
    void setFrameSize(const QSize& size);
    // The smallest height the limits allow.
    int minimumFrameHeight() const;

    void drawInsetRect(QPainter& painter, const QRect& dirty);
    void drawHeaderUnderline(QPainter& painter);
    void drawInsetFooterLineY(QPainter& painter);
    // Whether the last inset draw rebuilt the cached background.
    bool rebuiltBackground() const { return rebuiltBackground_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<VSeparableController> toController_;
    bool isInsetView_ = false;
    int32_t insetFooterLineY_ = 0;
    bool isBorderless_ = false;
    QImage backgroundImg_;
    bool rebuiltBackground_ = false;
    int32_t minWidth_ = 0;
    int32_t minHeight_ = 0;
};
