#pragma once

// Notification names and user-default keys of the content subsystem.

// Posted by the content analyser on its own thread when a run ends; object
// the analyser, no user information.
inline constexpr char kKeloContentAnaysisCompleteNotification[] =
    "KeloContentAnaysisCompleteNotification";

// The content settings, stored whole: per collection the watched folders.
inline constexpr char kContentUISettings[] = "kContentUISettings";
// Keys inside the content settings.
inline constexpr char kContentCollectionSettingsFormat[] = "collectionID_%d";
inline constexpr char kContentWatchedMediaFolderArray[] = "watchedMediaFolderArray";
inline constexpr char kContentCurrCollectionID[] = "curr_collectionID";
inline constexpr char kContentMasterIdentity[] = "master_identity";

// The Content tab's log panel: present (any value) while the transfer
// history is open; the history pane's height in points, kept from 51 up.
inline constexpr char kContentShowHistoryKey[] = "ShowHistory";
inline constexpr char kContentHistoryTableHeightKey[] = "HistoryTableHeight";

// Dictionary from a server's address text to "1" or "0": "0" when its share
// was last found mounted under another user than the fixed login, so that
// new mounts of it go without credentials.
inline constexpr char kUseOmbrelUserForKeloKey[] = "sUseOmbrelUserForKelo";

// Posted by the Content tab's model (main thread, object the ContentUI) when
// a collection's transfer history changed: "collectionID"; "row" the entry
// to redraw, or -1 to reload the table; "scroll" to show that row;
// "scrollToLast" to show the newest entry.
inline constexpr char kContentHistoryChangedNotification[] = "ContentHistoryChangedNotification";
// Posted by the Content tab's model when rows on screen need drawing again:
// "table" 0 folders, 1 files; "rows" their indexes.
inline constexpr char kContentRowsNeedRedrawNotification[] = "ContentRowsNeedRedrawNotification";

// Observed: the server link's replies to thumbnail and folder-entry requests
// (object the server; "file": the content ID's bytes, "data").
inline constexpr char kKeloThumbnailDataNotification[] = "KeloThumbnailDataNotification";
inline constexpr char kKeloDatabaseFolderEntryNotification[] =
    "KeloDatabaseFolderEntryNotification";
