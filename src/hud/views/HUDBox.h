#pragma once

#include "graphics/StretchImage.h"
#include "hud/theme/HUDGradient.h"
#include "hud/theme/HUDThemeKeyProtocol.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <memory>

// Where a box shows its title.
enum HUDBoxTitlePosition : int {
    kNoTitle = 0,
    kAboveTop = 1,
    kAtTop = 2,
    kBelowTop = 3,
    kAboveBottom = 4,
    kAtBottom = 5,
    kBelowBottom = 6,
};

// A grouping box in the HUD look. Boxes with the title at the top keep their
// background as an image until they change size. Laid out y-up in origin, so
// the title band of 15 points lies at the top of the widget here.
class HUDBox : public QWidget, public HUDThemeKeyProtocol {
    Q_OBJECT
public:
    explicit HUDBox(QWidget* parent = nullptr);
    ~HUDBox() override;

    // Settings from an archive; keys missing from it keep their defaults,
    // except "shadowColor", which then falls back to the theme's
    // normalSolidFill.
    static std::unique_ptr<HUDBox> initWithCoder(const QVariantMap& archive,
                                                 QWidget* parent = nullptr);
    QVariantMap encodeWithCoder() const;

    // Stored and archived settings; drawing does not consult them.
    bool flipGradient() const { return flipGradient_; }
    void setFlipGradient(bool flag) { flipGradient_ = flag; }
    bool drawTopBorder() const { return drawTopBorder_; }
    void setDrawTopBorder(bool flag) { drawTopBorder_ = flag; }
    bool drawBottomBorder() const { return drawBottomBorder_; }
    void setDrawBottomBorder(bool flag) { drawBottomBorder_ = flag; }
    bool drawLeftBorder() const { return drawLeftBorder_; }
    void setDrawLeftBorder(bool flag) { drawLeftBorder_ = flag; }
    bool drawRightBorder() const { return drawRightBorder_; }
    void setDrawRightBorder(bool flag) { drawRightBorder_ = flag; }
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& color) { borderColor_ = color; }
    bool drawTopShadow() const { return drawTopShadow_; }
    void setDrawTopShadow(bool flag) { drawTopShadow_ = flag; }
    bool drawBottomShadow() const { return drawBottomShadow_; }
    void setDrawBottomShadow(bool flag) { drawBottomShadow_ = flag; }
    bool drawLeftShadow() const { return drawLeftShadow_; }
    void setDrawLeftShadow(bool flag) { drawLeftShadow_ = flag; }
    bool drawRightShadow() const { return drawRightShadow_; }
    void setDrawRightShadow(bool flag) { drawRightShadow_ = flag; }
    QColor shadowColor() const { return shadowColor_; }
    void setShadowColor(const QColor& color) { shadowColor_ = color; }
    HUDGradient customGradient() const { return customGradient_; }
    void setCustomGradient(const HUDGradient& gradient) { customGradient_ = gradient; }
    QColor color1() const { return color1_; }
    void setColor1(const QColor& color) { color1_ = color; }
    QColor color2() const { return color2_; }
    void setColor2(const QColor& color) { color2_ = color; }
    bool useTheme() const { return useTheme_; }
    void setUseTheme(bool flag) { useTheme_ = flag; }

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }

    // The standard box state.
    QString title() const { return title_; }
    void setTitle(const QString& title);
    int titlePosition() const { return titlePosition_; }
    void setTitlePosition(int position);
    QFont titleFont() const { return titleFont_; }
    void setTitleFont(const QFont& font);
    // Left-aligned at the top or bottom edge, one line of the title font high.
    QRectF titleRect() const;

    // A box with its title below the top leaves its corners unpainted.
    bool isOpaque() const { return titlePosition_ != kBelowTop; }
    bool preservesContentDuringLiveResize() const { return true; }
    // The cached background of a box with its title at the top, or null.
    const StretchImage* backgroundImg() const { return backgroundImg_.get(); }

    void drawRect(QPainter& painter, const QRectF& dirtyRect);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor roundedFill() const;
    void drawRoundedBox(QPainter& painter, const QRectF& rect, const QColor& fill) const;

    bool flipGradient_ = false;
    bool drawTopBorder_ = false;
    bool drawBottomBorder_ = false;
    bool drawLeftBorder_ = false;
    bool drawRightBorder_ = false;
    QColor borderColor_;
    bool drawTopShadow_ = false;
    bool drawBottomShadow_ = false;
    bool drawLeftShadow_ = false;
    bool drawRightShadow_ = false;
    QColor shadowColor_;
    HUDGradient customGradient_;
    QColor color1_;
    QColor color2_;
    QString themeKey_;
    bool useTheme_ = true;
    std::unique_ptr<StretchImage> backgroundImg_;

    QString title_;
    int titlePosition_ = kAtTop;
    QFont titleFont_;
};
