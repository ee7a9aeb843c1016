#pragma once

// A view of the servers that the controller tick refreshes; the program adds
// its views to the tick in the order they are to be refreshed. Main thread
// only.
class KeloRemoteTickView {
public:
    virtual ~KeloRemoteTickView() = default;
    // The list of servers changed: one appeared or was lost, an address, the
    // network interfaces or a server's collection changed.
    virtual void reloadData() {}
    // Every tick, after any reload.
    virtual void performUpdate() {}
    // Every 300 s: everything again, names and mixes included.
    virtual void fullRefresh() {}
};
