#pragma once

#include <QDateTime>
#include <QString>

// How long ago `date` was, for lists: "a minute ago", "3 hours ago", ...
QString relativeDateString(const QDateTime& date);
QString relativeDateString(const QDateTime& date, const QDateTime& now);

// Reads "2010-03-04T12:34:56[.fff]+01:00"; any other text is read as
// "YYYY-MM-DD HH:MM:SS +HHMM". An invalid QDateTime when it cannot be read.
QDateTime dateWithXMLDateString(const QString& text);

// Today's sunset (and, when `sunrise` is given, sunrise) at the place, in
// local decimal hours after midnight. Today's date and the zone offset are
// reused for 5 s after they were last worked out.
double sunsetForLongitude(double longitude, double latitude, double* sunrise = nullptr);

// Lets tests replace the clock that sunsetForLongitude reads; nullptr
// restores the system clock.
using SunTimesClock = QDateTime (*)();
void setSunTimesClock(SunTimesClock clock);
