#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

class UserDefaults;

// With an empty key does nothing; with a null or invalid value removes the
// key; otherwise sets it.
void safeSet(QVariantMap& dict, const QVariant& value, const QString& key);
void safeSet(UserDefaults& defaults, const QVariant& value, const QString& key);
void setValue(UserDefaults& defaults, const QVariant& value, const QString& key);

// A deep copy made by a round trip through the binary property-list form, so
// the result holds property-list types only (integers as qint64). nullopt,
// with a log line, when something in it has no property-list form.
std::optional<QVariantMap> mutableCopyDeepPropertyList(const QVariantMap& dict);
std::optional<QVariantList> mutableCopyDeepPropertyList(const QVariantList& array);
QVariant mutableCopyFromPlist(const QVariant& plist);
