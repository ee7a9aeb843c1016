#pragma once

#include <QObject>

#include <memory>
#include <vector>

class KeloRemoteTickView;
class KlE_Control_Status;
class OmLog;
class QTimer;

// The application controller's 0.2 s tick, shared by the windowed program and
// the headless tools. In this order: read the server link's change bits;
// reload the views when the server list changed; let every view update;
// make the link post its change notification and clear the bits; check the
// log's flood counts and flush it; refresh the status line. A second timer
// asks every view for a full refresh each 300 s. Main thread only.
class KeloRemoteTick {
public:
    static constexpr int kIntervalMs = 200;
    // The views' periodic full refresh.
    static constexpr int kFullRefreshMs = 300 * 1000;
    // Change bits that rebuild the server list: 1 an address or port, 16 a
    // server appeared or was lost, 64 interfaces rescanned, 128 a server's
    // collection. A running-state change (2) alone does not.
    static constexpr int kServerListChanges = 1 | 16 | 64 | 128;

    KeloRemoteTick(KlE_Control_Status& link, OmLog& log);
    ~KeloRemoteTick();
    KeloRemoteTick(const KeloRemoteTick&) = delete;
    KeloRemoteTick& operator=(const KeloRemoteTick&) = delete;

    // Not owned; a view stays until removed and outlives its membership.
    void addView(KeloRemoteTickView* view);
    void removeView(KeloRemoteTickView* view);

    // The repeating timers on the Qt event loop.
    void start();
    void stop();
    bool isActive() const;
    OmLog& log() const { return log_; }
    // One tick.
    void tick();
    void fullRefresh();

private:
    KlE_Control_Status& link_;
    OmLog& log_;
    std::vector<KeloRemoteTickView*> views_;
    std::unique_ptr<QTimer> timer_;
    std::unique_ptr<QTimer> fullRefreshTimer_;
};
