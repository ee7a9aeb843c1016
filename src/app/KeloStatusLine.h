#pragma once

#include <QColor>
#include <QLabel>

// The status line at the foot of the main window. Warnings show yellow and
// errors red, both flashing orange for ten ticks; a plain message expires
// after 5 s, a coloured one after 10 s, an empty one at once.
// showStatusText may be called from any thread; the rest is main thread only.
class KeloStatusLine : public QLabel {
public:
    static constexpr int kFlashSteps = 10;
    static constexpr qint64 kPlainMs = 5000;
    static constexpr qint64 kColouredMs = 10000;

    explicit KeloStatusLine(QWidget* parent = nullptr);

    void showStatusText(const QString& text);
    // Shown in `color`; a text that begins with "Warning" or holds "Error" flashes.
    void showStatusText(const QString& text, const QColor& color);
    // The tick's step: flashing and expiry, `nowMs` in ms since 1970.
    void updateInfoBar(qint64 nowMs);

    QColor textColour() const { return colour_; }
    qint64 showStatusTextUntil() const { return until_; }
    int flashStepsLeft() const { return flash_; }

private:
    void show(const QString& text, const QColor& colour, qint64 lifeMs);
    void paint(const QColor& colour);

    QColor colour_;
    qint64 until_ = 0;
    int flash_ = 0;
    bool isWarning_ = false;
};
