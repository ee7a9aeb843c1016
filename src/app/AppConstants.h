#pragma once

#include "status/StatusConstants.h"

// Keys of the settings file and user defaults the application shell reads
// (the layout keys it shares with the Status tab are in StatusConstants.h).
inline constexpr char kActiveKeloesKey[] = "active_keloes";
inline constexpr char kCurrLayoutKey[] = "curr_layout";
inline constexpr char kLayoutsKey[] = "layouts";
// A monitor-list entry's server name.
inline constexpr char kNameKey[] = "name";
inline constexpr char kColumnsKey[] = "columns";

// User default holding an older copy of the whole settings dictionary.
inline constexpr char kSettingsDefaultsKey[] = "settings";
inline constexpr char kContentEditorFullyEnabledKey[] = "content_editor_fully_enabled";
inline constexpr char kContentEditorVisKey[] = "content_editor_vis";
// Kept on for the whole run: the controller must never be put to sleep.
inline constexpr char kAppSleepDisabledKey[] = "NSAppSleepDisabled";
// Where this copy of the program ran last.
inline constexpr char kLastLaunchPathKey[] = "last_launch_path";
