#pragma once

#include "status/StatusConstants.h"

// Keys of the settings file and user defaults the application shell reads
// (the layout keys it shares with the Status tab are in StatusConstants.h).
inline constexpr char kActiveKeloesKey[] = "active_keloes";
inline constexpr char kCurrLayoutKey[] = "curr_layout";
inline constexpr char kLayoutsKey[] = "layouts";
inline constexpr char kColumnsKey[] = "columns";

// User default holding an older copy of the whole settings dictionary.
inline constexpr char kSettingsDefaultsKey[] = "settings";
