#pragma once

#include "platform/AttributedString.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <optional>

class QPainter;

// True when the two differ by less than 0.000001.
bool DoubleEquals(double a, double b);

// ---- Text values and addresses ----

// IPv4 addresses are host-order u32 values, first octet in the high byte.
QString stringFromIPAddress(uint32_t address);
// "a.b.c.d" (a leading "http://" is ignored) packed as above; 0 unless there
// are exactly four parts, each 0-255.
uint32_t ipAddress(const QString& text);
QString stringFromMACAddress(const uint8_t mac[6]);

// The leading signed 64-bit integer (blanks and sign allowed, saturating),
// reinterpreted as unsigned; 0 when there is none.
uint64_t nsUIntegerValue(const QString& text);
uint64_t unsignedLongLongValue(const QString& text);
uint64_t unsignedIntegerValue(const QString& text);

// 1st, 2nd, 3rd, 4th, 11th, 12th, 13th, 21st ...
QString ordinalNumberFormat(int number);

// Only ASCII digits, "+", "-" and Latin letters, in lower case.
QString oscLowercaseString(const QString& text);
// The same, also keeping the pattern characters "*?[]{}".
QString oscRegexString(const QString& text);

// The parts between runs of characters of `separators`; separators at the
// start or end give an empty first or last part.
QStringList componentsSeparatedBySeriesOfCharactersFromSet(const QString& text,
                                                           const QString& separators);
QString stringByRemovingCharactersInSet(const QString& text, const QString& characters);
// Runs of characters other than blank, tab, newline, return, VT and FF.
QStringList wordArray(const QString& text);
// The paragraphs without their terminators ("\n", "\r", "\r\n", U+2029).
QStringList paragraphArray(const QString& text);

// The C text as UTF-8 when valid, else as Mac Roman; null for nullptr.
QString stringWithCStringBestMatch(const char* text);
// A QString itself, an AttributedString's text, a number's or bool's text;
// a null QString for anything else.
QString stringFromObject(const QVariant& object);
// The leading ASCII digits, or a null QString when there are none.
QString numericPrefix(const QString& text);

// The longest leading part of `path` that exists; "" when none (or only one
// character) is left.
QString validSubPath(const QString& path);
// `path` with its existing part in `validColor` (left uncoloured when the
// colour is invalid) and the missing rest in a darker red.
AttributedString redPathNotFoundString(const QString& path, const QColor& validColor);

// `value` with the fewest decimals (up to `maxDecimals`, at most 3) that show it.
QString stringWithPrecision(int maxDecimals, double value);

// Shortens a media name towards fewer than `length` characters: known media
// extensions go first, then "through"/"etwork" are abbreviated, then vowels
// inside words are dropped from the end. The result may still be too long.
QString trimToLength(const QString& text, int length);

// ---- Coloured and sized texts ----

// The system font at the regular control size: the application's font at 13 px.
QFont systemFont();
QFont systemFontOfSize(qreal pixelSize);

TextAttributes redAttr();
TextAttributes whiteAttr();
TextAttributes blackBackgroundAttr();

TextRange fullRange(const QString& text);
TextRange fullRange(const AttributedString& text);

AttributedString redString(const QString& text);
AttributedString redString(const AttributedString& text);
AttributedString whiteString(const QString& text);
AttributedString whiteString(const AttributedString& text);
AttributedString whiteOnBlackString(const QString& text);

// White text in the system font with middle truncation, then `color` as its
// foreground.
AttributedString attrStringWithColor(const QString& text, const QColor& color);
AttributedString attrStringWithColor(const QString& text, const QColor& color, qreal fontSize);
AttributedString attrStringWithAttributes(const QString& text, const TextAttributes& attributes);

// The height of the text wrapped at `width`; 0 for no text.
qreal heightForWidth(const QString& text, qreal width, const TextAttributes& attributes);
qreal heightForWidth(const AttributedString& text, qreal width);

// The first character's font / foreground colour, if set.
std::optional<QFont> font(const AttributedString& text);
std::optional<QColor> color(const AttributedString& text);

// Over the whole text; an invalid colour or no font removes the attribute.
void setColor(AttributedString& text, const QColor& color);
void setBackgroundColor(AttributedString& text, const QColor& color);
void setFont(AttributedString& text, const std::optional<QFont>& font);
// The system font at the whole part of `size` for 1 to 99 px; any other size
// removes the font attribute.
void setFontSize(AttributedString& text, qreal size);
void setLineBreakModeMiddle(AttributedString& text);
void setLineBreakMode(AttributedString& text, LineBreakMode mode);
void setExpansion(AttributedString& text, double expansion);

// Text with a dark shadow half a pixel to the left and a pixel below.
void drawInRectEngraved(const AttributedString& text, QPainter& painter, const QRectF& rect);
// Text with a dark copy below and to the right. `flipped` is true for the
// usual y-down painter; pass false when the painter's y axis points up.
void drawInRectEmbossed(const AttributedString& text, QPainter& painter, const QRectF& rect,
                        bool flipped = true);

// Fit the text into `width` by condensing it (and, for the second, by
// abbreviating it with trimToLength). `initialSize` is the text's size, or an
// empty size to measure it.
AttributedString shrinkToWidth(const AttributedString& text, qreal width, QSizeF initialSize);
AttributedString shrinkAndTrimToWidth(const AttributedString& text, qreal width,
                                      QSizeF initialSize);
