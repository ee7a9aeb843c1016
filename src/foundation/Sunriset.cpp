#include "foundation/Sunriset.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kRadToDeg = 180.0 / std::numbers::pi;
constexpr double kDegToRad = std::numbers::pi / 180.0;

double sind(double x) {
    return std::sin(x * kDegToRad);
}
double cosd(double x) {
    return std::cos(x * kDegToRad);
}
double acosd(double x) {
    return kRadToDeg * std::acos(x);
}
double atan2d(double y, double x) {
    return kRadToDeg * std::atan2(y, x);
}

long daysSince2000Jan0(int y, int m, int d) {
    return 367L * y - (7 * (y + (m + 9) / 12)) / 4 + (275 * m) / 9 + d - 730530L;
}

double obliquity(double d) {
    return 23.4393 - 3.563e-7 * d;
}

}  // namespace

double revolution(double x) {
    return x - 360.0 * std::floor(x / 360.0);
}

double rev180(double x) {
    return x - 360.0 * std::floor(x / 360.0 + 0.5);
}

double GMST0(double d) {
    return revolution(818.9874 + 0.985647352 * d);
}

void sunpos(double d, double& longitude, double& distance) {
    const double M = revolution(356.0470 + 0.9856002585 * d);
    const double w = 282.9404 + 4.70935e-5 * d;
    const double e = 0.016709 - 1.151e-9 * d;
    const double E = M + e * kRadToDeg * sind(M) * (1.0 + e * cosd(M));
    const double x = cosd(E) - e;
    const double y = std::sqrt(1.0 - e * e) * sind(E);
    distance = std::sqrt(x * x + y * y);
    longitude = atan2d(y, x) + w;
    if (longitude >= 360.0) longitude -= 360.0;
}

void sun_RA_dec(double d, double& rightAscension, double& declination, double& distance) {
    double longitude = 0;
    sunpos(d, longitude, distance);
    const double x = distance * cosd(longitude);
    const double eclipticY = distance * sind(longitude);
    const double obl = obliquity(d);
    const double z = eclipticY * sind(obl);
    const double y = eclipticY * cosd(obl);
    rightAscension = atan2d(y, x);
    declination = atan2d(z, std::sqrt(x * x + y * y));
}

int sunriset(int year, int month, int day, double longitude, double latitude, double altitude,
             bool upperLimb, double& rise, double& set) {
    // Local noon of the date, in days since 2000 Jan 0.0.
    const double d = daysSince2000Jan0(year, month, day) + 0.5 - longitude / 360.0;
    const double siderealTime = revolution(GMST0(d) + 180.0 + longitude);
    double ra = 0;
    double declination = 0;
    double distance = 1;
    sun_RA_dec(d, ra, declination, distance);
    const double south = 12.0 - rev180(siderealTime - ra) / 15.0;
    if (upperLimb) altitude -= 0.2666 / distance;

    int result = 0;
    double arc = 0;
    const double cost = (sind(altitude) - sind(latitude) * sind(declination)) /
                        (cosd(latitude) * cosd(declination));
    if (cost >= 1.0) {
        result = -1;
        arc = 0.0;
    } else if (cost <= -1.0) {
        result = +1;
        arc = 12.0;
    } else {
        arc = acosd(cost) / 15.0;
    }
    rise = south - arc;
    set = south + arc;
    return result;
}

double daylen(int year, int month, int day, double longitude, double latitude, double altitude,
              bool upperLimb) {
    const double d = daysSince2000Jan0(year, month, day) + 0.5 - longitude / 360.0;
    double sunLongitude = 0;
    double distance = 1;
    sunpos(d, sunLongitude, distance);
    const double sinDeclination = sind(obliquity(d)) * sind(sunLongitude);
    const double cosDeclination = std::sqrt(1.0 - sinDeclination * sinDeclination);
    if (upperLimb) altitude -= 0.2666 / distance;

    const double cost =
        (sind(altitude) - sind(latitude) * sinDeclination) / (cosd(latitude) * cosDeclination);
    if (cost >= 1.0) return 0.0;
    if (cost <= -1.0) return 24.0;
    return (2.0 / 15.0) * acosd(cost);
}
