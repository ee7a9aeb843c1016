#pragma once

#include <QString>

#include <cstdint>

// The application's resource folder: $KELO_RESOURCES when set, else
// "<executable folder>/resources" when it exists, else
// "<executable folder>/../share/kelo-verozo". Looked up once per process.
QString applicationResourcesPath();

// A new random UUID as upper-case text with dashes.
QString stringFromNewUUID();
// 16 bytes as "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (upper-case hex).
QString stringFromUUIDBytes(const uint8_t bytes[16]);

// The leading run of hex digits and dashes.
QString frontUUID(const QString& text);
// The leading decimal integer (leading blanks and a "+" allowed), 0 if none;
// values beyond 32 bits saturate.
uint32_t frontUInt32(const QString& text);
// False for "", for an "rtfd" package, for ".svn" and for hidden names.
bool isNormalFileOrFolder(const QString& path);

// Now, in local time: "HH:mm:ss", "HH:mm:ss.zzz", or in the given
// QDateTime pattern.
QString date();
QString dateMs();
QString dateWithFormat(const QString& format);
