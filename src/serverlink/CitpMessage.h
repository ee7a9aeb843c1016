#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// A server's CITP presence message (PINF/PLoc) as the controller uses it.
struct CitpPresence {
    uint16_t tcpPort = 0;
    QString name;
    bool running = false;
};

class CitpMessage {
public:
    // The smallest message size a presence message may claim.
    static constexpr uint32_t kMinMessageSize = 42;

    // Reads a datagram that passed the acceptance filter as a presence
    // message. False for presence messages of other kinds of device (`why`
    // empty) and for messages whose sizes or texts do not hold together
    // (`why` says how; may be null).
    static bool readPLoc(const char* data, size_t size, CitpPresence* out, QString* why = nullptr);
};
