#include "hud/controls/VEditableTextField.h"

#include "foundation/OmLog.h"
#include "foundation/VNSStringUtilCategory.h"
#include "hud/controls/VEditableTextDelegate.h"
#include "hud/theme/HUDTheme.h"
#include "hud/theme/VNSColorCategory.h"
#include "hud/windows/HUDThemeKeloWindow.h"
#include "hud/windows/KlLogUI.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMetaMethod>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <charconv>
#include <cmath>
#include <limits>

namespace {

// The current locale's decimal-style grouping separator; both false until
// grokLocale() has run.
bool gLocaleCommaGroupingSeparator = false;
bool gLocalePeriodGroupingSeparator = false;
bool gLocaleGrokked = false;

// The longest leading number of a piece of digits, points and minus signs,
// "." being the decimal point; 0 when there is none.
double leadingNumber(const QString& piece) {
    const QByteArray bytes = piece.toLatin1();
    double value = 0;
    const auto result = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        return bytes.startsWith('-') ? -HUGE_VAL : HUGE_VAL;
    }
    return result.ec == std::errc() ? value : 0.0;
}

bool onlyCharacters(const QString& text, const QString& allowed) {
    for (QChar c : text) {
        if (!allowed.contains(c)) return false;
    }
    return true;
}

QString digitsAndPoints(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (QStringLiteral("01234567890.").contains(c)) out += c;
    }
    return out;
}

}  // namespace

VEditableTextField::VEditableTextField(QWidget* parent) : HUDTextField(parent) {
    editingAlignmentRect_ = QRectF(rect());
    setReadOnly(false);
    cell()->setEditable(true);
    cell()->setSelectable(true);
    cell()->setFocusRingType(kFocusRingTypeNone);
    setFocusPolicy(Qt::ClickFocus);
    connect(this, &QLineEdit::returnPressed, this,
            [this] { VEditableTextDelegate::doCommand(this, VEditableTextDelegate::kReturn); });
}

VEditableTextField::~VEditableTextField() = default;

void VEditableTextField::setEditingAlignmentRect(const QRectF& rect) {
    editingAlignmentRect_ = rect;
    editingRectSet_ = true;
    update();
}

void VEditableTextField::setDrawsBorder(bool on) {
    drawsBorder_ = on;
    update();
}

void VEditableTextField::setIsSettingUpFieldEditor(bool on) {
    if (on) {
        isEditing_ = true;
    } else {
        selectAll();
    }
    isSettingUpFieldEditor_ = on;
}

void VEditableTextField::abortEditing() {
    clearFocus();
    isEditing_ = false;
    if (!isSettingUpFieldEditor_ && delegate_) delegate_->keyFocusEnding(this);
}

void VEditableTextField::setAllowsCustomValueScrolling(bool on) {
    allowsCustomValueScrolling_ = on;
    resetCursor();
}

void VEditableTextField::resetCursor() {
    setCursor(allowsCustomValueScrolling_ ? Qt::SizeVerCursor : Qt::IBeamCursor);
}

void VEditableTextField::grokLocale() {
    const QString group = QLocale().groupSeparator();
    gLocaleCommaGroupingSeparator = group == QStringLiteral(",");
    gLocalePeriodGroupingSeparator = group == QStringLiteral(".");
    gLocaleGrokked = true;
}

QString VEditableTextField::applyArithmetic(const QString& text) {
    if (!gLocaleGrokked) grokLocale();
    QString work = text;
    work.remove(QLatin1Char(' '));
    if (gLocaleCommaGroupingSeparator) work.remove(QLatin1Char(','));
    if (gLocalePeriodGroupingSeparator) work.remove(QLatin1Char('.'));

    QChar op;
    for (QChar candidate : {u'^', u'*', u'/', u'+', u'-'}) {
        if (work.contains(candidate)) {
            op = candidate;
            break;
        }
    }
    if (op.isNull()) return text;
    const QStringList pieces = work.split(op);
    if (pieces.size() > 2) return text;
    const QString allowed = gLocalePeriodGroupingSeparator ? QStringLiteral("0123456789,-")
                                                           : QStringLiteral("0123456789.-");
    double operands[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        QString piece = pieces.value(i);
        if (!onlyCharacters(piece, allowed)) return text;
        // Where "." groups, "," is the decimal point.
        if (gLocalePeriodGroupingSeparator) piece.replace(QLatin1Char(','), QLatin1Char('.'));
        operands[i] = leadingNumber(piece);
    }
    double result = 0;
    switch (op.unicode()) {
        case u'^':
            result = std::pow(operands[0], operands[1]);
            break;
        case u'*':
            result = operands[0] * operands[1];
            break;
        case u'/':
            result = operands[1] == 0 ? 0.0 : operands[0] / operands[1];
            break;
        case u'+':
            result = operands[0] + operands[1];
            break;
        default:
            result = operands[0] - operands[1];
            break;
    }
    // "nan" or "inf" would only replace the operator's text with garbage.
    if (!std::isfinite(result)) return text;
    if (result >= std::numeric_limits<int32_t>::min() &&
        result <= std::numeric_limits<int32_t>::max() && result == std::trunc(result)) {
        return QString::number(int32_t(result));
    }
    return QString::asprintf("%f", result);
}

void VEditableTextField::textViewArithmetic() {
    const QString typed = text();
    QString result = applyArithmetic(typed);
    if (result == typed) return;
    if (arithmeticPrecisionDigits_ != 0) {
        result = stringWithPrecision(arithmeticPrecisionDigits_, float(result.toDouble()));
    }
    if (delegate_) {
        if (KlLogUI* panel = delegate_->klLogUI()) {
            panel->log(QStringLiteral("textViewArithmetic: %1 = %2").arg(typed, result));
        }
    }
    setStringValue(result);
}

bool VEditableTextField::parseOnDemand(double* value) {
    QLocale locale;
    bool ok = false;
    const QString typed = text();
    *value = locale.toDouble(typed, &ok);
    if (!ok && locale.groupSeparator() == QStringLiteral(",") && typed.contains(u',')) {
        // Commas in the wrong places still group: read the digits alone.
        *value = locale.toDouble(digitsAndPoints(typed), &ok);
    }
    if (!ok || !std::isfinite(*value)) {
        onDemandFormatterFailed_ = true;
        OmLogSystem("VEditableTextField usesOnDemandFormatter returned nil, locale is %s\n",
                    qPrintable(locale.name()));
        *value = 0;
        return false;
    }
    return true;
}

bool VEditableTextField::sendAction() {
    const bool listened = isSignalConnected(QMetaMethod::fromSignal(&VEditableTextField::action));
    if (listened && usesArithmetic_) textViewArithmetic();
    if (usesOnDemandFormatter_ && !validator()) {
        double value = 0;
        if (parseOnDemand(&value)) {
            const QString canonical =
                QLocale().toString(value, 'g', QLocale::FloatingPointShortest);
            if (canonical != text()) setStringValue(canonical);
        }
    }
    emit action();
    onDemandFormatterFailed_ = false;
    return listened;
}

float VEditableTextField::onDemandFloatValue() {
    double value = 0;
    parseOnDemand(&value);
    return float(value);
}

int32_t VEditableTextField::intValue() {
    if (usesOnDemandFormatter_) {
        const double value = onDemandFloatValue();
        return std::isfinite(value) && std::abs(value) < 2147483648.0 ? int32_t(value) : 0;
    }
    return int32_t(std::clamp<int64_t>(integerValue(), std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

int64_t VEditableTextField::integerValue() {
    if (usesOnDemandFormatter_) return int64_t(onDemandFloatValue());
    // The leading integer, as the platform's value reading does.
    const QString t = text().trimmed();
    int end = 0;
    if (end < t.size() && (t[end] == u'-' || t[end] == u'+')) ++end;
    while (end < t.size() && t[end].isDigit() && end < 20) ++end;
    bool ok = false;
    const qlonglong value = t.left(end).toLongLong(&ok);
    return ok ? value : 0;
}

void VEditableTextField::setIntValue(int32_t value) {
    setStringValue(QString::number(value));
}

void VEditableTextField::set10thsPrecisionWithFloat(double value) {
    setAttributedStringValue(std::nullopt);
    const QString shown = stringWithPrecision(1, value);
    setStringValue(shown);
    if (value == std::trunc(value)) return;
    AttributedString coloured = attrStringWithColor(shown, toolTipColor());
    if (value > 1000.0) coloured = shrinkToWidth(coloured, width(), QSizeF());
    setAttributedStringValue(coloured);
}

double VEditableTextField::visibleWidth() const {
    QRect visible = rect();
    QPoint offset;
    for (const QWidget* w = this; w->parentWidget() && !w->isWindow(); w = w->parentWidget()) {
        offset += w->pos();
        visible &= w->parentWidget()->rect().translated(-offset);
    }
    return visible.isValid() ? visible.width() : 0.0;
}

bool VEditableTextField::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            const int type = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier)
                                 ? VEditableTextDelegate::kBacktab
                                 : VEditableTextDelegate::kTab;
            VEditableTextDelegate::doCommand(this, type);
            return true;
        }
    }
    return HUDTextField::event(event);
}

void VEditableTextField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        VEditableTextDelegate::doCommand(this, VEditableTextDelegate::kEsc);
        return;
    }
    if (event->key() == Qt::Key_Backspace) VEditableTextDelegate::noteDeleteBackward(this);
    HUDTextField::keyPressEvent(event);
}

void VEditableTextField::mousePressEvent(QMouseEvent* event) {
    if (isEditing_) {
        HUDTextField::mousePressEvent(event);
        return;
    }
    isSettingUpFieldEditor_ = true;
    isEditing_ = true;
    HUDTextField::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
    setIsSettingUpFieldEditor(false);
}

void VEditableTextField::focusInEvent(QFocusEvent* event) {
    // Each edit starts with an empty undo history.
    const QString current = text();
    QLineEdit::setText(current);
    isEditing_ = true;
    if (delegate_) delegate_->rememberKeyFocus(this);
    HUDTextField::focusInEvent(event);
}

void VEditableTextField::focusOutEvent(QFocusEvent* event) {
    HUDTextField::focusOutEvent(event);
    if (!isSettingUpFieldEditor_) isEditing_ = false;
}

void VEditableTextField::wheelEvent(QWheelEvent* event) {
    if (!allowsCustomValueScrolling_) {
        HUDTextField::wheelEvent(event);
        return;
    }
    update();
    event->accept();
    const double delta = event->pixelDelta().y();
    const bool precise = !event->pixelDelta().isNull();
    if (delta == 0 || !(event->modifiers() & Qt::ControlModifier) ||
        event->phase() == Qt::ScrollMomentum || !precise) {
        return;
    }
    double divisor = 10.0;
    if (event->modifiers() & Qt::ShiftModifier) {
        divisor = 2.5;
    } else if (event->modifiers() & Qt::AltModifier) {
        divisor = 40.0;
    }
    const double value = intValue() + delta * visibleWidth() / divisor;
    setIntValue(int32_t(std::clamp(std::trunc(value), -2147483648.0, 2147483647.0)));
    sendAction();
}

void VEditableTextField::resizeEvent(QResizeEvent* event) {
    HUDTextField::resizeEvent(event);
    if (!editingRectSet_) editingAlignmentRect_ = QRectF(rect());
}

void VEditableTextField::paintEvent(QPaintEvent* event) {
    if (!drawsBorder_) {
        HUDTextField::paintEvent(event);
        return;
    }
    if (isEditing_ && hasFocus()) {
        QPainter painter(this);
        const QRectF b(rect());
        const QRectF frame(b.x(), editingAlignmentRect_.y() - 2, b.width(),
                           editingAlignmentRect_.height() + 4);
        painter.setClipRect(frame.adjusted(-1, -2, 1, 2));
        if (drawsBackground()) painter.fillRect(frame, backgroundColor());
        painter.setRenderHint(QPainter::Antialiasing);
        QColor yellow(Qt::yellow);
        yellow.setAlphaF(0.6);
        painter.setPen(QPen(yellow, 1));
        painter.drawRoundedRect(QRectF(frame.x(), frame.y(), frame.width() - 0.5, frame.height()),
                                3, 3);
        painter.end();
        // The line edit is its own field editor and draws the text.
        QLineEdit::paintEvent(event);
        return;
    }
    if (isEditing_) isEditing_ = false;
    waitIfNeeded(this);
    QPainter painter(this);
    const QRectF dirty(event->rect());
    if (drawsBackground()) painter.fillRect(dirty, backgroundColor());
    HUDTheme::drawTimelineControl(painter, QRectF(rect()), editingAlignmentRect_, 0);
    cell()->drawInteriorWithFrame(painter, dirty, this);
}
