#pragma once

// Notifications the settings subsystem posts or observes. The two server-link
// ones are that subsystem's names, spelled here once for this one.

// Posted for the server link: "type" 1 fetches "prefName" of server
// "fixtureName", "type" 2 sets it to "prefValue" (text).
inline constexpr char kKeloRemoteNotification[] = "KeloRemoteNotification";
// Posted by the server link when a server's preference increment of "type"
// changed.
inline constexpr char kKeloPref_IncrNotification[] = "kKeloPref_IncrNotification";

// Posted by the server link with a content-editor reply: "opcode" 23 and
// "message" (kind, U+000B, "listing" or an ident, U+000B, entries or text).
inline constexpr char kKeloContentEditorNotification[] = "KeloContentEditorNotification";

// Posted with the preference name as userInfo "name" whenever one of the eight live
// video inputs is selected in the Preferences list.
inline constexpr char kKlRemoteControlListToKeloEgret[] = "KlRemoteControlListToKeloEgret";

// User defaults of the content editor.
inline constexpr char kContentEditorDomain[] = "content_editor_domain";
inline constexpr char kContentEditorProjectionTab[] = "content_editor_projection_tab";
inline constexpr char kContentEditorTopographyTab[] = "content_editor_topography_tab";
inline constexpr char kContentEditorModelinfoTab[] = "content_editor_modelinfo_tab";
inline constexpr char kContentEditorCurrVignette[] = "content_editor_curr_vignette";
inline constexpr char kContentEditorCurrTopography[] = "content_editor_curr_topography";
inline constexpr char kContentEditorCurrModelinfo[] = "content_editor_curr_modelinfo";
