#include "foundation/VNSStringUtilCategory.h"

#include "foundation/NSStringHash.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QStringDecoder>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

// The high half of Mac Roman; the low half is ASCII.
constexpr char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isLatinLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

// Leading blanks, an optional sign and decimal digits; saturates like the
// platform's integer reading.
int64_t scanLongLong(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    uint64_t magnitude = 0;
    const uint64_t limit = negative ? uint64_t(LLONG_MAX) + 1 : uint64_t(LLONG_MAX);
    for (; i < text.size() && isAsciiDigit(text.at(i)); ++i) {
        const unsigned digit = text.at(i).unicode() - u'0';
        // Checked before the multiply: twenty digits can wrap past 2^64.
        if (magnitude > (limit - digit) / 10) {
            magnitude = limit;
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    if (negative) return magnitude == uint64_t(LLONG_MAX) + 1 ? LLONG_MIN : -int64_t(magnitude);
    return int64_t(magnitude);
}

QString keepCharacters(const QString& text, const QString& extra) {
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (isAsciiDigit(c) || isLatinLetter(c) || c == QLatin1Char('+') || c == QLatin1Char('-') ||
            extra.contains(c))
            result += c.toLower();
    }
    return result;
}

QString deletingLastPathComponent(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return QString();
    if (slash == 0) return QStringLiteral("/");
    p.truncate(slash);
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) p.chop(1);
    return p;
}

// The extension of the last path component; none for a leading dot.
QString pathExtension(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1) return QString();
    return path.mid(dot + 1);
}

const NSStringHash& mediaExtensions() {
    static const NSStringHash set = NSStringHash::stringHashWithArray(
        {"mov", "mp4", "jpg", "jpeg", "KlE", "png", "tif", "tiff", "dgob", "vle", "svg", "svge",
         "txfx", "txtx", "txlk", "kllk", "vign"});
    return set;
}

bool isLowerVowel(QChar c) {
    return QStringView(u"aeiou").contains(c);
}

bool isConsonant(QChar c) {
    return isLatinLetter(c) && !isLowerVowel(c);
}

// Drops vowels inside words, last first, until the text is shorter than
// `length` or no more can go.
void removeVowels(QString& text, int length) {
    qsizetype searchEnd = text.size();
    while (text.size() >= length) {
        qsizetype at = searchEnd - 1;
        while (at >= 0 && !isLowerVowel(text.at(at))) --at;
        if (at <= 0) return;
        searchEnd = at - 1;
        const QChar before = text.at(at - 1);
        const bool hasAfter = at + 1 < text.size();
        if (isConsonant(before) && before != QLatin1Char('l') && hasAfter &&
            isConsonant(text.at(at + 1))) {
            const bool letterTwoAfter = at + 2 < text.size() && text.at(at + 2).isLetter();
            if (!letterTwoAfter && at < 2) return;
            if (letterTwoAfter || text.at(at - 2).isLetter()) text.remove(at, 1);
        }
        if (at <= 2) return;
    }
}

QColor shadowColor() {
    return QColor::fromRgbF(0.0f, 0.0f, 0.0f, 0.8f);
}

AttributedString withForeground(const AttributedString& text, const QColor& color) {
    AttributedString copy = text;
    setColor(copy, color);
    return copy;
}

}  // namespace

bool DoubleEquals(double a, double b) {
    return std::fabs(a - b) < 0.000001;
}

QString stringFromIPAddress(uint32_t address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

uint32_t ipAddress(const QString& text) {
    QString dotted = text;
    if (dotted.startsWith(QLatin1String("http://"))) dotted.remove(0, 7);
    const QStringList parts = dotted.split(QLatin1Char('.'));
    if (parts.size() != 4) return 0;
    uint32_t address = 0;
    for (const QString& part : parts) {
        const int64_t value = scanLongLong(part);
        // An octet out of range would spill into its neighbour.
        if (value < 0 || value > 255) return 0;
        address = (address << 8) | uint32_t(value);
    }
    return address;
}

QString stringFromMACAddress(const uint8_t mac[6]) {
    QStringList parts;
    for (int i = 0; i < 6; ++i) parts << QString::number(mac[i], 16);
    return parts.join(QLatin1Char('.'));
}

uint64_t nsUIntegerValue(const QString& text) {
    return uint64_t(scanLongLong(text));
}

uint64_t unsignedLongLongValue(const QString& text) {
    return uint64_t(scanLongLong(text));
}

uint64_t unsignedIntegerValue(const QString& text) {
    return uint64_t(scanLongLong(text));
}

QString ordinalNumberFormat(int number) {
    const long long magnitude = std::llabs(static_cast<long long>(number));
    const char* suffix = "th";
    if ((magnitude / 10) % 10 != 1) {
        switch (magnitude % 10) {
            case 1:
                suffix = "st";
                break;
            case 2:
                suffix = "nd";
                break;
            case 3:
                suffix = "rd";
                break;
            default:
                break;
        }
    }
    return QString::number(number) + QLatin1String(suffix);
}

QString oscLowercaseString(const QString& text) {
    return keepCharacters(text, QString());
}

QString oscRegexString(const QString& text) {
    return keepCharacters(text, QStringLiteral("*?[]{}"));
}

QStringList componentsSeparatedBySeriesOfCharactersFromSet(const QString& text,
                                                           const QString& separators) {
    QStringList parts;
    QString current;
    qsizetype i = 0;
    while (i < text.size()) {
        if (separators.contains(text.at(i))) {
            parts << current;
            current.clear();
            while (i < text.size() && separators.contains(text.at(i))) ++i;
        } else {
            current += text.at(i++);
        }
    }
    parts << current;
    return parts;
}

QString stringByRemovingCharactersInSet(const QString& text, const QString& characters) {
    QString result;
    result.reserve(text.size());
    for (QChar c : text)
        if (!characters.contains(c)) result += c;
    return result;
}

QStringList wordArray(const QString& text) {
    static const QString blanks = QStringLiteral(" \t\n\r\v\f");
    QStringList words;
    for (const QString& part : componentsSeparatedBySeriesOfCharactersFromSet(text, blanks))
        if (!part.isEmpty()) words << part;
    return words;
}

QStringList paragraphArray(const QString& text) {
    QStringList paragraphs;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator) {
            paragraphs << text.mid(start, i - start);
            const bool crlf = c == QLatin1Char('\r') && i + 1 < text.size() &&
                              text.at(i + 1) == QLatin1Char('\n');
            i += crlf ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) paragraphs << text.mid(start);
    return paragraphs;
}

QString stringWithCStringBestMatch(const char* text) {
    if (!text) return QString();
    const QByteArray bytes(text);
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString decoded = utf8.decode(bytes);
    if (!utf8.hasError()) return decoded;
    QString roman;
    roman.reserve(bytes.size());
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        roman += QChar(b < 0x80 ? char16_t(b) : kMacRomanHigh[b - 0x80]);
    }
    return roman;
}

QString stringFromObject(const QVariant& object) {
    switch (object.typeId()) {
        case QMetaType::QString:
            return object.toString();
        case QMetaType::Bool:
            return object.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Float:
        case QMetaType::Double:
            return object.toString();
        default:
            break;
    }
    if (object.metaType() == QMetaType::fromType<AttributedString>())
        return object.value<AttributedString>().string();
    return QString();
}

QString numericPrefix(const QString& text) {
    qsizetype end = 0;
    while (end < text.size() && isAsciiDigit(text.at(end))) ++end;
    return end ? text.left(end) : QString();
}

QString validSubPath(const QString& path) {
    QString candidate = path;
    while (candidate.size() > 1) {
        if (QFileInfo::exists(candidate)) return candidate;
        candidate = deletingLastPathComponent(candidate);
    }
    return QStringLiteral("");
}

AttributedString redPathNotFoundString(const QString& path, const QColor& validColor) {
    static const QColor missingRed = QColor::fromRgbF(0.8f, 0.25f, 0.25f, 1.0f);
    AttributedString result(path);
    const int valid = static_cast<int>(validSubPath(path).size());
    if (valid > 0 && validColor.isValid())
        result.modifyAttributes({0, valid}, [&](TextAttributes& a) { a.foreground = validColor; });
    result.modifyAttributes({valid, result.length() - valid},
                            [&](TextAttributes& a) { a.foreground = missingRed; });
    return result;
}

QString stringWithPrecision(int maxDecimals, double value) {
    // Measured from the nearest whole number, not the floor: 2.3 * 10 is
    // 22.999999999999996 in binary and must still count as whole.
    const auto whole = [](double x) { return std::fabs(x - std::round(x)) < 0.000001; };
    int decimals = 3;
    if (maxDecimals <= 0 || whole(value))
        decimals = 0;
    else if (maxDecimals == 1 || whole(value * 10))
        decimals = 1;
    else if (maxDecimals == 2 || whole(value * 100))
        decimals = 2;
    return QString::asprintf("%.*f", decimals, value);
}

QString trimToLength(const QString& text, int length) {
    if (text.contains(QLatin1Char('\n'))) {
        QStringList lines = text.split(QLatin1Char('\n'));
        for (QString& line : lines) line = trimToLength(line, length);
        return lines.join(QLatin1Char('\n'));
    }
    if (text.size() < length) return text;

    QString result = text;
    for (;;) {
        const QString extension = pathExtension(result);
        if (extension.isEmpty() || extension.size() > 4 || !mediaExtensions().contains(extension))
            break;
        result.chop(extension.size() + 1);
        if (result.size() < length) return result;
    }
    result.replace(QLatin1String("through"), QLatin1String("thru"), Qt::CaseInsensitive);
    result.replace(QLatin1String("etwork"), QLatin1String("et"), Qt::CaseInsensitive);
    removeVowels(result, length);
    return result;
}

QFont systemFont() {
    return systemFontOfSize(13);
}

QFont systemFontOfSize(qreal pixelSize) {
    QFont font = qGuiApp ? QGuiApplication::font() : QFont();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    return font;
}

TextAttributes redAttr() {
    static const TextAttributes attributes{.foreground = QColor(Qt::red)};
    return attributes;
}

TextAttributes whiteAttr() {
    static const TextAttributes attributes{.foreground = QColor(Qt::white)};
    return attributes;
}

TextAttributes blackBackgroundAttr() {
    static const TextAttributes attributes{.background = QColor(Qt::black)};
    return attributes;
}

TextRange fullRange(const QString& text) {
    return {0, static_cast<int>(text.size())};
}

TextRange fullRange(const AttributedString& text) {
    return {0, text.length()};
}

AttributedString redString(const QString& text) {
    return AttributedString(text, redAttr());
}

AttributedString redString(const AttributedString& text) {
    return withForeground(text, QColor(Qt::red));
}

AttributedString whiteString(const QString& text) {
    return AttributedString(text, whiteAttr());
}

AttributedString whiteString(const AttributedString& text) {
    return withForeground(text, QColor(Qt::white));
}

AttributedString whiteOnBlackString(const QString& text) {
    return AttributedString(text,
                            {.foreground = QColor(Qt::white), .background = QColor(Qt::black)});
}

AttributedString attrStringWithColor(const QString& text, const QColor& color) {
    static const QFont font = systemFont();
    return AttributedString(
        text, {.foreground = color, .font = font, .lineBreakMode = LineBreakMode::TruncateMiddle});
}

AttributedString attrStringWithColor(const QString& text, const QColor& color, qreal fontSize) {
    return AttributedString(text, {.foreground = color,
                                   .font = systemFontOfSize(fontSize),
                                   .lineBreakMode = LineBreakMode::TruncateMiddle});
}

AttributedString attrStringWithAttributes(const QString& text, const TextAttributes& attributes) {
    return AttributedString(text, attributes);
}

qreal heightForWidth(const QString& text, qreal width, const TextAttributes& attributes) {
    return heightForWidth(AttributedString(text, attributes), width);
}

qreal heightForWidth(const AttributedString& text, qreal width) {
    if (text.isEmpty()) return 0;
    const QRectF bounds = text.boundingRectWithWidth(width);
    return bounds.y() + bounds.height();
}

std::optional<QFont> font(const AttributedString& text) {
    return text.isEmpty() ? std::nullopt : text.attributesAt(0).font;
}

std::optional<QColor> color(const AttributedString& text) {
    return text.isEmpty() ? std::nullopt : text.attributesAt(0).foreground;
}

void setColor(AttributedString& text, const QColor& color) {
    text.modifyAttributes(fullRange(text), [&](TextAttributes& a) {
        a.foreground = color.isValid() ? std::optional<QColor>(color) : std::nullopt;
    });
}

void setBackgroundColor(AttributedString& text, const QColor& color) {
    text.modifyAttributes(fullRange(text), [&](TextAttributes& a) {
        a.background = color.isValid() ? std::optional<QColor>(color) : std::nullopt;
    });
}

void setFont(AttributedString& text, const std::optional<QFont>& font) {
    text.modifyAttributes(fullRange(text), [&](TextAttributes& a) { a.font = font; });
}

void setFontSize(AttributedString& text, qreal size) {
    if (size >= 1 && size < 100)
        setFont(text, systemFontOfSize(std::trunc(size)));
    else
        setFont(text, std::nullopt);
}

void setLineBreakModeMiddle(AttributedString& text) {
    setLineBreakMode(text, LineBreakMode::TruncateMiddle);
}

void setLineBreakMode(AttributedString& text, LineBreakMode mode) {
    text.modifyAttributes(fullRange(text), [&](TextAttributes& a) { a.lineBreakMode = mode; });
}

void setExpansion(AttributedString& text, double expansion) {
    text.modifyAttributes(fullRange(text), [&](TextAttributes& a) { a.expansion = expansion; });
}

void drawInRectEngraved(const AttributedString& text, QPainter& painter, const QRectF& rect) {
    const AttributedString shadow = withForeground(text, shadowColor());
    // The shadow lies below the text: positive y is down here.
    shadow.draw(painter, rect.translated(-0.5, 0.25));
    shadow.draw(painter, rect.translated(0.0, 1.0));
    text.draw(painter, rect);
}

void drawInRectEmbossed(const AttributedString& text, QPainter& painter, const QRectF& rect,
                        bool flipped) {
    static const QColor embossColor = QColor::fromRgbF(25 / 255.0f, 25 / 255.0f, 25 / 255.0f, 0.8f);
    const bool tall = rect.height() > 13;
    const qreal dx = tall ? 1.0 : 0.6;
    qreal dy = tall ? 1.0 : 0.5;
    if (!flipped) dy = -dy;
    const AttributedString copy = withForeground(text, embossColor);
    copy.draw(painter, rect.translated(dx, 2 * dy));
    copy.draw(painter, rect.translated(2 * dx, dy));
    text.draw(painter, rect);
}

AttributedString shrinkToWidth(const AttributedString& text, qreal width, QSizeF initialSize) {
    const QSizeF size = initialSize.isEmpty() ? text.size() : initialSize;
    const double ratio = width / size.width();
    if (!(ratio < 1.08)) return text;
    const double lowerBound = size.height() < 20 ? -0.2 : -0.4;
    AttributedString copy = text;
    setExpansion(copy, std::max(lowerBound, ratio - 1.08));
    return copy;
}

AttributedString shrinkAndTrimToWidth(const AttributedString& text, qreal width,
                                      QSizeF initialSize) {
    const QSizeF size = initialSize.isEmpty() ? text.size() : initialSize;
    const double ratio = width / size.width();
    if (!(ratio < 1.08)) return text;
    double expansion = ratio - 1.08;
    const bool small = size.height() < 20;
    const double lowerBound = small ? -0.22 : -0.4;
    if (small && expansion > -0.27 && expansion < -0.22) expansion = -0.22;

    AttributedString copy = text;
    if (expansion < lowerBound) {
        const int length =
            static_cast<int>(std::max(0.7, expansion + 1.0) * static_cast<double>(copy.length()));
        copy = AttributedString(trimToLength(copy.string(), length), copy.attributesAt(0));
        // A text that got much shorter is not stretched wider than it is.
        expansion = std::min(0.0, std::max(lowerBound, width / copy.size().width() - 1.08));
    }
    setExpansion(copy, expansion);
    return copy;
}
