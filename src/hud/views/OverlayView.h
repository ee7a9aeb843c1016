#pragma once

#include "platform/AttributedString.h"

#include <QLabel>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class HUDButton;
class QTabWidget;
class QTimer;

// The message line of an overlay: keeps the attributed value it shows.
class OverlayTextField : public QLabel {
public:
    explicit OverlayTextField(QWidget* parent = nullptr);
    const AttributedString& attributedStringValue() const { return value_; }
    void setAttributedStringValue(const AttributedString& value);

private:
    AttributedString value_;
};

// A dark speech bubble with a message and a row of HUD buttons, shown in a
// frameless child window of the window holding a view and pointing at it.
// The overlay is that child window itself, so the parent window's
// cancelOverlayView() finds and closes it. Drawn y-down: the pointer sits at
// the top-left corner.
class OverlayView : public QWidget {
    Q_OBJECT
public:
    using Action = std::function<void(HUDButton*)>;

    // Null for a null text, a view outside any window, or a suppressed text.
    static OverlayView* addOverlayViewWithTitle(const QString& text, QWidget* view);
    static OverlayView* addOverlayViewWithTitle(const AttributedString& text, QWidget* view);

    // The tag is kept in the button's "tag" property.
    HUDButton* addButtonWithTitle(const QString& title, qint64 tag, Action action);
    HUDButton* addOkButton();
    // Buttons of these sizes in one row of equal widths, evenly spaced;
    // widens the overlay when they need more room. y-down.
    static QList<QRect> buttonRow(const QList<QSize>& sizes, int* overlayWidth, int overlayHeight);
    void setShowsSuppressionButton(bool shows);
    void dontShowThisAgain();
    void dismiss();
    void setTitle(const QString& title);
    void centerInWindow();
    bool isCenteredInWindow() const { return centerInWindow_; }
    // Points the bubble at the label of a tab.
    void showAtTabViewItem(QTabWidget* tabView, int index);

    int32_t flashCount() const { return flashCount_; }
    void setFlashCount(int32_t count) { flashCount_ = count; }
    // One blink tick.
    void flash();
    bool isFlashing() const { return timer_ != nullptr; }
    // The border colour the next draw uses.
    QColor borderColor() const;
    // Starts the blink timer when a flash count is set and none runs yet.
    void startFlashTimerIfNeeded();

    static QColor sDarkMenuFillColor();
    static QColor sDarkMenuStrokeColor();
    static QColor sDarkMenuStrokeColor2();
    static QColor sDarkButtonColor();
    static bool isSuppressed(const QString& text);

    ~OverlayView() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    OverlayView(const QRect& frame, QWidget* parentWindow);
    static OverlayView* build(const QString& plain, const AttributedString& display, QWidget* view);
    void placeRelativeToView(QWidget* view);
    QString messageText() const;

    bool centerInWindow_ = false;
    int32_t flashCount_ = 0;
    QTimer* timer_ = nullptr;
};
