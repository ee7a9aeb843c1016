#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// Watches whether the server daemon ("KeloDaemon") runs on this computer:
// a start or stop makes the link reopen its sockets.
//
// Finding the daemon reads the name of every process, which on a busy
// computer takes milliseconds: too long for the link's 1/30 s tick. The
// tick's checks therefore run on a worker thread: `requestCheck` starts one
// and returns at once, `takeAnswer` applies its finished answer.
// `checkForDaemon` looks up on the calling thread (once, at start).
//
// Threads: the lookup function runs on the worker (and in `checkForDaemon`
// on the caller's thread); everything else on the main thread.
class KeloDaemonProbe {
public:
    // The process id of a program by name; 0 or less when none runs.
    using PidLookup = std::function<int(const char* name)>;

    // Null: the process table (GetPIDForProcessName).
    explicit KeloDaemonProbe(PidLookup lookup = {});
    // Waits for a lookup under way (the process table is read in
    // milliseconds), then ends the worker; an answer not yet taken is lost.
    ~KeloDaemonProbe();
    KeloDaemonProbe(const KeloDaemonProbe&) = delete;
    KeloDaemonProbe& operator=(const KeloDaemonProbe&) = delete;

    // True when the daemon's process changed since the last check (it
    // started, stopped or was restarted); says so on the console.
    bool checkForDaemon();
    // Starts a lookup on the worker (made on first use), unless one is
    // under way or its answer has not been taken yet.
    void requestCheck();
    // Applies the answer of a finished lookup as `checkForDaemon` would and
    // returns whether it changed; nullopt while no answer is waiting.
    std::optional<bool> takeAnswer();
    bool checkPending() const { return pending_; }
    bool daemonRunning() const { return daemonRunning_; }

private:
    struct Worker {
        std::mutex lock;
        std::condition_variable wake;
        bool requested = false;
        bool stop = false;
        std::optional<int> answer;
        std::thread thread;
    };

    int lookup() const;
    bool apply(int pid);
    void work();

    PidLookup lookup_;
    int KeloDaemonPID_ = 0;
    bool daemonRunning_ = false;
    bool pending_ = false;  // asked and not yet taken
    std::unique_ptr<Worker> worker_;
};
