#pragma once

#include <QByteArray>
#include <QVariant>

// A keyed archive of a property-list value (QVariantMap, QVariantList,
// QString, qint64, double, bool, QDateTime, QByteArray, nested), for copy and
// paste between the program's own windows and between two running copies.
//
// The payload is a binary property list of one dictionary:
//   "$archiver"  "KeloKeyedArchive"
//   "$version"   integer, kKeyedArchiveVersion
//   "root"       the archived value
// Nothing but property-list values goes in or comes out, so reading a
// payload never builds an object of a type the payload names: data from a
// pasteboard another program filled is read like any other file input.
// Any thread.

// The version this program writes; a payload of a later version is refused.
inline constexpr qint64 kKeyedArchiveVersion = 1;

// The archive of `object`; empty, with a log line, when it holds something
// that has no property-list form.
QByteArray archivedDataFromObject(const QVariant& object);

// The archived value; an invalid QVariant, with a log line saying what was
// wrong, when the data is no binary property list, or not of the shape above.
QVariant unarchivedObjectFromData(const QByteArray& data);
