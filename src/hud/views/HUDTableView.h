#pragma once

#include "hud/cells/TextFieldCell.h"
#include "hud/views/HUDTableTheming.h"

#include <QPointer>
#include <QTableView>
#include <QVariantMap>

#include <map>
#include <memory>

class HUDTableCornerView;
class HUDTableHeaderView;
class QAbstractItemView;
class QHeaderView;

// The dark HUD table. It paints the selected row and the alternating stripes
// itself, draws every cell with a HUD text cell (per-column cells may be set),
// draws its column headers with HUDTableViewHeaderCell and its corner with
// HUDTableCornerView, and can change the integer value under the pointer
// with the scroll wheel while Control (the Command key here) is held.
class HUDTableView : public QTableView, public HUDTableTheming {
    Q_OBJECT
public:
    explicit HUDTableView(QWidget* parent = nullptr);
    ~HUDTableView() override;

    // "themeKey" of the archive, else "gradientTheme".
    static HUDTableView* initWithCoder(const QVariantMap& archive, QWidget* parent = nullptr);

    // The cell that draws a column; a HUD text cell unless one was set.
    void setDataCell(int column, std::unique_ptr<TextFieldCell> cell);
    TextFieldCell* dataCell(int column);
    // The column's cell filled for (column, row): value, flags and the text
    // colour for a selected or plain row.
    virtual TextFieldCell* preparedCellAtColumn(int column, int row);

    void highlightSelectionInClipRect(QPainter& painter, const QRectF& clip) override;

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QList<HUDRowBand> rowsInClip(const QRectF& clip) const;
    void customValueScroll(QWheelEvent* event);

    bool allowsCustomValueScrolling_ = false;
    std::unique_ptr<TextFieldCell> defaultCell_;
    std::map<int, std::unique_ptr<TextFieldCell>> dataCells_;
    QPointer<QWidget> lastEditor_;
};

// Whether a widget is a text field the user cannot edit.
bool isNonEditableTextField(const QWidget* widget);
