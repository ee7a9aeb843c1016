#pragma once

#include "platform/AttributedString.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QPainter;
class TbTabBarCell;
class TbTabBarControl;

// How a tab bar and its cells are measured and drawn. The first four
// operations are required; for every other one a style that does not
// implement it answers an empty optional (or false for a drawing step), and
// the bar or cell uses its own default of the same name with a leading
// underscore. Styles draw in the bar's y-down coordinates. Main thread only.
class TbTabStyle {
public:
    virtual ~TbTabStyle() = default;

    virtual QString name() const = 0;
    virtual QImage addTabButtonImage() const = 0;
    virtual QImage addTabButtonPressedImage() const = 0;
    virtual QImage addTabButtonRolloverImage() const = 0;

    virtual std::optional<double> leftMarginForTabBarControl(const TbTabBarControl&) const { return {}; }
    virtual std::optional<double> rightMarginForTabBarControl(const TbTabBarControl&) const { return {}; }
    virtual std::optional<double> topMarginForTabBarControl(const TbTabBarControl&) const { return {}; }
    virtual std::optional<double> bottomMarginForTabBarControl(const TbTabBarControl&) const { return {}; }
    virtual std::optional<QSizeF> addTabButtonSizeForTabBarControl(const TbTabBarControl&) const { return {}; }
    virtual std::optional<QRectF> addTabButtonRectForTabBarControl(const TbTabBarControl&) const { return {}; }
    virtual std::optional<QSizeF> overflowButtonSizeForTabBarControl(const TbTabBarControl&) const { return {}; }
    virtual std::optional<QRectF> overflowButtonRectForTabBarControl(const TbTabBarControl&) const { return {}; }

    virtual std::optional<AttributedString> attributedObjectCountStringValueForTabCell(
        const TbTabBarCell&) const {
        return {};
    }
    virtual std::optional<AttributedString> attributedStringValueForTabCell(const TbTabBarCell&) const {
        return {};
    }
    virtual std::optional<double> minimumWidthOfTabCell(const TbTabBarCell&) const { return {}; }
    virtual std::optional<double> desiredWidthOfTabCell(const TbTabBarCell&) const { return {}; }
    // A null image inside the optional is the style's "no image".
    virtual std::optional<QImage> closeButtonImageOfType(int, const TbTabBarCell&) const { return {}; }
    virtual std::optional<double> heightOfTabCellsForTabBarControl(const TbTabBarControl&) const {
        return {};
    }

    virtual std::optional<QRectF> drawingRectForBounds(const QRectF&, const TbTabBarCell&) const { return {}; }
    virtual std::optional<QRectF> titleRectForBounds(const QRectF&, const TbTabBarCell&) const { return {}; }
    virtual std::optional<QRectF> iconRectForBounds(const QRectF&, const TbTabBarCell&) const { return {}; }
    virtual std::optional<QRectF> largeImageRectForBounds(const QRectF&, const TbTabBarCell&) const {
        return {};
    }
    virtual std::optional<QRectF> indicatorRectForBounds(const QRectF&, const TbTabBarCell&) const {
        return {};
    }
    virtual std::optional<QSizeF> objectCounterSizeOfTabCell(const TbTabBarCell&) const { return {}; }
    virtual std::optional<QRectF> objectCounterRectForBounds(const QRectF&, const TbTabBarCell&) const {
        return {};
    }
    virtual std::optional<QRectF> closeButtonRectForBounds(const QRectF&, const TbTabBarCell&) const {
        return {};
    }

    // Drawing steps answer true when they drew.
    virtual bool drawTabBarControl(QPainter&, TbTabBarControl&, const QRectF&) const { return false; }
    virtual bool drawBezelOfTabBarControl(QPainter&, TbTabBarControl&, const QRectF&) const { return false; }
    virtual bool drawInteriorOfTabBarControl(QPainter&, TbTabBarControl&, const QRectF&) const {
        return false;
    }
    virtual bool drawTabBarCell(QPainter&, TbTabBarCell&, const QRectF&, TbTabBarControl&) const {
        return false;
    }
    virtual bool drawBezelOfTabCell(QPainter&, TbTabBarCell&, const QRectF&, TbTabBarControl&) const {
        return false;
    }
    virtual bool drawInteriorOfTabCell(QPainter&, TbTabBarCell&, const QRectF&, TbTabBarControl&) const {
        return false;
    }
    virtual bool drawTitleOfTabCell(QPainter&, TbTabBarCell&, const QRectF&, TbTabBarControl&) const {
        return false;
    }
    virtual bool drawIconOfTabCell(QPainter&, TbTabBarCell&, const QRectF&, TbTabBarControl&) const {
        return false;
    }
    virtual bool drawLargeImageOfTabCell(QPainter&, TbTabBarCell&, const QRectF&, TbTabBarControl&) const {
        return false;
    }
    virtual bool drawIndicatorOfTabCell(QPainter&, TbTabBarCell&, const QRectF&, TbTabBarControl&) const {
        return false;
    }
    virtual bool drawObjectCounterOfTabCell(QPainter&, TbTabBarCell&, const QRectF&,
                                            TbTabBarControl&) const {
        return false;
    }
    virtual bool drawCloseButtonOfTabCell(QPainter&, TbTabBarCell&, const QRectF&, TbTabBarControl&) const {
        return false;
    }
    virtual std::optional<QRectF> dragRectForTabCell(const TbTabBarCell&, const TbTabBarControl&) const {
        return {};
    }
};

// What the style registry keeps per name: a maker of new instances.
using TbTabStyleFactory = std::function<std::unique_ptr<TbTabStyle>()>;
