#pragma once

#include "tabbar/TbTabStyle.h"

#include <QImage>

// The "Metal" tab style: tabs and the bar background in the application's
// HUD theme gradients and greys, with tabs tinted by the bar delegate's
// colour for an item. Everything not answered here falls back to the bar's
// and the cell's defaults. Draws in the bar's y-down coordinates, so
// "bottom tabs" (tab view type 2) put the border along the bottom edge.
// Main thread only.
class TbMetalTabStyle : public TbTabStyle {
public:
    TbMetalTabStyle();

    static QString className() { return QStringLiteral("Metal"); }
    QString name() const override { return className(); }
    QImage addTabButtonImage() const override { return addTabButtonImage_; }
    QImage addTabButtonPressedImage() const override { return addTabButtonPressedImage_; }
    QImage addTabButtonRolloverImage() const override { return addTabButtonRolloverImage_; }

    std::optional<double> leftMarginForTabBarControl(const TbTabBarControl&) const override { return 25; }
    std::optional<double> rightMarginForTabBarControl(const TbTabBarControl&) const override { return 10; }
    std::optional<double> topMarginForTabBarControl(const TbTabBarControl& bar) const override;
    std::optional<double> bottomMarginForTabBarControl(const TbTabBarControl& bar) const override;
    std::optional<QRectF> dragRectForTabCell(const TbTabBarCell& cell, const TbTabBarControl& bar) const override;
    std::optional<QImage> closeButtonImageOfType(int type, const TbTabBarCell&) const override;
    std::optional<AttributedString> attributedObjectCountStringValueForTabCell(
        const TbTabBarCell& cell) const override;
    std::optional<AttributedString> attributedStringValueForTabCell(const TbTabBarCell& cell) const override;
    std::optional<QRectF> drawingRectForBounds(const QRectF& bounds, const TbTabBarCell&) const override;
    bool drawBezelOfTabCell(QPainter& p, TbTabBarCell& cell, const QRectF& frame,
                            TbTabBarControl& bar) const override;
    bool drawBezelOfTabBarControl(QPainter& p, TbTabBarControl& bar, const QRectF& rect) const override;

    bool _shouldDrawHorizontalTopBorderLineInView(const TbTabBarControl& bar) const;

private:
    QImage metalCloseButton_;
    QImage metalCloseButtonDown_;
    QImage metalCloseButtonOver_;
    QImage metalCloseDirtyButton_;
    QImage metalCloseDirtyButtonDown_;
    QImage metalCloseDirtyButtonOver_;
    QImage addTabButtonImage_;
    QImage addTabButtonPressedImage_;
    QImage addTabButtonRolloverImage_;
    TextAttributes objectCountStringAttributes_;
};
