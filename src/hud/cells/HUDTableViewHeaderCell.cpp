#include "hud/cells/HUDTableViewHeaderCell.h"

#include "hud/theme/HUDTheme.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/theme/HUDThemeManager.h"

#include <QPainter>
#include <QPainterPath>

HUDTableViewHeaderCell::HUDTableViewHeaderCell(const QString& title)
    : TableHeaderCell(title) {}

HUDTableViewHeaderCell::~HUDTableViewHeaderCell() {
    themeKey_.clear();
    layerKey_.clear();
}

QColor HUDTableViewHeaderCell::themeTextColor() const {
    return theme(this)->textColor();
}

QVariantMap HUDTableViewHeaderCell::encodeWithCoder() const {
    return {{"stringValue", stringValue()}, {"tag", tag()}};
}

void HUDTableViewHeaderCell::drawWithFrame(QPainter& painter, const QRectF& frame, QWidget* view) {
    waitIfNeeded(view);
    highlight(painter, isHighlighted(), frame, view);
}

void HUDTableViewHeaderCell::highlight(QPainter& painter, bool flag, const QRectF& f,
                                       QWidget* view) {
    HUDTheme* t = theme(this);
    painter.fillRect(f, t->tableHeaderCellBorderColor());
    const HUDGradient fill =
        flag ? t->tableHeaderCellSelectedFill() : t->tableHeaderCellNormalFill();
    fill.drawInRect(painter, QRectF(f.x() + 1, f.y() + 1, f.width() - 1, f.height() - 2), 90);
    setTextColor(themeTextColor());
    TableHeaderCell::drawInteriorWithFrame(painter, QRectF(f.x() + 3, f.y(), f.width(), f.height()),
                                           view);
}

void HUDTableViewHeaderCell::drawSortIndicatorWithFrame(QPainter& painter, const QRectF& frame,
                                                        QWidget*, bool ascending, int priority) {
    if (priority != 0) return;
    const QRectF r = sortIndicatorRectForBounds(frame.translated(0, -2));
    const double yb = ascending ? r.y() + r.height() - 2 : r.y() + 2;
    const double ya = ascending ? r.y() : r.y() + r.height();
    QPainterPath path;
    path.moveTo(r.x(), yb);
    path.lineTo(r.x() + r.width(), yb);
    path.lineTo(r.x() + r.width() / 2, ya);
    path.closeSubpath();
    HUDTheme* t = theme(this);
    painter.fillPath(path, isEnabled() ? t->textColor() : t->disabledTextColor());
}
