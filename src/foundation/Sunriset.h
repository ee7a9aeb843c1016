#pragma once

// A public-domain approximation of the sun's position. Angles are in
// degrees, east longitude and north latitude positive; d counts days since
// 2000 January 0.0 UT. The C originals of sunriset() and daylen() carried
// double-underscore names, which C++ reserves.

// x reduced to [0, 360) and to [-180, 180).
double revolution(double x);
double rev180(double x);

// Sidereal time at Greenwich at 0h UT.
double GMST0(double d);

// The sun's true ecliptic longitude and its distance in astronomical units.
void sunpos(double d, double& longitude, double& distance);
void sun_RA_dec(double d, double& rightAscension, double& declination, double& distance);

// Rise and set in UT hours for the date, when the sun's centre (or upper
// limb) crosses `altitude`. Returns 0 normally, +1 when the sun stays above
// the altitude all day (rise = south - 12, set = south + 12), -1 when it
// stays below (rise = set = south).
int sunriset(int year, int month, int day, double longitude, double latitude, double altitude,
             bool upperLimb, double& rise, double& set);

// The hours the sun spends above `altitude` on the date (0 to 24).
double daylen(int year, int month, int day, double longitude, double latitude, double altitude,
              bool upperLimb);
