#pragma once

#include <QLocale>
#include <QString>

// Reads a number field's text: "a ' b" is feet and inches, "a * b" a
// product, "a / b" a quotient; anything else is a number in the locale's
// notation (grouping allowed). 0 when the text is no finite number.
double doubleValueWithUnits(const QString& text);
double doubleValueWithUnits(const QString& text, const QLocale& locale);

// Reads a folder name's number and group: "[g] f.Name", "[g]f.Name",
// "[g].f.Name", or "f Name" with the group from an extension "group g".
// The folder is reported only when both numbers are below 256 (else 0);
// false when no folder number was found or it is 256 or more.
bool scanFolderName(const QString& name, int* folder, int* group);

// n with three-digit zero padding ("007", "042", "123", "1234").
QString OmxCreateFormatNum(int n);

// Writes the last `digits` (1-8) of the eight-digit zero-padded value, with
// "." before the last `decimals` of them. No terminating NUL; writes digits
// characters, plus one for the point when decimals > 0.
void printInt(char* out, int value, int digits, int decimals);

// DMX value mapping. GetDMXTime is 0 outside 0-255.
double GetDMXTime(int dmx);
double OmxNormalizeInt16ToRange(int v, double lo, double hi);
double OmxNormalizeInt8ToRange(int v, double lo, double hi);
double OmxExpRange16(int v, double lo, double mid, double hi);
double OmxExpRange8(int v, double lo, double mid, double hi);
double OmxExpRange(int v, double lo, double mid, double hi, int steps);

// A command-line option's value: the whole text must be one decimal number
// (no blanks, no unit, no hex) between `low` and `high` inclusive. False, with
// `value` untouched, otherwise; the tools then print their usage and exit 2.
bool readOptionNumber(const char* text, double low, double high, double* value);
// The same for a whole number.
bool readOptionInteger(const char* text, long long low, long long high, long long* value);
