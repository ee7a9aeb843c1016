#include "foundation/Sunriset.h"
#include "foundation/VNSDateCategory.h"
#include "support/TestMain.h"

#include <gtest/gtest.h>

namespace {

TEST(RelativeDate, Table) {
    const QDateTime now(QDate(2026, 6, 15), QTime(12, 0, 0));
    const struct {
        qint64 secondsAgo;
        const char* text;
    } cases[] = {
        {-1, "!n the future!"},        {0, "0 seconds ago"},
        {1, "One second ago"},         {30, "30 seconds ago"},
        {90, "a minute ago"},          {600, "10 minutes ago"},
        {3000, "an hour ago"},         {3 * 3600 + 120, "3 hours ago"},
        {30 * 3600, "yesterday"},      {5 * 86400 + 3600, "5 days ago"},
        {45 * 86400, "one month ago"}, {100 * 86400, "3 months ago"},
        {400 * 86400, "one year ago"}, {3 * 366 * 86400, "3 years ago"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(relativeDateString(now.addSecs(-c.secondsAgo), now), c.text) << c.secondsAgo;
    EXPECT_EQ(relativeDateString(now.addMSecs(-1500), now), "One second ago");
}

TEST(RelativeDate, DaysAcrossAShortMonth) {
    // One calendar month and a day, but 29 days.
    const QDateTime now(QDate(2026, 3, 1), QTime(12, 0, 0));
    EXPECT_EQ(relativeDateString(QDateTime(QDate(2026, 1, 31), QTime(12, 0, 0)), now),
              "29 days ago");
}

TEST(XmlDate, Reading) {
    const QDateTime expected(QDate(2010, 3, 4), QTime(11, 34, 56), Qt::UTC);
    const struct {
        const char* text;
        QDateTime date;
    } cases[] = {
        {"2010-03-04T12:34:56+01:00", expected},
        {"2010-03-04T12:34:56.789+01:00", expected},
        {"2010-03-04T06:04:56-05:30", expected},
        {"2010-03-04 12:34:56 +0100", expected},
        {"2010-02-30T12:34:56+01:00", {}},
        {"2010-03-04T12:34:56Z", {}},
        {"2010-03-04T", {}},
        {"hello", {}},
        {"", {}},
    };
    for (const auto& c : cases) {
        const QDateTime date = dateWithXMLDateString(c.text);
        EXPECT_EQ(date.isValid(), c.date.isValid()) << c.text;
        if (c.date.isValid()) {
            EXPECT_EQ(date, c.date) << c.text;
        }
    }
}

TEST(SunModel, AngleReduction) {
    const struct {
        double x, revolution, rev180;
    } cases[] = {
        {-30, 330, -30}, {720, 0, 0}, {190, 190, -170}, {180, 180, -180}, {-540, 180, -180}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(revolution(c.x), c.revolution) << c.x;
        EXPECT_DOUBLE_EQ(rev180(c.x), c.rev180) << c.x;
    }
    EXPECT_NEAR(GMST0(0), 98.9874, 1e-9);
    EXPECT_NEAR(GMST0(1), revolution(818.9874 + 0.985647352), 1e-9);

    double longitude = 0;
    double distance = 0;
    sunpos(0, longitude, distance);
    EXPECT_NEAR(distance, 0.983, 0.001) << "near perihelion at the start of January";
    EXPECT_NEAR(longitude, 278.852, 0.001);
    double ra = 0;
    double declination = 0;
    sun_RA_dec(0, ra, declination, distance);
    EXPECT_NEAR(declination, -23.0, 0.2);
}

TEST(SunModel, EquatorAndPoles) {
    // At the equator, with the centre on the horizon, day and night are equal
    // on any date.
    for (int month : {1, 3, 6, 9, 12}) {
        EXPECT_NEAR(daylen(2024, month, 10, 0, 0, 0, false), 12.0, 1e-9) << month;
        double rise = 0;
        double set = 0;
        EXPECT_EQ(sunriset(2024, month, 10, 30, 0, 0, false, rise, set), 0);
        EXPECT_NEAR(set - rise, 12.0, 1e-9) << month;
    }
    // Refraction and the upper limb lengthen it a little.
    EXPECT_NEAR(daylen(2024, 3, 20, 0, 0, -35.0 / 60.0, true), 12.12, 0.02);

    double rise = 0;
    double set = 0;
    EXPECT_EQ(sunriset(2024, 6, 21, 15, 80, -35.0 / 60.0, true, rise, set), 1);
    const double south = (rise + set) / 2;
    EXPECT_NEAR(set - rise, 24.0, 1e-9);
    EXPECT_NEAR(south, 12 - 1 + 0.03, 0.05) << "noon at 15 E is 11:00 UT, give or take";
    EXPECT_EQ(daylen(2024, 6, 21, 15, 80, -35.0 / 60.0, true), 24.0);

    EXPECT_EQ(sunriset(2024, 12, 21, 15, 80, -35.0 / 60.0, true, rise, set), -1);
    EXPECT_DOUBLE_EQ(rise, set);
    EXPECT_EQ(daylen(2024, 12, 21, 15, 80, -35.0 / 60.0, true), 0.0);
}

TEST(SunModel, MidsummerInLondon) {
    // Published times: sunrise 03:43 and sunset 20:21 UT.
    double rise = 0;
    double set = 0;
    EXPECT_EQ(sunriset(2024, 6, 21, -0.1276, 51.5072, -35.0 / 60.0, true, rise, set), 0);
    EXPECT_NEAR(rise, 3 + 43 / 60.0, 0.05);
    EXPECT_NEAR(set, 20 + 21 / 60.0, 0.05);
}

QDateTime fakeNow;
QDateTime fakeClock() {
    return fakeNow;
}

double expectedSunset(QDate day, double* sunrise) {
    double rise = 0;
    double set = 0;
    sunriset(day.year(), day.month(), day.day(), -0.13, 51.5, -35.0 / 60.0, true, rise, set);
    const double zone = QDateTime(day, QTime(12, 0)).offsetFromUtc() / 3600.0;
    *sunrise = rise + zone;
    return set + zone;
}

TEST(SunTimes, LocalHoursWithFiveSecondCache) {
    setSunTimesClock(fakeClock);
    const QDate day(2024, 3, 19);
    fakeNow = QDateTime(day, QTime(23, 59, 58));
    double sunrise = 0;
    const double sunset = sunsetForLongitude(-0.13, 51.5, &sunrise);
    double expectedRise = 0;
    EXPECT_DOUBLE_EQ(sunset, expectedSunset(day, &expectedRise));
    EXPECT_DOUBLE_EQ(sunrise, expectedRise);

    // Four seconds later it is the next day, but the cached date still holds.
    fakeNow = fakeNow.addSecs(4);
    EXPECT_DOUBLE_EQ(sunsetForLongitude(-0.13, 51.5), sunset);

    fakeNow = fakeNow.addSecs(8);
    const double next = sunsetForLongitude(-0.13, 51.5, &sunrise);
    EXPECT_DOUBLE_EQ(next, expectedSunset(day.addDays(1), &expectedRise));
    EXPECT_DOUBLE_EQ(sunrise, expectedRise);
    EXPECT_GT(next, sunset) << "days lengthen in March";
    setSunTimesClock(nullptr);
}

}  // namespace

KELO_TEST_MAIN()
