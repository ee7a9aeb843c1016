#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QString>
#include <QVariantMap>

class HUDTableHeaderView;
class QAbstractItemView;
class QPainter;
class QWidget;

// One row as the HUD row painting sees it (viewport coordinates).
struct HUDRowBand {
    QRectF rect;
    int row = 0;
    bool selected = false;
};

// The theme set-up HUD tables and outlines share: theme and layer keys, the
// background colour, HUD header cells and corner view, the drop target and
// the row painting under the items. Main thread only.
class HUDTableTheming : public HUDThemeKeyProtocol {
public:
    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }
    QString LayerKey() const { return layerKey_; }
    void setLayerKey(const QString& key) { layerKey_ = key; }
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);

    HUDTableHeaderView* tableHeaderView() const { return header_; }
    // Replaces a corner view that is not a HUD one.
    QWidget* cornerView();
    QVariantMap encodeWithCoder() const;
    void awakeFromNib();

    void setDropRow(qint64 row, quint64 operation);
    qint64 dropRow() const { return dropRow_; }
    quint64 dropOperation() const { return dropOperation_; }
    bool isOpaque() const { return true; }
    bool preservesContentDuringLiveResize() const { return true; }

    void drawBackgroundInClipRect(QPainter& painter, const QRectF& clip);
    virtual void highlightSelectionInClipRect(QPainter& painter, const QRectF& clip) = 0;

    // Selected rows in the highlight colour, the others striped when
    // `alternating`, and below the last row bands of (row height + 2) in the
    // empty-table colour down to the clip's bottom.
    static void paintRowBands(QPainter& painter, const QRectF& clip, const QList<HUDRowBand>& rows,
                              bool alternating, double rowHeight);
    // Applies the HUD set-up to a header's cells.
    static void convertHeaderCells(HUDTableHeaderView* header, int columns,
                                   const QString& themeKey);

protected:
    HUDTableTheming() = default;
    // Installs `header` and the theme's colours on `view`, whose header
    // cells from then on become HUD ones as columns appear.
    void setUpTheme(QAbstractItemView* view, HUDTableHeaderView* header);
    // "themeKey" of the archive, else the key stays "gradientTheme".
    void decodeThemeKey(const QVariantMap& archive);
    // The view's row backgrounds for a repaint of `rect`.
    void paintRowBackgrounds(const QRect& rect);

private:
    QAbstractItemView* view_ = nullptr;
    QString themeKey_;
    QString layerKey_;
    qint64 dropRow_ = -1;
    quint64 dropOperation_ = 0;
    QColor backgroundColor_;
    HUDTableHeaderView* header_ = nullptr;
};

// Makes the style's row backgrounds and selection panels invisible.
void clearStyleRowColours(QAbstractItemView* view);
