#pragma once

// Keys of the settings file and user defaults the application shell reads.
inline constexpr char kActiveKeloesKey[] = "active_keloes";
inline constexpr char kCurrLayoutKey[] = "curr_layout";
inline constexpr char kLayoutsKey[] = "layouts";
inline constexpr char kMonitorKey[] = "monitor";
// A monitor-list entry's server name.
inline constexpr char kNameKey[] = "name";
inline constexpr char kBreakoutsKey[] = "breakouts";
inline constexpr char kLayoutSettingsKey[] = "layout_settings";
inline constexpr char kBreakoutColsKey[] = "breakout_cols";
inline constexpr char kHeightKey[] = "height";
inline constexpr char kBreakoutHeightKey[] = "breakoutheight";
inline constexpr char kHudHeightKey[] = "hud_height";
inline constexpr char kShowSelectedServerOnlyKey[] = "showSelectedServerOnly";
inline constexpr char kColumnsKey[] = "columns";

// User default holding an older copy of the whole settings dictionary.
inline constexpr char kSettingsDefaultsKey[] = "settings";
inline constexpr char kContentEditorFullyEnabledKey[] = "content_editor_fully_enabled";
inline constexpr char kContentEditorVisKey[] = "content_editor_vis";
// Kept on for the whole run: the controller must never be put to sleep.
inline constexpr char kAppSleepDisabledKey[] = "NSAppSleepDisabled";
