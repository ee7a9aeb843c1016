#include "pixelmap/PmValueCategory.h"

#include <cmath>
#include <limits>

namespace {

int32_t saturate(double value) {
    if (std::isnan(value)) return 0;
    if (value >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (value <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

int32_t saturate(qint64 value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

void flag(bool* wrongType) {
    if (wrongType) *wrongType = true;
}

// The longest prefix of the form [blanks][sign]digits[.digits][e[sign]digits].
double leadingDouble(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    const qsizetype begin = i;
    auto digits = [&] {
        const qsizetype from = i;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ++i;
        return i > from;
    };
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
    bool any = digits();
    if (i < text.size() && text[i] == u'.') {
        ++i;
        any = digits() || any;
    }
    if (!any) return 0.0;
    qsizetype end = i;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
        if (digits()) end = i;
    }
    const double value = text.mid(begin, end - begin).toDouble();
    return std::isfinite(value) ? value : 0.0;
}

}  // namespace

bool pmIsNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float: return true;
    default: return false;
    }
}

int32_t pmLeadingInt(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > qint64(1) << 32) value = qint64(1) << 32;
    }
    return saturate(negative ? -value : value);
}

int32_t pmIntValue(const QVariant& value, bool* wrongType) {
    if (!value.isValid()) return 0;
    switch (value.typeId()) {
    case QMetaType::Bool: return value.toBool() ? 1 : 0;
    case QMetaType::Double:
    case QMetaType::Float: return saturate(value.toDouble());
    case QMetaType::ULongLong: {
        const qulonglong v = value.toULongLong();
        return v > qulonglong(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                   : int32_t(v);
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong: return saturate(value.toLongLong());
    case QMetaType::QString: return pmLeadingInt(value.toString());
    default: flag(wrongType); return 0;
    }
}

double pmDoubleValue(const QVariant& value, bool* wrongType) {
    if (!value.isValid()) return 0.0;
    if (pmIsNumber(value)) {
        const double v = value.toDouble();
        return std::isfinite(v) ? v : 0.0;
    }
    if (value.typeId() == QMetaType::QString) return leadingDouble(value.toString());
    flag(wrongType);
    return 0.0;
}

bool pmBoolValue(const QVariant& value, bool* wrongType) {
    if (!value.isValid()) return false;
    if (value.typeId() == QMetaType::Bool) return value.toBool();
    if (pmIsNumber(value)) return value.toDouble() != 0.0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.isEmpty()) return false;
        const QChar first = text[0].toLower();
        if (first == u'y' || first == u't') return true;
        return pmLeadingInt(text) != 0;
    }
    flag(wrongType);
    return false;
}

QString pmStringValue(const QVariant& value, bool* wrongType) {
    if (!value.isValid()) return {};
    if (value.typeId() == QMetaType::QString) return value.toString();
    flag(wrongType);
    if (pmIsNumber(value)) return value.toString();
    return {};
}
