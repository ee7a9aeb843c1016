#pragma once

#include "platform/AttributedString.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

#include <memory>

class QPainter;
class TbProgressIndicator;
class TbTabBarControl;
class TbTabViewItem;

// Tab state bits written by the layout controller.
enum TbTabState : int {
    TbTabStateSelected = 2,
    TbTabStatePreviousSelected = 4,
    TbTabStateNextSelected = 8,
    TbTabStateFirst = 16,
    TbTabStateDeselected = 32,
    TbTabStateLast = 64,
    TbTabStateSingle = 128,
};

// Close-button image types.
enum TbCloseButtonImageType : int {
    TbCloseButtonNormal = 0,
    TbCloseButtonRollover = 1,
    TbCloseButtonPressed = 2,
    TbCloseButtonDirtyNormal = 3,
    TbCloseButtonDirtyRollover = 4,
    TbCloseButtonDirtyPressed = 5,
};

// A rectangle of the bar that reports the mouse entering and leaving it to
// a cell. "type" in the user info is 0 for the whole cell, 1 for its close
// button.
struct TbTrackingArea {
    QRectF rect;
    QVariantMap userInfo;
    std::weak_ptr<class TbTabBarCell> cell;
    bool mouseInside = false;
};

// One tab of a TbTabBarControl, or the gap (placeholder) that opens between
// tabs while a tab is dragged. It keeps its frame in the bar, its selection
// and neighbour state, its close button's state, a counter and a spinning
// progress indicator, and measures and draws itself: every measure and
// drawing step asks the bar's style first and falls back to the default of
// the same name with a leading underscore. Frames are in the bar's y-down
// coordinates. The bar owns its cells (shared, so that a drag can carry one
// to another bar); the cell owns its indicator. Main thread only.
class TbTabBarCell : public std::enable_shared_from_this<TbTabBarCell> {
public:
    TbTabBarCell();
    // A drag placeholder; collapsed (zero width, or zero height in a vertical
    // bar) at step 0 unless expanded, which keeps the frame at step 7.
    static std::shared_ptr<TbTabBarCell> initPlaceholderWithFrame(const QRectF& frame, bool expanded,
                                                                  TbTabBarControl* control);
    ~TbTabBarCell();
    TbTabBarCell(const TbTabBarCell&) = delete;
    TbTabBarCell& operator=(const TbTabBarCell&) = delete;

    // State a platform cell would carry.
    QString title() const { return title_; }
    // Measures the label and asks the bar to lay out again.
    void setTitle(const QString& title);
    int state() const { return state_; }
    void setState(int state) { state_ = state; }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool flag) { highlighted_ = flag; }
    std::shared_ptr<TbTabViewItem> representedObject() const { return representedObject_; }
    void setRepresentedObject(const std::shared_ptr<TbTabViewItem>& item) { representedObject_ = item; }
    TbTabBarControl* controlView() const { return controlView_; }
    void setControlView(TbTabBarControl* control);

    double width() const { return frame_.width(); }
    QRectF frame() const { return frame_; }
    // Moves a shown indicator along with the frame.
    void setFrame(const QRectF& frame);
    QSizeF attributedStringSize() const { return attributedStringSize_; }
    void setAttributedStringSize(const QSizeF& size) { attributedStringSize_ = size; }
    qint64 currentStep() const { return currentStep_; }
    // Clamped into 0..7.
    void setCurrentStep(qint64 step);
    bool isPlaceholder() const { return isPlaceholder_; }
    void setIsPlaceholder(bool flag) { isPlaceholder_ = flag; }
    int tabState() const { return tabState_; }
    void setTabState(int state) { tabState_ = state; }
    // The mouse is over the close button and the button may be used: the bar
    // closes background tabs, or the tab is selected, or Ctrl is held.
    bool closeButtonOver() const;
    void setCloseButtonOver(bool flag) { closeButtonOver_ = flag; }
    bool closeButtonPressed() const { return closeButtonPressed_; }
    void setCloseButtonPressed(bool flag) { closeButtonPressed_ = flag; }
    TbProgressIndicator* indicator() const { return indicator_.get(); }
    bool isInOverflowMenu() const { return isInOverflowMenu_; }
    // Tells the bar's delegate when the value changes.
    void setIsInOverflowMenu(bool flag);
    bool hasCloseButton() const { return hasCloseButton_; }
    void setHasCloseButton(bool flag) { hasCloseButton_ = flag; }
    bool isCloseButtonSuppressed() const { return isCloseButtonSuppressed_; }
    void setCloseButtonSuppressed(bool flag) { isCloseButtonSuppressed_ = flag; }
    bool hasIcon() const { return hasIcon_; }
    void setHasIcon(bool flag) { hasIcon_ = flag; }
    bool hasLargeImage() const { return hasLargeImage_; }
    void setHasLargeImage(bool flag) { hasLargeImage_ = flag; }
    qint64 count() const { return count_; }
    void setCount(qint64 count) { count_ = count; }
    QColor countColor() const { return countColor_; }
    void setCountColor(const QColor& color) { countColor_ = color; }
    bool isEdited() const { return isEdited_; }
    void setIsEdited(bool flag) { isEdited_ = flag; }

    bool shouldDrawCloseButton() const { return hasCloseButton_ && !isCloseButtonSuppressed_; }
    bool shouldDrawObjectCounter() const { return count_ != 0; }
    // The represented item's identifier's "icon" and "largeImage", or null.
    QImage icon() const;
    QImage largeImage() const;
    bool indicatorVisible() const;

    // The platform's image scaling: 0 proportionally down, 1 to the box,
    // 3 proportionally up or down, anything else unscaled.
    static QSizeF scaleImageWithSize(const QSizeF& image, const QSizeF& box, unsigned scalingType);

    // Style first, then the default.
    QRectF drawingRectForBounds(const QRectF& bounds) const;
    QRectF titleRectForBounds(const QRectF& bounds) const;
    QRectF iconRectForBounds(const QRectF& bounds) const;
    QRectF largeImageRectForBounds(const QRectF& bounds) const;
    QRectF indicatorRectForBounds(const QRectF& bounds) const;
    QSizeF objectCounterSize() const;
    QRectF objectCounterRectForBounds(const QRectF& bounds) const;
    QRectF closeButtonRectForBounds(const QRectF& bounds) const;
    double minimumWidthOfCell() const;
    double desiredWidthOfCell() const;
    QImage closeButtonImageOfType(int type) const;
    AttributedString attributedStringValue() const;
    AttributedString attributedObjectCountStringValue() const;
    QRectF draggingRect() const;

    void drawWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void drawBezelWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void drawInteriorWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void drawLargeImageWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void drawIconWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void drawTitleWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void drawObjectCounterWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void drawIndicatorWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void drawCloseButtonWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);

    // The defaults, for styles that build on them.
    QRectF _drawingRectForBounds(const QRectF& bounds) const;
    QRectF _titleRectForBounds(const QRectF& bounds) const;
    QRectF _iconRectForBounds(const QRectF& bounds) const;
    QRectF _largeImageRectForBounds(const QRectF& bounds) const;
    QRectF _indicatorRectForBounds(const QRectF& bounds) const;
    QSizeF _objectCounterSize() const;
    QRectF _objectCounterRectForBounds(const QRectF& bounds) const;
    QRectF _closeButtonRectForBounds(const QRectF& bounds) const;
    double _minimumWidthOfCell() const;
    double _desiredWidthOfCell() const;
    AttributedString _attributedStringValue() const;
    AttributedString _attributedObjectCountStringValue() const;
    void _drawWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void _drawInteriorWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void _drawLargeImageWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void _drawIconWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void _drawTitleWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void _drawObjectCounterWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);
    void _drawCloseButtonWithFrame(QPainter& p, const QRectF& frame, TbTabBarControl& bar);

    // Mouse tracking: the bar's areas for this cell and the events it
    // forwards. `mouse` is in bar coordinates.
    void addTrackingAreasForView(TbTabBarControl& bar, const QRectF& rect, const QVariantMap& userInfo,
                                 const QPointF& mouse);
    void mouseEntered(const QVariantMap& userInfo, Qt::KeyboardModifiers modifiers);
    void mouseExited(const QVariantMap& userInfo);

    // A picture of the tab as the bar shows it, with the progress mark when
    // the indicator is visible.
    QImage dragImage();

    // The old attribute-based accessibility answers: "role", "roleDescription",
    // "title", "help", "value", "position", "size"; null for any other name.
    QVariant accessibilityAttributeValue(const QString& attribute) const;
    // "press" selects the tab.
    void accessibilityPerformAction(const QString& action);

private:
    const class TbTabStyle* barStyle() const;
    bool vertical() const;

    QString title_;
    int state_ = 0;
    bool highlighted_ = false;
    std::shared_ptr<TbTabViewItem> representedObject_;
    TbTabBarControl* controlView_ = nullptr;

    QRectF frame_;
    QSizeF attributedStringSize_;
    qint64 currentStep_ = 0;
    bool isPlaceholder_ = false;
    int tabState_ = 0;
    bool closeButtonOver_ = false;
    bool closeButtonPressed_ = false;
    std::unique_ptr<TbProgressIndicator> indicator_;
    bool isInOverflowMenu_ = false;
    bool hasCloseButton_ = true;
    bool isCloseButtonSuppressed_ = false;
    bool hasIcon_ = false;
    bool hasLargeImage_ = false;
    qint64 count_ = 0;
    QColor countColor_;
    bool isEdited_ = false;
};
