#pragma once

#include <QColor>
#include <QLabel>

class ToolTipWindowProtocol;

// Who asks the info bar to refresh: the 0.2 s tick, or the main window after
// its tool-tip text changed.
enum class InfoBarSender { Tick, Window };

// The status line at the foot of the main window. Warnings show yellow and
// errors red, both flashing orange for ten ticks; a plain message expires
// after 5 s, a coloured one after 10 s, an empty one at once. While no
// message shows, the line carries the window's tool-tip text (the cell or
// row under the pointer); a tool tip that goes is cleared 100 ms later, so
// moving between cells does not flicker the line.
// showStatusText may be called from any thread; the rest is main thread only.
class KeloStatusLine : public QLabel {
public:
    static constexpr int kFlashSteps = 10;
    static constexpr qint64 kPlainMs = 5000;
    static constexpr qint64 kColouredMs = 10000;
    static constexpr qint64 kToolTipClearMs = 100;

    explicit KeloStatusLine(QWidget* parent = nullptr);

    void showStatusText(const QString& text);
    // Shown in `color`; a text that begins with "Warning" or holds "Error" flashes.
    void showStatusText(const QString& text, const QColor& color);
    // `nowMs` in ms since 1970. The tick flashes and expires the message;
    // then, and on every call from the window, the line follows `window`'s
    // tool-tip text (none when null) while no message shows.
    void updateInfoBar(qint64 nowMs, InfoBarSender sender = InfoBarSender::Tick,
                       const ToolTipWindowProtocol* window = nullptr);

    // The message's own colour.
    QColor textColour() const { return colour_; }
    // The colour the line shows now (message, flash or tool tip).
    QColor shownColour() const { return painted_; }
    qint64 showStatusTextUntil() const { return until_; }
    // 0 idle, 1 cleared, else when a tool tip that went is to be cleared.
    qint64 showTooltipUntil() const { return tooltipUntil_; }
    int flashStepsLeft() const { return flash_; }

private:
    void show(const QString& text, const QColor& colour, qint64 lifeMs);
    void paint(const QColor& colour);
    void followToolTip(qint64 nowMs, InfoBarSender sender, const ToolTipWindowProtocol* window);

    QColor colour_;
    QColor painted_;
    qint64 until_ = 0;
    qint64 tooltipUntil_ = 0;
    int flash_ = 0;
    bool isWarning_ = false;
    bool firstUpdate_ = true;
};
