#include "foundation/VNSDateCategory.h"

#include "foundation/Sunriset.h"

#include <QRegularExpression>

#include <cmath>
#include <mutex>

namespace {

struct Elapsed {
    int years = 0;
    int months = 0;
    int days = 0;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};

// Calendar components from `from` to `to` (from <= to) in local time, each
// the remainder after the larger ones. With `withMonths` false, whole months
// and years stay in the days.
Elapsed elapsedBetween(const QDateTime& from, const QDateTime& to, bool withMonths) {
    Elapsed elapsed;
    QDateTime cursor = from.toLocalTime();
    const QDateTime end = to.toLocalTime();
    if (withMonths) {
        elapsed.years = end.date().year() - cursor.date().year();
        if (cursor.addYears(elapsed.years) > end) --elapsed.years;
        cursor = cursor.addYears(elapsed.years);
        elapsed.months = (end.date().year() - cursor.date().year()) * 12 + end.date().month() -
                         cursor.date().month();
        if (cursor.addMonths(elapsed.months) > end) --elapsed.months;
        cursor = cursor.addMonths(elapsed.months);
    }
    elapsed.days = static_cast<int>(cursor.daysTo(end));
    if (cursor.addDays(elapsed.days) > end) --elapsed.days;
    cursor = cursor.addDays(elapsed.days);
    const qint64 seconds = cursor.secsTo(end);
    elapsed.hours = static_cast<int>(seconds / 3600);
    elapsed.minutes = static_cast<int>(seconds % 3600 / 60);
    elapsed.seconds = static_cast<int>(seconds % 60);
    return elapsed;
}

// "YYYY-MM-DD HH:MM:SS ±HHMM".
QDateTime readDateText(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2}) ([+-])(\d{2})(\d{2})\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return {};
    const auto field = [&](int i) { return match.captured(i).toInt(); };
    const QDate date(field(1), field(2), field(3));
    const QTime time(field(4), field(5), field(6));
    if (!date.isValid() || !time.isValid() || field(8) > 23 || field(9) > 59) return {};
    const int sign = match.captured(7) == QLatin1String("-") ? -1 : 1;
    const int offset = sign * (field(8) * 3600 + field(9) * 60);
    return QDateTime(date, time, Qt::OffsetFromUTC, offset).toUTC();
}

QDateTime systemNow() {
    return QDateTime::currentDateTime();
}

struct SunCache {
    std::mutex lock;
    SunTimesClock clock = systemNow;
    bool valid = false;
    QDateTime calculatedAt;
    QDate today;
    int zoneOffsetSeconds = 0;
};

SunCache& sunCache() {
    static SunCache cache;
    return cache;
}

}  // namespace

QString relativeDateString(const QDateTime& date) {
    return relativeDateString(date, QDateTime::currentDateTime());
}

QString relativeDateString(const QDateTime& date, const QDateTime& now) {
    const double delta = static_cast<double>(now.msecsTo(date)) / 1000.0;
    if (delta > 0) return QStringLiteral("!n the future!");
    const Elapsed elapsed = elapsedBetween(date, now, true);
    if (delta > -60) {
        if (elapsed.seconds == 1) return QStringLiteral("One second ago");
        return QStringLiteral("%1 seconds ago").arg(elapsed.seconds);
    }
    if (delta > -120) return QStringLiteral("a minute ago");
    if (delta > -2700) return QStringLiteral("%1 minutes ago").arg(elapsed.minutes);
    if (delta > -5400) return QStringLiteral("an hour ago");
    if (delta > -86400) return QStringLiteral("%1 hours ago").arg(elapsed.hours);
    if (delta > -172800) return QStringLiteral("yesterday");
    if (delta > -2592000) {
        // Counted in days alone: a short month must not turn 29 days into
        // "1 month and 1 day" and so "1 days ago".
        return QStringLiteral("%1 days ago").arg(elapsedBetween(date, now, false).days);
    }
    if (delta > -31104000) {
        if (elapsed.months < 2) return QStringLiteral("one month ago");
        return QStringLiteral("%1 months ago").arg(elapsed.months);
    }
    if (elapsed.years < 2) return QStringLiteral("one year ago");
    return QStringLiteral("%1 years ago").arg(elapsed.years);
}

QDateTime dateWithXMLDateString(const QString& text) {
    if (text.indexOf(QLatin1Char('T')) != 10) return readDateText(text);
    QString spaced = text;
    spaced.replace(QLatin1Char('T'), QLatin1Char(' '));
    const QString head = spaced.size() > 19 && spaced.at(19) == QLatin1Char('.')
                             ? spaced.left(19)
                             : spaced.left(spaced.size() - 6);
    return readDateText(
        QStringLiteral("%1 %2%3").arg(head, spaced.mid(spaced.size() - 6, 3), spaced.right(2)));
}

double sunsetForLongitude(double longitude, double latitude, double* sunrise) {
    QDate today;
    int zoneOffsetSeconds = 0;
    {
        SunCache& cache = sunCache();
        const std::lock_guard<std::mutex> guard(cache.lock);
        const QDateTime now = cache.clock().toLocalTime();
        if (!cache.valid || std::abs(cache.calculatedAt.msecsTo(now)) > 5000) {
            cache.valid = true;
            cache.calculatedAt = now;
            cache.today = now.date();
            cache.zoneOffsetSeconds = now.offsetFromUtc();
        }
        today = cache.today;
        zoneOffsetSeconds = cache.zoneOffsetSeconds;
    }
    double rise = 0;
    double set = 0;
    sunriset(today.year(), today.month(), today.day(), longitude, latitude, -35.0 / 60.0, true,
             rise, set);
    const double zoneHours = zoneOffsetSeconds / 3600.0;
    if (sunrise) *sunrise = rise + zoneHours;
    return set + zoneHours;
}

void setSunTimesClock(SunTimesClock clock) {
    SunCache& cache = sunCache();
    const std::lock_guard<std::mutex> guard(cache.lock);
    cache.clock = clock ? clock : systemNow;
}
