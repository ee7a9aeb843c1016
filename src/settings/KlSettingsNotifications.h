#pragma once

// Notifications the settings subsystem posts or observes. The two server-link
// ones are that subsystem's names, spelled here once for this one.

// Posted for the server link: "type" 1 fetches "prefName" of server
// "fixtureName", "type" 2 sets it to "prefValue" (text).
inline constexpr char kKeloRemoteNotification[] = "KeloRemoteNotification";
// Posted by the server link when a server's preference increment of "type"
// changed.
inline constexpr char kKeloPref_IncrNotification[] = "kKeloPref_IncrNotification";
