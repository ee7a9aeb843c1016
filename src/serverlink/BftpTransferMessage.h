#pragma once

#include "serverlink/KlContentRef.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <vector>

// Four-character codes are held as 32-bit integers, first character in the
// high byte (big-endian on the wire).
constexpr uint32_t fourCharCode(const char (&code)[5]) {
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
           uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
}

inline constexpr uint32_t kTransferStatusPending = fourCharCode("pend");
inline constexpr uint32_t kTransferStatusProgress = fourCharCode("prog");
inline constexpr uint32_t kTransferStatusAborted = fourCharCode("abrt");

// Why a transfer task ended before its time; 0 is a normal end.
enum KeloTransferAbortReason : int {
    kTransferEndedNormally = 0,
    kTransferNothingToRead = 1,  // the write failed or the last reply had no body
    kTransferStopRequested = 2,
    kTransferForceStopped = 3,   // the forced stop took the socket
    kTransferShortHeader = 4,    // also when the master closes the connection
    kTransferShortBody = 5,      // also a reply length or receiver list out of bounds
    kTransferBadMagic = 6,       // not "BFTP"
    kTransferBadReplyMagic = 7,  // not "BFTp"
    kTransferSocketFailure = 8,  // socket, keep-alive or connect
};

// What the controller asks a collection master's transfer daemon to do.
struct BftpTransferRequest {
    uint32_t transferID = 0;
    uint8_t collectionID = 0;
    uint16_t bitRate = 0;
    uint16_t udpPort = 0;
    uint8_t opcode = 0;
    KlContentRef content;
    std::vector<uint32_t> receivers;  // host order
};

struct BftpReceiverReport {
    uint32_t address = 0;  // host order
    uint32_t status = 0;
    uint32_t resetCount = 0;
};

// One progress reply of the daemon.
struct BftpProgressReply {
    uint32_t length = 0;
    uint32_t transferID = 0;
    uint32_t status = 0;
    uint8_t collectionID = 0;
    uint16_t flags = 0;     // Mbit/s while in progress, report flags otherwise
    uint16_t progress = 0;  // 0..65535 for 0..1
    KlContentRef content;
    QByteArray name;
    std::vector<BftpReceiverReport> receivers;
};

// The BFTP transfer request and its progress replies, sent over TCP.
class BftpTransferMessage {
public:
    static constexpr size_t kRequestSize = 44;  // without the receivers
    static constexpr size_t kMaxReceivers = 255;
    static constexpr size_t kReplyHeaderSize = 8;
    static constexpr size_t kReplyNameOffset = 56;
    // The reply buffer; a reply that claims more is refused unread.
    static constexpr size_t kMaxReplySize = 16384;

    // 44 + 4n bytes; receivers past the 255th are left out.
    static QByteArray request(const BftpTransferRequest& request);

    // Checks the first 8 bytes of a reply and gives its whole length:
    // kTransferBadMagic, kTransferNothingToRead for a reply without body, or
    // kTransferShortBody when the length cannot hold the fixed fields or
    // exceeds the reply buffer.
    static int readReplyHeader(const char* header, uint32_t* length);

    // Reads one whole reply from the first of `size` bytes: 0 or an abort
    // reason. Fewer bytes than its length field claims, or a receiver list
    // that runs past its end, is a short body.
    static int readReply(const char* data, size_t size, BftpProgressReply* out);
};
