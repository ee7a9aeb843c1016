#pragma once

#include <QString>

// Rules of the server's DMX control patch.
class KlPatchCommon {
public:
    // Display name of a server profile code; "Unknown" for codes without one.
    static QString profileNameForProfile(int profile);

    // Lets the server link name profiles (it sits below this library).
    static void registerWithServerLink();
};
