#include "app/KeloStatusLine.h"

#include "hud/theme/VNSColorCategory.h"
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
    setStyleSheet(QString("color: %1; background: transparent;").arg(colour.name()));
}

void KeloStatusLine::updateInfoBar(qint64 nowMs) {
    if (flash_ > 0) --flash_;
    if (until_ != 0 && nowMs > until_) {
        until_ = 0;
        flash_ = 0;
        clear();
        return;
    }
    if (flash_ > 0)
        paint(flash_ % 2 == 0 ? kFlashColour : colour_);
    else if (until_ != 0)
        paint(colour_);
}
