#pragma once

// User-default keys, pasteboard types and notification names of the Status tab.

// Dictionary: server name -> true when the server's output is 16:9.
inline constexpr const char* kAspectRatioForKeloKey = "sAspectRatioForKelo";
// Drag data of a status cell.
inline constexpr const char* kKeloObjectNamePboardType = "KeloObjectName";
inline constexpr const char* kKeloRemoteNotification = "KeloRemoteNotification";

// Layout dictionary ("KeloRemote.plist") keys the Status tab reads and writes.
inline constexpr const char* kLayoutMonitorKey = "monitor";
inline constexpr const char* kLayoutBreakoutsKey = "breakouts";
inline constexpr const char* kLayoutSettingsKey = "layout_settings";
inline constexpr const char* kBreakoutColsKey = "breakout_cols";
inline constexpr const char* kShowSelectedServerOnlyKey = "showSelectedServerOnly";
inline constexpr const char* kShowSelectedServerOrderingKey = "showSelectedServerOrdering";
inline constexpr const char* kHasMonitorBreakoutKey = "hasmonitorbreakout";
inline constexpr const char* kMonitorHudPosnKey = "monitor_hud_posn";
inline constexpr const char* kHudHeightKey = "hud_height";
// Dictionary: server name -> {"collectionID": letter, "isMaster": "1"}.
inline constexpr const char* kMasterSlaveDictKey = "_masterSlaveDict";
// The table's former key, dropped when the table is first loaded.
inline constexpr const char* kOldMasterSlaveDictKey = "master_slave_dict";
