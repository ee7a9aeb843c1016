#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// The XML property-list form. Reading is our own single pass straight into
// QVariant: going through libplist's node tree cost as much again as its
// parse, and its parser needs the depth and NUL checks done beforehand.
// Writing goes through libplist, whose dates are 32-bit seconds since 2001,
// so both directions keep to 1932-2069.
class PropertyListXml {
public:
    // Returns an invalid QVariant and fills `error` on any malformed input.
    static QVariant read(const QByteArray& data, QString* error);
    // Returns an empty array and fills `error` when `value` has no XML form.
    static QByteArray write(const QVariant& value, QString* error);
};
