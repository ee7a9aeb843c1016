#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"
#include "platform/AttributedString.h"

#include <QPainterPath>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>

#include <memory>
#include <optional>

// A progress bar in the HUD look: a track, a filled part for the value or,
// when indeterminate, diagonal stripes that move while animating, and an
// optional title over it. The two drawing steps keep the names of the hooks
// they stand for; the stripes follow the widget's own animation index, which
// a timer advances.
class HUDProgressIndicator : public QWidget, public HUDThemeKeyProtocol {
    Q_OBJECT
public:
    explicit HUDProgressIndicator(QWidget* parent = nullptr);
    ~HUDProgressIndicator() override;

    // "themeKey", default "gradientTheme".
    static std::unique_ptr<HUDProgressIndicator> initWithCoder(const QVariantMap& archive,
                                                               QWidget* parent = nullptr);
    QVariantMap encodeWithCoder() const;

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }
    QString LayerKey() const { return layerKey_; }
    void setLayerKey(const QString& key) { layerKey_ = key; }
    const std::optional<AttributedString>& customTitle() const { return customTitle_; }
    void setCustomTitle(const std::optional<AttributedString>& title);

    // Always graphite.
    int controlTint() const { return 6; }

    // The standard indicator state.
    double doubleValue() const { return value_; }
    void setDoubleValue(double value);
    double minValue() const { return minValue_; }
    void setMinValue(double value);
    double maxValue() const { return maxValue_; }
    void setMaxValue(double value);
    bool isIndeterminate() const { return indeterminate_; }
    void setIndeterminate(bool flag);
    // 0 regular, 1 small, 2 mini, 3 large.
    int controlSize() const { return controlSize_; }
    void setControlSize(int size);
    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return timer_.isActive(); }
    // The stripes' phase; it runs through one stripe period and starts over.
    int animationIndex() const { return animationIndex_; }
    void setAnimationIndex(int index);

    // The bar's rectangle for the bounds and the control size.
    QRectF barRect() const;
    // The stripe pattern of the last background draw.
    const QPainterPath& progressPath() const { return progressPath_; }

    void _drawThemeBackground(QPainter& painter);
    void _drawThemeProgressArea(QPainter& painter);
    void drawRect(QPainter& painter);

    QSize sizeHint() const override { return QSize(160, 20); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void advanceAnimation();

    QPainterPath progressPath_;
    QString themeKey_;
    QString layerKey_;
    std::optional<AttributedString> customTitle_;
    double value_ = 0;
    double minValue_ = 0;
    double maxValue_ = 100;
    bool indeterminate_ = true;
    int controlSize_ = 0;
    int animationIndex_ = 0;
    QTimer timer_;
};
