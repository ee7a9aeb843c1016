#pragma once

// Logging of the server link: the one line a channel writes for a datagram
// it refuses, the datagram dump and the switches that turn logging up.

#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>

// Prints each received datagram while on. Set on the main thread (start-up,
// a debugging command); read by the main thread's receive path for every
// datagram, while the receive threads run.
extern std::atomic<bool> gLogCICVMEthernet;
// More console output from the link (sockets, managership, TCP queries).
// Set by the program at start, before or after the receive threads run;
// read on the main thread.
extern std::atomic<bool> gServerLinkVerbose;

// The line every channel logs for a datagram it refuses:
// "<channel> channel: <what> of <size> bytes from <a.b.c.d> refused: <how>".
// An empty `how` means the datagram is not for us but not wrong either: no
// line then. Any thread.
void logRefusedDatagram(const char* channel, uint32_t source, const char* what, size_t size,
                        const QString& how);

void DumpCitp(const char* label, const char* bytes, size_t length, uint32_t sourceAddress,
              uint16_t sourcePort, const char* ifname);
