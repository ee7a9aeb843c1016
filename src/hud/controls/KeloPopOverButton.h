#pragma once

#include "hud/cells/KeloPopOverButtonCell.h"
#include "hud/controls/itemEnable.h"

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class KeloPopOverButton;
class KeloPopOverView;

// Supplies the items of a pop-over button that has no item list. Items are a
// QString or a QImage; a null QVariant is no item. Every operation is optional.
class KeloPopOverDataSource {
public:
    virtual ~KeloPopOverDataSource() = default;
    virtual int32_t numberOfPopOverItems(KeloPopOverButton*) { return 0; }
    virtual QVariant objectValueForPopOverItem(KeloPopOverButton*, int32_t) { return {}; }
    // Item -1 asks for the pop-over's title; a null string is none.
    virtual QString titleForPopOver(KeloPopOverButton*, int32_t) { return {}; }
    virtual QImage borderImageForPopOver(KeloPopOverButton*) { return {}; }
    virtual QPointF borderSplitPointForPopOver(KeloPopOverButton*) { return {}; }
};

// Told after the button has drawn its face.
class KeloPopOverDrawingDelegate {
public:
    virtual ~KeloPopOverDrawingDelegate() = default;
    virtual void finishDrawing(KeloPopOverButton* button, QPainter& ctx) = 0;
};

// A push button standing in for a pop-up button: pressed, it opens its items
// as a list or a grid in one shared borderless pop-over window. A click
// leaves the pop-over open for a choice there; a drag of more than 10 points
// chooses the item under the release. The choice is announced by
// triggered().
class KeloPopOverButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit KeloPopOverButton(QWidget* parent = nullptr);
    ~KeloPopOverButton() override;

    // Item list.
    void addItemWithTitle(const QString& title);
    void removeAllItems();
    int32_t numberOfItems() const;
    // Null for an index outside the list.
    QString itemTitleAtIndex(int32_t index) const;
    QString titleOfSelectedItem() const;
    int32_t indexOfItemWithTitle(const QString& title) const;
    // The item's enabled record; null without automatic enabling switched
    // off or for an index outside the list.
    itemEnable* itemAtIndex(int32_t index) const;
    itemEnable* itemWithTitle(const QString& title) const;
    void selectItemAtIndex(int32_t index) { setIndexOfSelectedItem(index); }
    void selectItemWithTitle(const QString& title);
    void setIndexOfSelectedItem(int32_t index);
    int32_t indexOfSelectedItem() const { return indexOfSelectedItem_; }
    // Off in list mode: items need enabling one by one (new ones start
    // disabled). On, or not in list mode: every item is enabled.
    void setAutoenablesItems(bool autoenables);

    // Look.
    QColor textColour() const { return textColour_; }
    void setTextColour(const QColor& colour);
    QColor backgroundColour() const { return backgroundColour_; }
    void setBackgroundColour(const QColor& colour);
    QColor highlightColour() const { return highlightColour_; }
    void setHighlightColour(const QColor& colour);
    // The colours to draw with (all colours here are already RGB).
    QColor txtColour() const { return textColour_; }
    QColor bgColour() const { return backgroundColour_; }
    QColor hiliteColour() const { return highlightColour_; }
    // Frame image of the pop-over; sets the border size and split point.
    void setPopOverImage(const QImage& image);
    const QImage& popOverImage() const { return popOverImage_; }
    void setPointerImage(const QImage& image) { pointerImage_ = image; }
    const QImage& pointerImage() const { return pointerImage_; }
    QSizeF borderSize() const { return borderSize_; }
    // Also puts the split point at the whole half of each side.
    void setBorderSize(const QSizeF& size);
    QPointF borderSplitPoint() const { return borderSplitPoint_; }
    void setBorderSplitPoint(const QPointF& point) { borderSplitPoint_ = point; }
    QString fontName() const { return fontName_; }
    void setFontName(const QString& name) { fontName_ = name; }
    int32_t fontSize() const { return fontSize_; }
    void setFontSize(int32_t size) { fontSize_ = size; }
    bool isList() const { return isList_; }
    void setIsList(bool list) { isList_ = list; }
    bool pullsDown() const { return pullsDown_; }
    void setPullsDown(bool pullsDown) { pullsDown_ = pullsDown; }
    bool showChosen() const { return showChosen_; }
    void setShowChosen(bool show) { showChosen_ = show; }
    // Zero: each cell is the button's size.
    QSizeF popOverCellSize() const { return popOverCellSize_; }
    void setPopOverCellSize(const QSizeF& size) { popOverCellSize_ = size; }
    QSizeF popOverCellSpacing() const { return popOverCellSpacing_; }
    void setPopOverCellSpacing(const QSizeF& spacing) { popOverCellSpacing_ = spacing; }
    // A point of the pop-over, from its top left, pinned to the middle of
    // the button's right edge; the zero point is no pin.
    QPointF pinPoint() const { return pinPoint_; }
    void setPinPoint(const QPointF& point) { pinPoint_ = point; }
    QPointF pointerHotSpot() const { return pointerHotSpot_; }
    void setPointerHotSpot(const QPointF& point) { pointerHotSpot_ = point; }
    // The pop-over background when there is no frame image; the button's own
    // cell when none was set.
    KeloPopOverButtonCell* borderCell() const;
    void setBorderCell(std::shared_ptr<KeloPopOverButtonCell> cell) { borderCell_ = cell; }
    KeloPopOverButtonCell* cell() const { return cell_.get(); }
    void setCell(std::unique_ptr<KeloPopOverButtonCell> cell);
    // The image shown by a button whose chosen item is an image.
    const QImage& image() const { return image_; }

    KeloPopOverDataSource* dataSource() const { return dataSource_; }
    void setDataSource(KeloPopOverDataSource* source) { dataSource_ = source; }
    KeloPopOverDrawingDelegate* drawingDelegate() const { return drawingDelegate_; }
    void setDrawingDelegate(KeloPopOverDrawingDelegate* delegate) { drawingDelegate_ = delegate; }

    // What the pop-over asks: from the item list, or else the data source.
    int32_t numberOfPopOverItems();
    QVariant objectValueForPopOverItem(int32_t index);
    bool objectEnableForPopOverItem(int32_t index) const;
    QString titleForPopOverItem(int32_t index);
    QImage borderImageForPopOver();
    QPointF borderSplitPointForPopOver();

    bool isTracking() const { return tracking_; }
    bool isDragging() const { return dragging_; }
    // Closes the pop-over; a non-negative enabled item is chosen and
    // announced.
    void endTrackingWithItem(int32_t item);

    // The one pop-over of the process; null before the first press.
    static KeloPopOverView* sharedPopOverView();

signals:
    void triggered(KeloPopOverButton* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void trackInPopOver(const QPointF& globalPosition);

    KeloPopOverDataSource* dataSource_ = nullptr;
    KeloPopOverDrawingDelegate* drawingDelegate_ = nullptr;
    bool isList_ = false;
    bool pullsDown_ = false;
    bool showChosen_ = false;
    bool tracking_ = false;
    bool dragging_ = false;
    std::optional<QStringList> itemList_;
    std::optional<std::vector<std::unique_ptr<itemEnable>>> enableList_;
    int32_t indexOfSelectedItem_ = 0;
    int32_t fontSize_ = 0;
    QSizeF popOverCellSize_{0, 0};
    QSizeF borderSize_{0, 0};
    QSizeF popOverCellSpacing_{0, 0};
    QPointF pinPoint_;
    QPointF pointerHotSpot_;
    QPointF borderSplitPoint_;
    QPointF startPt_;
    QColor textColour_;
    QColor backgroundColour_;
    QColor highlightColour_;
    QImage popOverImage_;
    QImage pointerImage_;
    QImage image_;
    std::unique_ptr<KeloPopOverButtonCell> cell_;
    std::shared_ptr<KeloPopOverButtonCell> borderCell_;
    QString fontName_;
};
