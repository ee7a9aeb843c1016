#pragma once

#include <functional>

// Watches whether the server daemon ("KeloDaemon") runs on this computer:
// a start or stop makes the link reopen its sockets. Main thread only.
class KeloDaemonProbe {
public:
    // The process id of a program by name; 0 or less when none runs.
    using PidLookup = std::function<int(const char* name)>;

    // Null: the process table (GetPIDForProcessName).
    explicit KeloDaemonProbe(PidLookup lookup = {});

    // True when the daemon's process changed since the last check (it
    // started, stopped or was restarted); says so on the console.
    bool checkForDaemon();
    bool daemonRunning() const { return daemonRunning_; }

private:
    PidLookup lookup_;
    int KeloDaemonPID_ = 0;
    bool daemonRunning_ = false;
};
