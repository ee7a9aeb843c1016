#include "app/KeloStatusLine.h"

#include "hud/theme/VNSColorCategory.h"
#include "hud/windows/ToolTipWindowProtocol.h"
#include "platform/MainThread.h"

#include <QDateTime>
#include <QPointer>

namespace {
const QColor kWarningColour(Qt::yellow);
const QColor kErrorColour(Qt::red);
const QColor kFlashColour(255, 165, 0);
}  // namespace

KeloStatusLine::KeloStatusLine(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setAutoFillBackground(false);
}

void KeloStatusLine::showStatusText(const QString& text) {
    if (!MainThread::isMainThread()) {
        QPointer<KeloStatusLine> self(this);
        MainThread::runOnMain([self, text] {
            if (self) self->showStatusText(text);
        });
        return;
    }
    isWarning_ = false;
    flash_ = 0;
    QColor colour = defaultTextColor();
    if (text.contains("Warning", Qt::CaseInsensitive)) {
        colour = kWarningColour;
        isWarning_ = true;
        flash_ = kFlashSteps;
    } else if (text.contains("Error", Qt::CaseInsensitive)) {
        colour = kErrorColour;
        flash_ = kFlashSteps;
    }
    show(text, colour, kPlainMs);
}

void KeloStatusLine::showStatusText(const QString& text, const QColor& color) {
    if (!MainThread::isMainThread()) {
        QPointer<KeloStatusLine> self(this);
        MainThread::runOnMain([self, text, color] {
            if (self) self->showStatusText(text, color);
        });
        return;
    }
    isWarning_ = text.startsWith("Warning");
    flash_ = isWarning_ || text.contains("Error", Qt::CaseInsensitive) ? kFlashSteps : 0;
    show(text, color, kColouredMs);
}

void KeloStatusLine::show(const QString& text, const QColor& colour, qint64 lifeMs) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    until_ = text.isEmpty() ? now - 1 : now + lifeMs;
    colour_ = colour;
    setText(text);
    paint(colour);
}

void KeloStatusLine::paint(const QColor& colour) {
    // Restyling re-polishes the label: only when the colour changes.
    if (colour == painted_) return;
    painted_ = colour;
    setStyleSheet(QString("color: %1; background: transparent;").arg(colour.name()));
}

void KeloStatusLine::updateInfoBar(qint64 nowMs, InfoBarSender sender,
                                   const ToolTipWindowProtocol* window) {
    if (sender == InfoBarSender::Tick) {
        // Only the tick counts flash steps: the window calls on every pointer
        // move and would cut the flashing short.
        if (flash_ > 0) --flash_;
        bool refresh = firstUpdate_;
        firstUpdate_ = false;
        if (until_ != 0 && nowMs > until_) {
            until_ = 0;
            flash_ = 0;
            refresh = true;
        }
        if (flash_ > 0)
            paint(flash_ % 2 == 0 ? kFlashColour : colour_);
        else if (until_ != 0)
            paint(colour_);
        if (!refresh && tooltipUntil_ < 2) return;
    }
    followToolTip(nowMs, sender, window);
}

void KeloStatusLine::followToolTip(qint64 nowMs, InfoBarSender sender,
                                   const ToolTipWindowProtocol* window) {
    if (until_ != 0) return;  // a message has the line
    QColor colour;
    const QString tip = window ? window->toolTipInfo(&colour) : QString();
    if (!tip.isEmpty()) {
        tooltipUntil_ = 0;
        if (sender == InfoBarSender::Window && text() == tip) return;
        setText(tip);
        paint(colour.isValid() ? colour : toolTipColor());
        return;
    }
    if (sender == InfoBarSender::Window && tooltipUntil_ == 1) return;
    if (tooltipUntil_ < 2) {
        tooltipUntil_ = nowMs + kToolTipClearMs;
        return;
    }
    if (nowMs < tooltipUntil_) return;
    tooltipUntil_ = 1;
    clear();
}
