#pragma once

#include <cstdint>

// Change counters of one server. Views keep their own copy and redraw what
// differs; counters only grow (wrap-around is harmless: consumers compare for
// equality).
struct ServerChanges {
    enum Mask : int {
        kAddress = 1,
        kState = 2,
        kImage = 4,
        kPrefsDict = 8,
        kServer = 16,
        kGeneralStatusMajorChange = 32,
        kNetwork = 64,
        kName = 128,
        // Changes after which views should wait for a fresh general status.
        kNeedsGeneralStatus = kAddress | kState | kServer | kNetwork | kName,
    };

    int32_t address = 0;
    int32_t state = 0;
    int32_t image = 0;
    int32_t prefsDict = 0;
    int32_t server = 0;
    int32_t generalStatusMajorChangeIncrement = 0;
    int32_t network = 0;
    int32_t name = 0;
    uint8_t _waitingForGeneralStatus = 0;

    void Increment(int mask) {
        // Unsigned arithmetic: the counters wrap instead of overflowing.
        auto bump = [](int32_t& c) { c = int32_t(uint32_t(c) + 1u); };
        if (mask & kAddress) bump(address);
        if (mask & kState) bump(state);
        if (mask & kImage) bump(image);
        if (mask & kPrefsDict) bump(prefsDict);
        if (mask & kServer) bump(server);
        if (mask & kGeneralStatusMajorChange) bump(generalStatusMajorChangeIncrement);
        if (mask & kNetwork) bump(network);
        if (mask & kName) bump(name);
        if (mask & kNeedsGeneralStatus) _waitingForGeneralStatus = 1;
    }

    bool operator==(const ServerChanges&) const = default;
};
