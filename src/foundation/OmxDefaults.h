#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Stores a text in the standard user defaults; a null value removes the key,
// a null key does nothing.
void setUserStringPref(const QString& key, const QString& value);

// Debugging aids: write atomically to `path` (a leading "~" is the home
// folder). False when the file cannot be written.
bool dumpDataToDisk(const QByteArray& data, const QString& path);
bool dumpMemoryToDisk(const void* memory, int length, const QString& path);
// As an XML property list.
bool dumpPropertyListToDisk(const QVariant& plist, const QString& path);
