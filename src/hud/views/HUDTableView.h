#pragma once

#include "hud/theme/HUDThemeKeyProtocol.h"
#include "hud/cells/TextFieldCell.h"

#include <QPointer>
#include <QTableView>
#include <QVariantMap>

#include <map>
#include <memory>

class HUDTableCornerView;
class HUDTableHeaderView;
class QAbstractItemView;
class QHeaderView;

// One row as the HUD row painting sees it (viewport coordinates).
struct HUDRowBand {
    QRectF rect;
    int row = 0;
    bool selected = false;
};

// The dark HUD table. It paints the selected row and the alternating stripes
// itself, draws every cell with a HUD text cell (per-column cells may be set),
// draws its column headers with HUDTableViewHeaderCell and its corner with
// HUDTableCornerView, and can change the integer value under the pointer
// with the scroll wheel while Control (the Command key here) is held.
class HUDTableView : public QTableView, public HUDThemeKeyProtocol {
    Q_OBJECT
public:
    explicit HUDTableView(QWidget* parent = nullptr);
    ~HUDTableView() override;

    // "themeKey" of the archive, else "gradientTheme".
    static HUDTableView* initWithCoder(const QVariantMap& archive, QWidget* parent = nullptr);
    QVariantMap encodeWithCoder() const;
    void awakeFromNib();

    QString themeKey() const override { return themeKey_; }
    void setThemeKey(const QString& key) override { themeKey_ = key; }
    QString LayerKey() const { return layerKey_; }
    void setLayerKey(const QString& key) { layerKey_ = key; }
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);

    HUDTableHeaderView* tableHeaderView() const { return header_; }
    // Replaces a corner view that is not a HUD one.
    QWidget* cornerView();

    // The cell that draws a column; a HUD text cell unless one was set.
    void setDataCell(int column, std::unique_ptr<TextFieldCell> cell);
    TextFieldCell* dataCell(int column);
    // The column's cell filled for (column, row): value, flags and the text
    // colour for a selected or plain row.
    virtual TextFieldCell* preparedCellAtColumn(int column, int row);

    void drawBackgroundInClipRect(QPainter& painter, const QRectF& clip);
    void highlightSelectionInClipRect(QPainter& painter, const QRectF& clip);

    void setDropRow(qint64 row, quint64 operation);
    qint64 dropRow() const { return dropRow_; }
    quint64 dropOperation() const { return dropOperation_; }

    bool isOpaque() const { return true; }
    bool preservesContentDuringLiveResize() const { return true; }
    bool acceptsFirstResponder() const { return true; }
    bool becomeFirstResponder();
    bool acceptsFirstMouse() const { return true; }

    // The widget a click at `pos` (viewport coordinates) goes to: the table
    // (its viewport) for a non-editable text field placed in it.
    QWidget* hitTest(const QPoint& pos) const;

    void setAllowsCustomValueScrolling(bool allow);
    bool allowsCustomValueScrolling() const { return allowsCustomValueScrolling_; }
    void resetCursorRects();
    void adjustTrackingArea();

    // Row painting shared with the outline view. `bandHeight` is the height
    // of the empty-area stripes.
    static void paintRowBands(QPainter& painter, const QRectF& clip, const QList<HUDRowBand>& rows,
                              bool alternating, int bandHeight);
    // Applies the HUD set-up to a header's cells.
    static void convertHeaderCells(HUDTableHeaderView* header, int columns,
                                   const QString& themeKey);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QList<HUDRowBand> rowsInClip(const QRectF& clip) const;
    void customValueScroll(QWheelEvent* event);

    QString themeKey_;
    QString layerKey_;
    qint64 dropRow_ = -1;
    quint64 dropOperation_ = 0;
    bool allowsCustomValueScrolling_ = false;
    QColor backgroundColor_;
    HUDTableHeaderView* header_ = nullptr;
    std::unique_ptr<TextFieldCell> defaultCell_;
    std::map<int, std::unique_ptr<TextFieldCell>> dataCells_;
    QPointer<QWidget> lastEditor_;
};

// Makes the style's row backgrounds and selection panels invisible.
void clearStyleRowColours(QAbstractItemView* view);
// Whether a widget is a text field the user cannot edit.
bool isNonEditableTextField(const QWidget* widget);
