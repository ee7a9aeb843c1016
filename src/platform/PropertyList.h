#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Property lists as QVariant trees: QVariantMap (dictionary), QVariantList
// (array), QString, qint64 (integer), double (real), bool, QDateTime (UTC
// date) and QByteArray (data). Integers, reals and bools stay apart on every
// round trip. Readers never throw and never crash on hostile input: they
// return an invalid QVariant and fill `error`.
//
// What each form keeps:
// - Integers are signed 64-bit. Unsigned values above INT64_MAX are refused
//   on write; in files from elsewhere they read back as their two's complement.
// - Dates: binary keeps milliseconds over any range; XML keeps whole seconds
//   from 1932 to 2069 (dates outside are an error both ways); the old-style
//   text form has no dates and refuses them.
// - XML cannot carry NUL or other control characters except tab, CR and LF;
//   such strings are refused on write.
// - The old-style form writes integers, reals and bools (1/0) as their text.
class PropertyList {
public:
    enum class Format { Xml, Binary, OpenStep };

    // Reads XML, binary or the old-style text form, detected from the data.
    static QVariant read(const QByteArray& data, QString* error = nullptr,
                         Format* detected = nullptr);
    // Reads the old-style text form only ("{ key = value; }", "( a, b )",
    // quoted strings with escapes, "<hex>" data). Every scalar is a string.
    static QVariant readOpenStep(const QByteArray& text, QString* error = nullptr);

    // Returns an empty array and fills `error` when the value holds something
    // that has no property-list form (or, for OpenStep, cannot be written in it).
    static QByteArray write(const QVariant& value, Format format, QString* error = nullptr);

    // The deepest nesting the readers accept; deeper input is an error.
    static constexpr int kMaxDepth = 512;
};
