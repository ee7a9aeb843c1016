#pragma once

#include "serverlink/KlE_Control_Status.h"
#include "support/KeloServerSim.h"

#include <cstdint>

// A link on three ports in a row from `citpPort` (CITP, status, preferences),
// so that tests running side by side in one namespace keep to their own.
// Each test file takes a block of its own, `base + 3 * __LINE__`: 20000
// server simulator, 40000 Status tab, 41000 collections, 42000 commands,
// 44000 preference road, 50000 preference edits, 52000 content editor model,
// 54000 Preferences tab, 56000 content editor window.
inline KlE_Control_Status::Options loopbackLinkOptions(uint16_t citpPort) {
    KlE_Control_Status::Options options;
    options.citpPort = citpPort;
    options.statusPort = uint16_t(citpPort + 1);
    options.prefsPort = uint16_t(citpPort + 2);
    return options;
}

// The simulated servers' side of the same ports.
inline KeloServerSim::Network simNetworkFor(const KlE_Control_Status::Options& options) {
    KeloServerSim::Network network;
    network.citpPort = options.citpPort;
    network.statusPort = options.statusPort;
    network.prefsPort = options.prefsPort;
    return network;
}
