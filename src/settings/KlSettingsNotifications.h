#pragma once

// Notifications the settings subsystem posts or observes. The server link's
// own (kKeloRemoteNotification, which "type" 1 fetches and "type" 2 sets a
// preference through, kKeloPref_IncrNotification, kKeloContentEditorNotification)
// come from its header.

#include "serverlink/ServerLinkNotifications.h"

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
