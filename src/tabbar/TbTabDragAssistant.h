#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSizeF>
#include <QTimer>

#include <memory>
#include <set>
#include <vector>

class QWidget;
class TbTabBarCell;
class TbTabBarControl;
class TbTabDragWindow;
class TbTabDragWindowController;

// The process-wide coordinator of a tab drag. The source bar hands it the
// drag once the mouse has moved far enough, and then every move and the
// release (the bar keeps the mouse while its button is down). It plays the
// platform's drag session itself: it finds the bar under the pointer, sends
// that bar's destination steps, fills the bars it visits with placeholder
// gaps that slide open and shut every 1/30 s, chooses the drop slot, moves
// the cell and the tab view item on drop, and shows the floating images of
// a tab tearing off into a new window when the delegate allows it.
// Points are global (screen) or bar coordinates, both y-down. Main thread only.
class TbTabDragAssistant : public QObject {
    Q_OBJECT
public:
    static TbTabDragAssistant* sharedDragAssistant();

    TbTabBarControl* sourceTabBar() const { return sourceTabBar_; }
    TbTabBarControl* destinationTabBar() const { return destinationTabBar_; }
    std::shared_ptr<TbTabBarCell> draggedCell() const { return draggedCell_; }
    qsizetype draggedCellIndex() const { return draggedCellIndex_; }
    bool isDragging() const { return isDragging_; }
    QPointF currentMouseLoc() const { return currentMouseLoc_; }
    std::shared_ptr<TbTabBarCell> targetCell() const { return targetCell_; }
    const std::vector<double>& sineCurveWidths() const { return sineCurveWidths_; }
    bool isParticipating(TbTabBarControl* bar) const;
    TbTabDragWindowController* draggedTab() const { return draggedTab_.get(); }
    TbTabDragWindowController* draggedView() const { return draggedView_.get(); }

    // The placeholder widths of a drag of a cell of this size.
    static std::vector<double> placeholderWidths(const QSizeF& cellSize, bool vertical);

    void startDraggingCell(const std::shared_ptr<TbTabBarCell>& cell, TbTabBarControl* bar,
                           const QPointF& mouseDownPoint, const QPointF& globalPoint);

    // Destination side, points in the bar's coordinates.
    void draggingEnteredTabBarControl(TbTabBarControl* bar, const QPointF& point);
    void draggingUpdatedInTabBarControl(TbTabBarControl* bar, const QPointF& point);
    void draggingExitedTabBarControl(TbTabBarControl* bar);
    void performDragOperation();

    // Source side, global points.
    void draggingBeganAt(const QPointF& point);
    void draggingMovedTo(const QPointF& point);
    void draggedImageEndedAt(const QPointF& point);
    // The end of the mouse drag: a drop on the bar under the pointer, or an
    // end outside the bars.
    void dragReleasedAt(const QPointF& point);

    // One slide tick for every participating bar.
    void animateDrag();
    void calculateDragAnimationForTabBarControl(TbTabBarControl* bar);
    void distributePlaceholdersInTabBarControl(TbTabBarControl* bar);
    void distributePlaceholdersInTabBarControl(TbTabBarControl* bar, const std::shared_ptr<TbTabBarCell>& cell);
    void removeAllPlaceholdersFromTabBarControl(TbTabBarControl* bar);

signals:
    // A slide tick has placed the placeholders.
    void dragAnimated();

private:
    TbTabDragAssistant() = default;
    void finishDrag();
    void fadeInDragWindow();
    void fadeOutDragWindow();
    void startFade(bool fadeIn);
    QImage _imageForViewOfCell(TbTabBarCell& cell, unsigned* styleMask);
    static QImage _miniwindowImageOfWindow(QWidget* window);
    void _expandWindow(QWidget* window, const QPointF& point);
    TbTabBarControl* barAtPoint(const QPointF& global) const;
    bool mayDropOn(TbTabBarControl* bar) const;
    void restoreCellToSource();

    QPointer<TbTabBarControl> sourceTabBar_;
    QPointer<TbTabBarControl> destinationTabBar_;
    QPointer<TbTabBarControl> hoverBar_;
    std::vector<QPointer<TbTabBarControl>> participatingTabBars_;
    std::shared_ptr<TbTabBarCell> draggedCell_;
    qsizetype draggedCellIndex_ = -1;
    bool isDragging_ = false;
    std::unique_ptr<TbTabDragWindowController> draggedTab_;
    std::unique_ptr<TbTabDragWindowController> draggedView_;
    // What the platform would show under the mouse for a drag that cannot tear off.
    std::unique_ptr<TbTabDragWindow> dragImageWindow_;
    QPointF dragImageOffset_;
    QSizeF dragWindowOffset_;
    QTimer* fadeTimer_ = nullptr;
    bool centersDragWindows_ = false;
    int currentTearOffStyle_ = 0;
    QTimer* animationTimer_ = nullptr;
    std::vector<double> sineCurveWidths_;
    QPointF currentMouseLoc_{-1, -1};
    std::shared_ptr<TbTabBarCell> targetCell_;
    QPointer<QWidget> hiddenSourceWindow_;
};
