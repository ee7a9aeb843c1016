#include "hud/views/HUDTableTheming.h"

#include "hud/cells/HUDTableViewHeaderCell.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/theme/HUDThemeManager.h"
#include "hud/views/HUDTableCornerView.h"
#include "hud/views/HUDTableHeaderView.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QPainter>

#include <cmath>
#include <typeinfo>

namespace {

const QList<QColor>& alternatingColours() {
    static const QList<QColor> colours = HUDThemeKelo::instance()->cellAlternatingRowColors();
    return colours;
}

const QColor& emptyColour() {
    static const QColor colour = HUDThemeKelo::instance()->emptyTableColor();
    return colour;
}

}  // namespace

void clearStyleRowColours(QAbstractItemView* view) {
    // The style's row panels would paint over the HUD's own row colours.
    QPalette palette = view->palette();
    for (auto role : {QPalette::Highlight, QPalette::AlternateBase, QPalette::Base}) {
        palette.setColor(role, Qt::transparent);
    }
    view->setPalette(palette);
}

void HUDTableTheming::setUpTheme(QAbstractItemView* view, HUDTableHeaderView* header) {
    view_ = view;
    header_ = header;
    themeKey_ = QString::fromLatin1(kHUDGradientThemeKey);
    setBackgroundColor(theme(this)->tableBackgroundColor());
    clearStyleRowColours(view);
    view->viewport()->setAutoFillBackground(false);
    view->viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    QObject::connect(header, &QHeaderView::sectionCountChanged, view,
                     [this](int, int count) { convertHeaderCells(header_, count, themeKey_); });
}

void HUDTableTheming::decodeThemeKey(const QVariantMap& archive) {
    if (!archive.contains("themeKey")) return;
    setThemeKey(archive.value("themeKey").toString());
    setBackgroundColor(theme(this)->tableBackgroundColor());
}

QVariantMap HUDTableTheming::encodeWithCoder() const {
    return {{"themeKey", themeKey_}};
}

void HUDTableTheming::awakeFromNib() {
    view_->setCornerWidget(new HUDTableCornerView(themeKey_));
    convertHeaderCells(header_, header_->count(), themeKey_);
}

void HUDTableTheming::setBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    if (view_) view_->viewport()->update();
}

QWidget* HUDTableTheming::cornerView() {
    QWidget* corner = view_->cornerWidget();
    if (corner && !qobject_cast<HUDTableCornerView*>(corner)) {
        corner = new HUDTableCornerView(themeKey_);
        view_->setCornerWidget(corner);
    }
    return corner;
}

void HUDTableTheming::setDropRow(qint64 row, quint64 operation) {
    dropRow_ = row;
    dropOperation_ = operation;
}

void HUDTableTheming::convertHeaderCells(HUDTableHeaderView* header, int columns,
                                         const QString& themeKey) {
    for (int column = 0; column < columns; ++column) {
        TableHeaderCell* old = header->headerCell(column);
        if (typeid(*old) != typeid(TableHeaderCell)) {
            old->setThemeKey(themeKey);
            continue;
        }
        auto cell = std::make_unique<HUDTableViewHeaderCell>();
        cell->setThemeKey(themeKey);
        cell->setTextColor(theme(cell.get())->textColor());
        cell->setFont(old->font());
        // Titles, values and tags are kept so that no column loses its name.
        cell->setStringValue(old->stringValue());
        cell->setObjectValue(old->objectValue());
        cell->setTag(old->tag());
        header->setHeaderCell(column, std::move(cell));
    }
}

void HUDTableTheming::drawBackgroundInClipRect(QPainter& painter, const QRectF& clip) {
    if (!view_->alternatingRowColors()) painter.fillRect(clip, backgroundColor_);
}

void HUDTableTheming::paintRowBands(QPainter& painter, const QRectF& clip,
                                    const QList<HUDRowBand>& rows, bool alternating,
                                    double rowHeight) {
    const QColor highlight = HUDThemeKelo::instance()->cellHighlightColor();
    for (const HUDRowBand& band : rows) {
        if (band.selected) {
            painter.fillRect(band.rect, highlight);
        } else if (alternating) {
            const QList<QColor>& pair = alternatingColours();
            if (pair.size() >= 2) painter.fillRect(band.rect, pair[band.row % 2]);
        }
    }
    const int bandHeight = int(rowHeight + 2);
    if (!alternating || bandHeight <= 0) return;
    const double lastBottom = rows.isEmpty() ? 0.0 : rows.last().rect.bottom();
    int y = int(std::max(clip.y(), lastBottom));
    const double clipBottom = clip.y() + clip.height();
    for (; y < clipBottom; y += bandHeight) {
        painter.fillRect(QRectF(clip.x(), y, clip.width(), bandHeight), emptyColour());
    }
}

void HUDTableTheming::paintRowBackgrounds(const QRect& rect) {
    QPainter painter(view_->viewport());
    drawBackgroundInClipRect(painter, QRectF(rect));
    highlightSelectionInClipRect(painter, QRectF(rect));
}
