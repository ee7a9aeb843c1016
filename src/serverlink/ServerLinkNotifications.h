#pragma once

// Notification names the server link posts or observes.

// A server object changed address (userInfo "Type": "KeloAddressChanged").
inline constexpr const char* kKeloStatusChangeNotification = "KeloStatusChangeNotification";
// The server list, an address, the interfaces or a collection changed.
inline constexpr const char* kKeloPatchChangedNotification = "kKeloPatchChangedNotification";
// A polled preference of poll type 2 changed ("prefName").
inline constexpr const char* kKeloPrefChangedNotification = "kKeloPrefChangedNotification";
// A server's counter of one preference type moved.
inline constexpr const char* kKeloPref_IncrNotification = "kKeloPref_IncrNotification";
// Content item data arrived (sender: the server object; "opcode", "message").
inline constexpr const char* kKeloContentEditorNotification = "KeloContentEditorNotification";
// Another controller manages one of our collections ("event": "ManagerConflictError").
inline constexpr const char* kKeloContentManagerNotification = "KeloContentManagerNotification";
// Observed: type 1 reads, type 2 sets a preference of a named server.
inline constexpr const char* kKeloRemoteNotification = "KeloRemoteNotification";
// Faster live image feedback was asked for the first time: the window layer
// shows the operator "title", "message" and the one button "button".
inline constexpr const char* kKeloFeedbackSpeedupNoticeNotification =
    "KeloFeedbackSpeedupNoticeNotification";
