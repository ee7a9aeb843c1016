#pragma once

// One preference key that views keep asking a server for. Times are
// reference-date seconds.
struct KeloPolledPref {
    double prefWanted = 0;    // last time a view asked for it
    double lastPollDate = 0;  // last time the server was asked
    int pollType = 0;         // 0 expires when no longer wanted; other values stay
};
