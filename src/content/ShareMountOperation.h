#pragma once

#include <QString>
#include <QUrl>

#include <atomic>
#include <memory>

class QProcess;

// Result codes of a share mount.
inline constexpr int kMountOK = 0;
inline constexpr int kMountFailed = -1;
inline constexpr int kMountBusy = -47;
inline constexpr int kMountCancelled = -128;

// One asynchronous share mount through GVfs: "gio mount <url>" with the
// user name and password written to its standard input (never to its
// arguments, never to the log). Made, waited for and destroyed on one thread
// (the worker that mounts); cancel() may come from any thread and takes
// effect at that thread's next wait.
class ShareMountOperation {
public:
    ShareMountOperation();
    ~ShareMountOperation();
    ShareMountOperation(const ShareMountOperation&) = delete;
    ShareMountOperation& operator=(const ShareMountOperation&) = delete;

    // The program standing in for "gio" (tests); empty restores "gio".
    static void setMounterProgram(const QString& program);

    // kMountOK when the mount started, else a negative code. Without a user
    // name the mount goes without credentials.
    int start(const QUrl& server, const QString& user, const QString& password);
    // Waits up to `ms` for the end; true once it ended (resultCode() is set).
    bool waitForEnd(int ms);
    bool ended() const { return ended_; }
    int resultCode() const { return result_; }
    void cancel() { cancelRequested_ = true; }

private:
    void finish(int code);

    std::unique_ptr<QProcess> process_;
    std::atomic<bool> cancelRequested_{false};
    bool ended_ = false;
    int result_ = kMountOK;
};
