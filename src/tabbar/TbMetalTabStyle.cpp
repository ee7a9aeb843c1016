#include "tabbar/TbMetalTabStyle.h"

#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "hud/theme/VNSColorCategory.h"
#include "tabbar/TbTabBarBundle.h"
#include "tabbar/TbTabBarCell.h"
#include "tabbar/TbTabBarControl.h"
#include "tabbar/TbTabBarControlDelegate.h"
#include "tabbar/TbTabView.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

QFont controlFont() {
    QFont font = QApplication::font();
    font.setPixelSize(13);
    return font;
}

bool bottomTabs(const TbTabBarControl& bar) {
    return bar.tabView() && bar.tabView()->tabViewType() == TbBottomTabsBezelBorder;
}

}  // namespace

TbMetalTabStyle::TbMetalTabStyle()
    : metalCloseButton_(TbTabBarBundle::imageNamed("TabClose_Front")),
      metalCloseButtonDown_(TbTabBarBundle::imageNamed("TabClose_Front_Pressed")),
      metalCloseButtonOver_(TbTabBarBundle::imageNamed("TabClose_Front_Rollover")),
      metalCloseDirtyButton_(TbTabBarBundle::imageNamed("TabClose_Dirty")),
      metalCloseDirtyButtonDown_(TbTabBarBundle::imageNamed("TabClose_Dirty_Pressed")),
      metalCloseDirtyButtonOver_(TbTabBarBundle::imageNamed("TabClose_Dirty_Rollover")),
      addTabButtonImage_(TbTabBarBundle::imageNamed("TabNewMetal")),
      addTabButtonPressedImage_(TbTabBarBundle::imageNamed("TabNewMetalPressed")),
      addTabButtonRolloverImage_(TbTabBarBundle::imageNamed("TabNewMetalRollover")) {
    objectCountStringAttributes_.font = controlFont();
    objectCountStringAttributes_.foreground = defaultTextColor();
}

std::optional<double> TbMetalTabStyle::topMarginForTabBarControl(const TbTabBarControl& bar) const {
    return bottomTabs(bar) ? 0 : 10;
}

std::optional<double> TbMetalTabStyle::bottomMarginForTabBarControl(const TbTabBarControl& bar) const {
    return bottomTabs(bar) ? 10 : 0;
}

std::optional<QRectF> TbMetalTabStyle::dragRectForTabCell(const TbTabBarCell& cell,
                                                          const TbTabBarControl& bar) const {
    QRectF r = cell.frame();
    r.setWidth(r.width() + 1);
    if (cell.tabState() & TbTabStateSelected) {
        if (bar.orientation() == 1)
            r = QRectF(r.x() + 2, r.y() - 1, r.width() - 3, r.height() + 1);
        else
            r.setHeight(r.height() - 2);
    } else if (bar.orientation() == 1) {
        r.moveLeft(r.x() - 1);
    }
    return r;
}

std::optional<QImage> TbMetalTabStyle::closeButtonImageOfType(int type, const TbTabBarCell&) const {
    switch (type) {
        case TbCloseButtonNormal: return metalCloseButton_;
        case TbCloseButtonRollover: return metalCloseButtonOver_;
        case TbCloseButtonPressed: return metalCloseButtonDown_;
        case TbCloseButtonDirtyNormal: return metalCloseDirtyButton_;
        case TbCloseButtonDirtyRollover: return metalCloseDirtyButtonOver_;
        case TbCloseButtonDirtyPressed: return metalCloseDirtyButtonDown_;
        default: return QImage();
    }
}

std::optional<AttributedString> TbMetalTabStyle::attributedObjectCountStringValueForTabCell(
    const TbTabBarCell& cell) const {
    return AttributedString(QString::number(quint64(cell.count())), objectCountStringAttributes_);
}

std::optional<AttributedString> TbMetalTabStyle::attributedStringValueForTabCell(
    const TbTabBarCell& cell) const {
    TextAttributes attributes;
    attributes.font = controlFont();
    attributes.foreground = defaultTextColor();
    attributes.lineBreakMode = LineBreakMode::TruncateTail;
    return AttributedString(cell.title(), attributes);
}

bool TbMetalTabStyle::_shouldDrawHorizontalTopBorderLineInView(const TbTabBarControl& bar) const {
    return !bottomTabs(bar);
}

std::optional<QRectF> TbMetalTabStyle::drawingRectForBounds(const QRectF& bounds, const TbTabBarCell&) const {
    QRectF r = bounds.adjusted(6, 3, -6, -3);
    r.setHeight(r.height() - 1);
    return r;
}

bool TbMetalTabStyle::drawBezelOfTabCell(QPainter& p, TbTabBarCell& cell, const QRectF&,
                                         TbTabBarControl& bar) const {
    const QRectF f = cell.frame();
    const bool bottom = bottomTabs(bar);
    const bool vertical = bar.orientation() == 1;
    HUDThemeKelo* theme = HUDThemeKelo::instance();
    const QColor line = darkStrokeColor();
    QPainterPath path;
    QColor tint;
    if (bar.delegate()) tint = bar.delegate()->tabViewColorForItem(bar.tabView(), cell.representedObject());

    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    if (cell.state() == 1) {
        if (vertical) {
            p.fillRect(QRectF(f.x() + 3, f.y(), f.width() - 2, f.height() - 1), theme->normalSolidFill());
            path.moveTo(f.x() + f.width(), f.y());
            path.lineTo(f.x() + 4, f.y());
            path.lineTo(f.x() + 2.5, f.y() + 2);
            path.lineTo(f.x() + 2.5, f.y() + f.height() - 3);
            path.lineTo(f.x() + 5, f.y() + f.height());
            path.lineTo(f.x() + f.width(), f.y() + f.height());
            theme->controlGradient().drawInBezierPath(p, path, 90);
        } else {
            const double y0 = bottom ? f.y() - 0.5 : f.y() + 0.5;
            path.moveTo(f.x() + f.width(), y0);
            path.lineTo(f.x() + f.width(), y0 + f.height());
            path.lineTo(f.x(), y0 + f.height());
            path.lineTo(f.x(), y0);
            path.closeSubpath();
            theme->pushedGradient().drawInBezierPath(p, path, 90);
        }
        if (tint.isValid()) {
            QColor fill = tint;
            fill.setAlphaF(0.5f);
            p.fillPath(path, fill);
            QColor frameColour = QColor::fromHsvF(tint.hsvHueF(), 0.7f, 1.0f, 1.0f);
            QRectF r = path.boundingRect().adjusted(1, -1, -1, 1);
            r.setHeight(r.height() - 1);
            p.setPen(QPen(frameColour, 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
        }
    } else {
        const QRectF a(f.x() + 1.5, bottom ? f.y() - 0.5 : f.y() + 0.5, f.width() - 1, f.height());
        if (cell.isHighlighted()) {
            p.save();
            p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            p.fillRect(a, QColor(0, 0, 0, 26));
            p.restore();
        }
        if (vertical) {
            if (!(cell.tabState() & TbTabStatePreviousSelected)) {
                path.moveTo(a.x(), a.y());
                path.lineTo(a.x() + a.width(), a.y());
            }
            if (!(cell.tabState() & TbTabStateNextSelected)) {
                path.moveTo(a.x(), a.y() + a.height());
                path.lineTo(a.x() + a.width(), a.y() + a.height());
            }
        } else {
            path.addRect(QRectF(a.x() - 1, a.y(), a.width() + 1, a.height()));
        }
        if (tint.isValid()) {
            QColor fill = tint;
            fill.setAlphaF(0.9f);
            p.fillPath(path, fill);
        }
    }
    p.setPen(QPen(line, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.restore();
    return true;
}

bool TbMetalTabStyle::drawBezelOfTabBarControl(QPainter& p, TbTabBarControl& bar, const QRectF&) const {
    const QRectF r = bar.rect();
    if (bar.orientation() == 1 && r.width() < 2) return true;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor line = darkStrokeColor();
    p.setPen(QPen(line, 1));
    if (bar.orientation() == 1) {
        p.drawLine(QPointF(r.x(), r.y() + 0.5), QPointF(r.x(), r.y() + r.height() + 0.5));
        p.drawLine(QPointF(r.x() + r.width(), r.y() + 0.5), QPointF(r.x() + r.width(), r.y() + r.height() + 0.5));
    } else {
        const double left = *leftMarginForTabBarControl(bar);
        const bool bottom = bottomTabs(bar);
        QRectF b(r.x() + left, bottom ? r.y() - 1.5 : r.y() + 0.5, r.x() + r.width() - left - 5,
                 r.height() + 1);
        // Where every tab fits, the strip ends with the last tab (or the
        // add-tab button after it): drawn on to the bar's end, the space
        // left over read as one more, empty, tab.
        if (bar.overflowButtonRect().isNull()) {
            double end = 0;
            if (const auto last = bar.lastVisibleTab()) end = last->frame().right();
            if (const QRectF add = bar.addTabButtonRect(); !add.isNull())
                end = std::max(end, add.right());
            if (end > b.x()) b.setRight(std::min(b.right(), end));
        }
        HUDThemeKelo::instance()->controlGradient().drawInRect(p, b, 90);
        p.setPen(QPen(line, 1));
        QPainterPath border;
        if (bottom) {
            border.moveTo(b.x(), b.y() + b.height());
            border.lineTo(b.x() + b.width(), b.y() + b.height());
            border.lineTo(b.x() + b.width(), b.y());
        } else {
            border.moveTo(b.x(), b.y());
            border.lineTo(b.x() + b.width(), b.y());
            border.lineTo(b.x() + b.width(), b.y() + b.height());
        }
        p.drawPath(border);
    }
    p.restore();
    return true;
}
