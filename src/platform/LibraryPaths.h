#pragma once

#include <QString>

// Maps the original's library folders onto the XDG folders of this system:
//   "~/Library/Application Support/X" -> the parent of the application data
//                                        folder (~/.local/share) + "/X"
//   "~/Library/Logs/X"                -> the state folder (~/.local/state) + "/X"
//   "~/Library/Preferences/X"         -> the configuration folder + "/X"
//   any other "~/..."                 -> the home folder + "/..."
// Other paths are returned unchanged.
QString libraryPath(const QString& path);
