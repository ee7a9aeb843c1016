#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// The binary property-list form ("bplist00"). Kept in our own code rather than
// libplist's: that one re-expands shared objects, recurses without bound and
// keeps dates as 32-bit seconds, none of which is acceptable for input from
// files or peers.
class PropertyListBinary {
public:
    // Returns an invalid QVariant and fills `error` on any malformed input.
    static QVariant read(const QByteArray& data, QString* error);
    // Returns an empty array and fills `error` when `value` has no property-list form.
    static QByteArray write(const QVariant& value, QString* error);
};
