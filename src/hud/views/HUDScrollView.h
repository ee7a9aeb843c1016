#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"
#include "hud/views/VNSViewCategory.h"

#include <QPointer>
#include <QScrollArea>
#include <QString>

class HUDScroller;
class ScrollViewEventDelegate;

// The themed scroll area: HUD scroll bars, its own background, an optional
// one-point frame that lightens while the keyboard focus is inside, and
// clicks and drops handed to an event delegate. Draws y-down.
class HUDScrollView : public QScrollArea,
                      public HUDThemeKeyProtocol,
                      public BackgroundColorProtocol {
    Q_OBJECT
public:
    explicit HUDScrollView(QWidget* parent = nullptr);

    // "<class> <frame>".
    QString description() const;

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }
    QString LayerKey() const { return layerKey_; }
    void setLayerKey(const QString& key) { layerKey_ = key; }

    QColor backgroundColor() const override { return backgroundColor_; }
    void setBackgroundColor(const QColor& color) override;
    void setDrawsBackground(bool draws) override;
    bool drawsBackground() const { return drawsBackground_; }

    bool enableDrawFocusRing() const { return enableDrawFocusRing_; }
    void setEnableDrawFocusRing(bool enable);
    bool focusRingAlwaysDark() const { return focusRingAlwaysDark_; }
    void setFocusRingAlwaysDark(bool dark);
    bool shouldDrawFocusRing() const { return shouldDrawFocusRing_; }

    ScrollViewEventDelegate* eventDelegate() const { return eventDelegate_; }
    // Not owned.
    void setEventDelegate(ScrollViewEventDelegate* delegate) { eventDelegate_ = delegate; }

    // Re-checks whether the keyboard focus is inside; true when that changed
    // and the frame was scheduled for repainting.
    bool needsDisplay();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void drawOwnArea(QPaintEvent* event);

    QString themeKey_;
    QString layerKey_;
    QColor backgroundColor_;
    bool drawsBackground_ = false;
    bool enableDrawFocusRing_ = false;
    bool shouldDrawFocusRing_ = false;
    QPointer<QWidget> lastResp_;
    bool focusRingAlwaysDark_ = false;
    ScrollViewEventDelegate* eventDelegate_ = nullptr;
};
