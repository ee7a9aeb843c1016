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

// Dictionary from a server's address text to "1" or "0": "0" when its share
// was last found mounted under another user than the fixed login, so that
// new mounts of it go without credentials.
inline constexpr char kUseOmbrelUserForKeloKey[] = "sUseOmbrelUserForKelo";
