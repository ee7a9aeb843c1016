#pragma once

#include <QString>

// The single character U+2026.
QString ellipsis();

// The text itself when it has at most `length` characters, else its first
// length - 1 characters and the ellipsis ("" when length is 0 or less).
QString stringWithEllipsisByTruncatingToLength(const QString& text, int length);
