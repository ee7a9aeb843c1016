#include "platform/AttributedString.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

// Wide enough for any single line we draw, small enough for QTextLayout's
// fixed-point arithmetic.
constexpr qreal kUnlimitedWidth = 1.0e6;

// QTextLayout breaks lines only at U+2028; a "\r\n" pair keeps one break
// with a zero-width space so that the indices of the runs stay valid.
QString layoutText(const QString& text) {
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const QChar c = result.at(i);
        if (c == QLatin1Char('\r') && i + 1 < result.size() &&
            result.at(i + 1) == QLatin1Char('\n'))
            result[i] = QChar(0x200B);
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            result[i] = QChar::LineSeparator;
    }
    return result;
}

QFont fontFor(const TextAttributes& attributes) {
    const QFont font = attributes.font.value_or(AttributedString::defaultFont());
    return attributes.expansion ? AttributedString::expandedFont(font, *attributes.expansion)
                                : font;
}

QTextCharFormat formatFor(const TextAttributes& attributes) {
    QTextCharFormat format;
    format.setFont(fontFor(attributes));
    format.setForeground(attributes.foreground.value_or(QColor(Qt::black)));
    if (attributes.background) format.setBackground(*attributes.background);
    return format;
}

QTextOption::WrapMode wrapModeFor(LineBreakMode mode) {
    switch (mode) {
        case LineBreakMode::WordWrap:
            return QTextOption::WrapAtWordBoundaryOrAnywhere;
        case LineBreakMode::CharWrap:
            return QTextOption::WrapAnywhere;
        default:
            return QTextOption::NoWrap;
    }
}

// Lays the text out in lines of `width` (or unlimited) one under the other
// and returns the bounds of the lines' natural widths.
QRectF layOut(QTextLayout& layout, const AttributedString& text, QTextOption::WrapMode wrap,
              qreal width) {
    layout.setText(layoutText(text.string()));
    layout.setFont(AttributedString::defaultFont());
    QList<QTextLayout::FormatRange> formats;
    for (const AttributedString::Run& run : text.runs())
        formats.append({run.start, run.length, formatFor(run.attributes)});
    layout.setFormats(formats);
    QTextOption option;
    option.setWrapMode(wrap);
    layout.setTextOption(option);

    qreal y = 0;
    qreal widest = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max<qreal>(width, 0));
        line.setPosition(QPointF(0, y));
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return QRectF(0, 0, widest, y);
}

AttributedString truncated(const AttributedString& text, qreal width, LineBreakMode mode) {
    if (text.size().width() <= width) return text;
    const Qt::TextElideMode elide = mode == LineBreakMode::TruncateHead   ? Qt::ElideLeft
                                    : mode == LineBreakMode::TruncateTail ? Qt::ElideRight
                                                                          : Qt::ElideMiddle;
    const QString& whole = text.string();
    const QString elided =
        QFontMetricsF(fontFor(text.attributesAt(0))).elidedText(whole, elide, width);
    // Find which head and tail of the text the metrics kept round the ellipsis,
    // so that the kept characters keep their own attributes.
    for (int at = 0; at < elided.size(); ++at) {
        if (elided.at(at) != QChar(0x2026)) continue;
        const int head = at;
        const int tail = static_cast<int>(elided.size()) - at - 1;
        if (head + tail >= text.length()) continue;
        if (!whole.startsWith(elided.left(head)) || !whole.endsWith(elided.mid(at + 1))) continue;
        AttributedString result = text.mid(0, head);
        result.append(AttributedString(QString(QChar(0x2026)), text.attributesAt(head)));
        result.append(text.mid(text.length() - tail, tail));
        return result;
    }
    return text;
}

}  // namespace

AttributedString::AttributedString(const QString& text, const TextAttributes& attributes)
    : text_(text) {
    if (!text_.isEmpty()) runs_.append({0, length(), attributes});
}

TextAttributes AttributedString::attributesAt(int index) const {
    if (runs_.isEmpty()) return {};
    index = std::clamp(index, 0, length() - 1);
    for (const Run& run : runs_)
        if (index < run.start + run.length) return run.attributes;
    return runs_.last().attributes;
}

void AttributedString::modifyAttributes(TextRange range,
                                        const std::function<void(TextAttributes&)>& change) {
    const int start = std::clamp(range.location, 0, length());
    const int end = std::clamp(range.location + std::max(range.length, 0), start, length());
    if (start == end) return;
    QList<Run> result;
    for (const Run& run : runs_) {
        const int runEnd = run.start + run.length;
        const int cuts[4] = {run.start, std::clamp(start, run.start, runEnd),
                             std::clamp(end, run.start, runEnd), runEnd};
        for (int piece = 0; piece < 3; ++piece) {
            if (cuts[piece] == cuts[piece + 1]) continue;
            Run part{cuts[piece], cuts[piece + 1] - cuts[piece], run.attributes};
            if (piece == 1) change(part.attributes);
            result.append(part);
        }
    }
    runs_ = result;
    normalise();
}

void AttributedString::append(const AttributedString& other) {
    const int offset = length();
    text_ += other.text_;
    for (Run run : other.runs_) {
        run.start += offset;
        runs_.append(run);
    }
    normalise();
}

AttributedString AttributedString::mid(int start, int count) const {
    start = std::clamp(start, 0, length());
    const int end = std::clamp(start + std::max(count, 0), start, length());
    AttributedString result;
    result.text_ = text_.mid(start, end - start);
    for (const Run& run : runs_) {
        const int from = std::max(run.start, start);
        const int to = std::min(run.start + run.length, end);
        if (from < to) result.runs_.append({from - start, to - from, run.attributes});
    }
    return result;
}

QSizeF AttributedString::size() const {
    if (isEmpty()) return {};
    QTextLayout layout;
    return layOut(layout, *this, QTextOption::NoWrap, kUnlimitedWidth).size();
}

QRectF AttributedString::boundingRectWithWidth(qreal width) const {
    if (isEmpty()) return {};
    QTextLayout layout;
    return layOut(layout, *this, QTextOption::WrapAtWordBoundaryOrAnywhere, width);
}

void AttributedString::draw(QPainter& painter, const QRectF& rect) const {
    if (isEmpty() || rect.width() <= 0 || rect.height() <= 0) return;
    const LineBreakMode mode = attributesAt(0).lineBreakMode.value_or(LineBreakMode::WordWrap);
    const QTextOption::WrapMode wrap = wrapModeFor(mode);
    const bool truncating = mode == LineBreakMode::TruncateHead ||
                            mode == LineBreakMode::TruncateTail ||
                            mode == LineBreakMode::TruncateMiddle;
    const AttributedString shown = truncating ? truncated(*this, rect.width(), mode) : *this;

    QTextLayout layout;
    layOut(layout, shown, wrap, wrap == QTextOption::NoWrap ? kUnlimitedWidth : rect.width());
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        // Lines that do not fit are left out, but the first one is always drawn.
        if (i > 0 && line.y() + line.height() > rect.height()) break;
        line.draw(&painter, rect.topLeft());
    }
    painter.restore();
}

QFont AttributedString::defaultFont() {
    QFont font = qGuiApp ? QGuiApplication::font() : QFont();
    font.setPixelSize(12);
    return font;
}

QFont AttributedString::expandedFont(const QFont& font, double expansion) {
    QFont result = font;
    const double percent = std::round(100.0 * std::exp(expansion));
    result.setStretch(static_cast<int>(std::clamp(percent, 1.0, 4000.0)));
    return result;
}

void AttributedString::normalise() {
    QList<Run> merged;
    for (const Run& run : runs_) {
        if (run.length <= 0) continue;
        if (!merged.isEmpty() && merged.last().attributes == run.attributes)
            merged.last().length += run.length;
        else
            merged.append(run);
    }
    runs_ = merged;
}
