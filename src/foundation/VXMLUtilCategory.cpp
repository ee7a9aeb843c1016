#include "foundation/VXMLUtilCategory.h"

#include <QRegularExpression>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// The leading integer as the platform's text reading gives it: blanks, a
// sign and digits; saturating; 0 when there is none.
int leadingInt(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*([+-]?)(\d+))"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return 0;
    bool ok = false;
    const qlonglong value = match.captured(1).append(match.captured(2)).toLongLong(&ok);
    if (!ok) return match.captured(1) == QLatin1String("-") ? INT_MIN : INT_MAX;
    return static_cast<int>(std::clamp<qlonglong>(value, INT_MIN, INT_MAX));
}

// The leading decimal number (with fraction and exponent); 0 when none.
float leadingFloat(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?))"));
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? match.captured(1).toFloat() : 0.0f;
}

// The text that holds the value: the attribute, else the first child element.
bool valueText(const QDomElement& element, const QString& name, QString& text) {
    if (element.hasAttribute(name)) {
        text = element.attribute(name);
        return true;
    }
    const QDomElement child = element.firstChildElement(name);
    if (child.isNull()) return false;
    text = child.text();
    return true;
}

}  // namespace

QString childString(const QDomElement& element, const QString& name) {
    return element.attribute(name, QStringLiteral(""));
}

void childString(const QDomElement& element, const QString& name, char* buffer, size_t maxBytes) {
    if (!buffer || maxBytes == 0) return;
    buffer[0] = '\0';
    buffer[maxBytes - 1] = '\0';
    if (!element.hasAttribute(name)) return;
    const QString text = element.attribute(name);
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) return;
    const QByteArray bytes = text.toLatin1();
    const size_t count = std::min(static_cast<size_t>(bytes.size()), maxBytes - 1);
    std::memcpy(buffer, bytes.constData(), count);
    buffer[count] = '\0';
}

int childIntValue(const QDomElement& element, const QString& name, int fallback) {
    QString text;
    return valueText(element, name, text) ? leadingInt(text) : fallback;
}

float childFloatValue(const QDomElement& element, const QString& name, float fallback) {
    QString text;
    return valueText(element, name, text) ? leadingFloat(text) : fallback;
}

bool elementExists(const QDomElement& element, const QString& name) {
    return !element.firstChildElement(name).isNull();
}

bool attributeExists(const QDomElement& element, const QString& name) {
    return element.hasAttribute(name);
}

QDomElement elementForName(const QDomElement& element, const QString& name) {
    return element.firstChildElement(name);
}
