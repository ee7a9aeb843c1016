#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

// How the writers see a QVariant: which property-list type it becomes, and
// the conversions every form shares.
class PropertyListValue {
public:
    enum class Kind { Unsupported, Dictionary, Array, String, Integer, Real, Bool, Date, Data };

    static Kind kindOf(const QVariant& value);
    // Integers are signed 64-bit in every form; an unsigned value above
    // INT64_MAX has no faithful form and is refused.
    static bool integerValue(const QVariant& value, qint64* out, QString* error);
    // Milliseconds since 2001-01-01 00:00:00 UTC (the property-list epoch).
    static qint64 referenceMSecs(const QDateTime& date);
    static QDateTime dateFromReferenceMSecs(qint64 msecs);
    // Seconds since the epoch as stored in binary files; false for NaN,
    // infinities and times QDateTime cannot hold.
    static bool dateFromReferenceSeconds(double seconds, QDateTime* out);
    static QString typeName(const QVariant& value);
};
