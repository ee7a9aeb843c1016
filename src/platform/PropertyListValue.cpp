#include "platform/PropertyListValue.h"

#include <QMetaType>

#include <cmath>
#include <limits>

namespace {
constexpr qint64 kReferenceEpochMSecs = 978307200000LL;  // 2001-01-01 in Unix milliseconds
// About ±200,000 years: far beyond any real file, well inside QDateTime.
constexpr double kMaxReferenceSeconds = 6.3e12;
}  // namespace

PropertyListValue::Kind PropertyListValue::kindOf(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QVariantMap:
            return Kind::Dictionary;
        case QMetaType::QVariantList:
        case QMetaType::QStringList:
            return Kind::Array;
        case QMetaType::QString:
            return Kind::String;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::SChar:
        case QMetaType::UChar:
            return Kind::Integer;
        case QMetaType::Double:
        case QMetaType::Float:
            return Kind::Real;
        case QMetaType::Bool:
            return Kind::Bool;
        case QMetaType::QDateTime:
            return value.toDateTime().isValid() ? Kind::Date : Kind::Unsupported;
        case QMetaType::QByteArray:
            return Kind::Data;
        default:
            return Kind::Unsupported;
    }
}

bool PropertyListValue::integerValue(const QVariant& value, qint64* out, QString* error) {
    const int type = value.typeId();
    if (type == QMetaType::ULongLong || type == QMetaType::ULong) {
        const qulonglong u = value.toULongLong();
        if (u > static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
            if (error) *error = QStringLiteral("integer %1 does not fit in 64 signed bits").arg(u);
            return false;
        }
        *out = static_cast<qint64>(u);
        return true;
    }
    *out = value.toLongLong();
    return true;
}

qint64 PropertyListValue::referenceMSecs(const QDateTime& date) {
    return date.toMSecsSinceEpoch() - kReferenceEpochMSecs;
}

QDateTime PropertyListValue::dateFromReferenceMSecs(qint64 msecs) {
    return QDateTime::fromMSecsSinceEpoch(msecs + kReferenceEpochMSecs, Qt::UTC);
}

bool PropertyListValue::dateFromReferenceSeconds(double seconds, QDateTime* out) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > kMaxReferenceSeconds) return false;
    *out = dateFromReferenceMSecs(std::llround(seconds * 1000.0));
    return true;
}

QString PropertyListValue::typeName(const QVariant& value) {
    const char* name = value.typeName();
    return name ? QString::fromLatin1(name) : QStringLiteral("null");
}
