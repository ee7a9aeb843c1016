#pragma once

#include <QString>

#include <cstdint>

// Small socket helpers of the server link. Addresses are u32 in host order
// (first octet in the high byte); they are swapped to network order only here.

// socket(), never handing out descriptor 0 (someone closed it by mistake and
// a later close(0) would hit us): retries once, then gives -1.
int safesocket(int domain, int type, int protocol);

// Closes a descriptor greater than 0. The socket is shut down first so that a
// thread blocked receiving on it wakes up (close alone does not wake it here).
void safeCloseSocket(int socket);

// Binds the socket to the interface address (port 0) and makes that address
// its multicast interface. On failure the socket is closed and -1 returned.
int setMulticastInterface(int socket, uint32_t interfaceAddress, bool verbose = false);

// A UDP socket bound to any address at the port; -1 when no socket can be
// made. A failed bind is logged and the socket returned all the same.
int createSocket(uint16_t port);

// A UDP socket bound to any address at the port (SO_REUSEPORT), broadcast
// enabled, joined to the group on the interface address and, when asked,
// sending through that interface. Failing options are logged and the socket
// is returned all the same; -1 only when no socket can be made.
int createMulticastSocket(uint16_t port, uint32_t group, uint32_t interfaceAddress,
                          bool setInterface, bool verbose);

// Joins the group on the interface with that address; 0 or -1 (errno set).
int joinMulticastGroup(int socket, uint32_t group, uint32_t interfaceAddress);

// This computer's host name.
QString getComputerName();

// "%d.%d.%d.%d", first octet from the high byte.
QString IpAddressString(uint32_t address);

// Host-order 127.0.0.1.
inline constexpr uint32_t kLoopbackAddress = 0x7F000001u;
