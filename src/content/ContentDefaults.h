#pragma once

// User-default keys of the content subsystem.

// Dictionary from a server's address text to "1" or "0": "0" when its share
// was last found mounted under another user than the fixed login, so that
// new mounts of it go without credentials.
inline constexpr char kUseOmbrelUserForKeloKey[] = "sUseOmbrelUserForKelo";
