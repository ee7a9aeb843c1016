#pragma once

// The short TCP exchanges of a server object: the product query (a CITP/MSEX
// server-information message read from the server's CITP TCP port) and the
// content-database queries ("KlEC" commands to the server's BFTP daemon).
// Each query runs with its own copy of what it needs, product queries on
// the shared KeloTcpQueryPool and database queries on a detached thread of
// their own, and hands its result to the main thread; the KeloObject
// methods that start them live in KeloObjectTCP.cpp.

#include "serverlink/KlContentRef.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

// Reads until n bytes arrived, repeating interrupted calls. End of stream
// gives the count so far, another error -1, n < 1 gives 0.
int readn(int fd, void* buf, int n);
// n when everything went out, -1 on an error other than an interruption;
// n < 1 gives n. Never raises SIGPIPE on a socket the peer has closed.
int writen(int fd, const void* buf, int n);

// Bounds of every query: a silent or half-closed server ends it, never hangs
// the thread.
struct KeloTcpLimits {
    int connectTimeoutMs = 3000;
    int ioTimeoutMs = 5000;        // one read or write that makes no progress
    int queryDeadlineMs = 120000;  // a whole query, however the data trickles in
    // A reply claiming more data is refused before any of it is read.
    uint32_t maxReplyData = 64u << 20;
};
KeloTcpLimits keloTcpLimits();
void setKeloTcpLimits(const KeloTcpLimits& limits);

// Connects by TCP to a host-order address within the connect time-out; the
// socket then blocks with the I/O time-out on reads and writes. -1 on failure.
int keloTcpConnect(uint32_t address, uint16_t port);
// Replaces keloTcpConnect for every query (tests whose servers live at
// addresses that must not be contacted); null restores it.
void setKeloTcpConnector(std::function<int(uint32_t address, uint16_t port)> connector);

// Queries started and not yet ended, for tests that wait for them.
int keloTcpQueriesRunning();

// --- Product query ---------------------------------------------------------
inline constexpr int kProductReplyMax = 2048;
inline constexpr int kProductNameMax = 63;
// The product name of a CITP/MSEX "SInf" message: the low byte of each UCS-2
// character from offset 26 up to a NUL, the end of the data or 63
// characters. Nothing when the message is shorter than 35 bytes or is no
// "SInf".
std::optional<QString> productNameFromServerInfo(const char* data, size_t size);

// --- Content-database queries ----------------------------------------------
enum KeloDatabaseOpcode : int {
    kGetDatabase = 0,     // "GtDB"
    kGetThumbnail = 1,    // "GtTh"
    kGetFileEntry = 2,    // "GtFD"
    kGetFolderEntry = 3,  // "GtLD"
    kCleanUp = 4,         // "CLNP"
};
inline constexpr int kDatabaseRequestSize = 20;
inline constexpr int kDatabaseReplyHeaderSize = 16;

// The four-character command of an opcode; null outside 0-4.
const char* keloDatabaseCommand(int opcode);
// The notification an opcode's reply is posted as; null for 0 and outside 0-4.
const char* keloDatabaseNotification(int opcode);
// The 20-byte request; empty outside 0-4. The item goes out only for 1-3.
QByteArray keloDatabaseRequest(int opcode, const KlContentRef& item);
// The data length of a 16-byte reply header; nothing unless it carries
// "KlEC" at 0 and "DATA" at 8.
std::optional<uint32_t> keloDatabaseReplyLength(const char* header);
