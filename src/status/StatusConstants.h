#pragma once

// User-default keys and pasteboard types of the Status tab.

// Dictionary: server name -> true when the server's output is 16:9.
inline constexpr const char* kAspectRatioForKeloKey = "sAspectRatioForKelo";
// Drag data of a status cell.
inline constexpr const char* kKeloObjectNamePboardType = "KeloObjectName";

// Layout dictionary ("KeloRemote.plist") keys the Status tab and the
// application shell read and write.
inline constexpr char kMonitorKey[] = "monitor";
inline constexpr char kBreakoutsKey[] = "breakouts";
inline constexpr char kLayoutSettingsKey[] = "layout_settings";
inline constexpr char kBreakoutColsKey[] = "breakout_cols";
inline constexpr char kHeightKey[] = "height";
inline constexpr char kBreakoutHeightKey[] = "breakoutheight";
inline constexpr char kHudHeightKey[] = "hud_height";
// The monitor layers pop-over's choice: stored with the layout, acted on by nothing.
inline constexpr char kLayersKey[] = "layers";
inline constexpr char kShowSelectedServerOnlyKey[] = "showSelectedServerOnly";
inline constexpr char kShowSelectedServerOrderingKey[] = "showSelectedServerOrdering";
inline constexpr char kHasMonitorBreakoutKey[] = "hasmonitorbreakout";
inline constexpr char kMonitorHudPosnKey[] = "monitor_hud_posn";
// Stored "all" by the periodic refresh, which re-applies the whole layout.
inline constexpr char kUpdateUiKey[] = "update_ui";
// Dictionary: server name -> {"collectionID": letter, "isMaster": "1"}.
inline constexpr char kMasterSlaveDictKey[] = "_masterSlaveDict";
// The table's former key, dropped when the table is first loaded.
inline constexpr char kOldMasterSlaveDictKey[] = "master_slave_dict";
