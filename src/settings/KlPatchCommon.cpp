#include "settings/KlPatchCommon.h"

#include <iterator>

namespace {

// Profiles 16 and up; older servers' profiles have no names.
constexpr const char* kProfileNames[] = {
    "Falcon v4.x", "Heron v4.x", "Wren v4.x",   "Falcon v5.x", "Heron v5.x",
    "Wren v5.x",   "Kelo Ibis",  "Plover v4.x", "Plover v5.x",
};
constexpr int kFirstNamedProfile = 16;

}  // namespace

QString KlPatchCommon::profileNameForProfile(int profile) {
    const int i = profile - kFirstNamedProfile;
    if (i < 0 || i >= int(std::size(kProfileNames))) return QStringLiteral("Unknown");
    return QString::fromLatin1(kProfileNames[i]);
}
