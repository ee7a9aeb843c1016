#pragma once

// User-default keys, pasteboard types and notification names of the Status tab.

// Dictionary: server name -> true when the server's output is 16:9.
inline constexpr const char* kAspectRatioForKeloKey = "sAspectRatioForKelo";
// Drag data of a status cell.
inline constexpr const char* kKeloObjectNamePboardType = "KeloObjectName";
inline constexpr const char* kKeloRemoteNotification = "KeloRemoteNotification";
