#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"

#include <QColor>
#include <QColorDialog>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <memory>

// A colour well on a gradient bezel. A click makes it the active well and
// opens a colour dialog that edits its colour until the dialog closes. With
// useTransparentWell the colour shows at the theme's opacity.
class HUDColorWell : public QWidget, public HUDThemeKeyProtocol {
    Q_OBJECT
public:
    explicit HUDColorWell(QWidget* parent = nullptr);
    ~HUDColorWell() override;

    // "themeKey" (default "gradientTheme") and "useTransparentWell".
    static std::unique_ptr<HUDColorWell> initWithCoder(const QVariantMap& archive,
                                                       QWidget* parent = nullptr);
    QVariantMap encodeWithCoder() const;

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }
    QString LayerKey() const { return layerKey_; }
    void setLayerKey(const QString& key) { layerKey_ = key; }
    bool useTransparentWell() const { return useTransparentWell_; }
    void setUseTransparentWell(bool flag);

    QColor color() const { return color_; }
    void setColor(const QColor& color);
    bool isBordered() const { return bordered_; }
    void setBordered(bool bordered);
    bool isActive() const { return active_; }
    void activate();
    void deactivate();
    // The dialog of an active well, else null.
    QColorDialog* colorDialog() const { return dialog_; }

    void drawRect(QPainter& painter, const QRectF& rect);
    void drawWellInside(QPainter& painter, const QRectF& rect);

    QSize sizeHint() const override { return QSize(44, 23); }

signals:
    void colorChanged(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString themeKey_;
    QString layerKey_;
    bool useTransparentWell_ = false;
    QColor color_{255, 255, 255};
    bool bordered_ = true;
    bool active_ = false;
    QPointer<QColorDialog> dialog_;
};
