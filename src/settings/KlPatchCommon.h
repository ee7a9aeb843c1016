#pragma once

#include "serverlink/KeloProfileNameProvider.h"

#include <QString>

// Rules of the server's DMX control patch. An instance names profiles for the
// server link (it sits below this library); the composition root installs it.
class KlPatchCommon : public KeloProfileNameProvider {
public:
    // Display name of a server profile code; "Unknown" for codes without one.
    static QString profileNameForProfile(int profile);

    QString profileName(int profile) override { return profileNameForProfile(profile); }
};
