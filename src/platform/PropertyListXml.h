#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// The XML property-list form, in our own code: going through libplist's node
// tree cost as much again as its parse, and its parser needed depth and NUL
// checks done beforehand. The output is the layout libplist writes, and dates
// keep to its 32-bit seconds since 2001 (1932-2069) both ways, so that older
// readers take what we write.
class PropertyListXml {
public:
    // Returns an invalid QVariant and fills `error` on any malformed input.
    static QVariant read(const QByteArray& data, QString* error);
    // Returns an empty array and fills `error` when `value` has no XML form.
    static QByteArray write(const QVariant& value, QString* error);
};
