#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>

// Reading property-list values whose type the file does not promise. Numbers
// and numeric texts convert the way stored documents expect (a text gives its
// leading number); a missing value reads as 0, NO or a null text. Any other
// type (an array, a dictionary, data, a date) reads the same way but sets
// `wrongType`, so that the caller can report a repair.

// Saturates at the int32 range; NaN reads as 0.
int32_t pmIntValue(const QVariant& value, bool* wrongType = nullptr);
// Never NaN or infinite: those read as 0.
double pmDoubleValue(const QVariant& value, bool* wrongType = nullptr);
// Numbers are YES when not 0; texts as "YES", "true" or a non-zero number.
bool pmBoolValue(const QVariant& value, bool* wrongType = nullptr);
// A number reads as its text (and counts as the wrong type).
QString pmStringValue(const QVariant& value, bool* wrongType = nullptr);

// The leading integer of a text, after blanks and an optional sign, saturated
// at the int32 range; 0 when there is none.
int32_t pmLeadingInt(const QString& text);

// Whether the value is an integer, real or bool property-list number.
bool pmIsNumber(const QVariant& value);
