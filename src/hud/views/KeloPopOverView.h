#pragma once

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <cstdint>

class KeloPopOverButton;

// The content of the shared pop-over window: the frame, the items in a grid
// (row 0 at the top) and an optional title bar above the rows. The layout is
// worked out y-down here, in the widget's own coordinates, and so is the
// placement on screen; the content rectangle starts inside the frame at the
// split point of the frame image.
class KeloPopOverView : public QWidget {
    Q_OBJECT
public:
    explicit KeloPopOverView(QWidget* parent = nullptr);

    // The pop-over window holding the view (borderless, floating), made on
    // first use and kept for the process.
    static KeloPopOverView* createWrappedPopOverView();

    // Sets current, selected and highlighted item to the index.
    void setCurrentItem(int32_t index);
    QRectF cellFrameForItem(int32_t index) const;
    // Lays the view out for its button; the size of the whole pop-over.
    QSizeF sizeForCurrentFrame();
    // Screen rectangle of the pop-over for the button.
    QRect frameWithButton(KeloPopOverButton* button);
    // Follows the pointer (in view coordinates).
    void trackMouseAtPoint(const QPointF& point);
    void stopTracking();

    QSizeF cellSize() const { return cellSize_; }
    void setCellSize(const QSizeF& size) { cellSize_ = size; }
    QSizeF cellInset() const { return cellInset_; }
    void setCellInset(const QSizeF& inset) { cellInset_ = inset; }
    // Columns and rows.
    QSizeF gridSize() const { return gridSize_; }
    QRectF contentRect() const { return contentRect_; }
    bool hasTitleBar() const { return hasTitleBar_; }
    QPointF titleOrigin() const { return titleOrigin_; }
    int32_t selectedItem() const { return selectedItem_; }
    int32_t currentItem() const { return currentItem_; }
    int32_t highLightItem() const { return highLightItem_; }
    bool isPinned() const { return isPinned_; }
    KeloPopOverButton* buttonID() const { return buttonID_; }
    void setButtonID(KeloPopOverButton* button) { buttonID_ = button; }

    // Columns and rows for a count of grid items: about square, never
    // fewer cells than items.
    static QSize gridForItemCount(int32_t count);
    // Draws one item (string or image; nothing for a null item) in the
    // button's text colour, struck through when not enabled.
    static void popOver(KeloPopOverButton* button, const QVariant& item, const QRectF& rect,
                        QPainter& ctx, bool enabled, const QString& font, int32_t size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void renderLayer(const QString& font, int32_t size);

    QSizeF cellSize_{0, 0};
    QSizeF gridSize_{0, 0};
    QSizeF cellInset_{0, 0};
    QPointF titleOrigin_;
    QImage border_;
    QSizeF borderSize_{0, 0};
    QPointF borderSplit_;
    QRectF contentRect_;
    QImage layer_;
    QPointer<KeloPopOverButton> buttonID_;
    int32_t numberOfItems_ = 0;
    int32_t currentItem_ = 0;
    int32_t selectedItem_ = -1;
    int32_t highLightItem_ = 0;
    bool isList_ = false;
    bool hasTitleBar_ = false;
    float titleHeight_ = 0;
    bool tracking_ = false;
    int32_t fontSize_ = 0;
    QPointF pinPoint_;
    bool isPinned_ = false;
};
