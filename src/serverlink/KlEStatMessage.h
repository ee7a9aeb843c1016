#pragma once

#include "serverlink/KeloStatusRecords.h"
#include "serverlink/KlReqV4.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// UDP ports and multicast groups of the server link. Groups are host order.
constexpr uint16_t kKlEStatusPort = 4810;          // status requests, daemon commands
constexpr uint16_t kKlEPrefsPort = 6437;           // preferences, remote commands, content editor
constexpr uint16_t kCitpPort = 4809;               // discovery and beacons
constexpr uint32_t kCitpGroup = 0xE00000B4;        // 224.0.0.180
constexpr uint32_t kCitpGroupScoped = 0xEFE000B4;  // 239.224.0.180

// The receive buffer of the server link; no received datagram is longer.
constexpr size_t kMaxReceivedDatagram = 65792;
// The largest UDP payload over IPv4: nothing longer is built for sending.
constexpr size_t kMaxSentDatagram = 65507;

// Operations (byte 11 of a server message).
enum KlEStatOp : uint8_t {
    kKlEOpStatusRequest = 10,
    kKlEOpStatusReply = 11,
    kKlEOp12 = 12,  // accepted and ignored, as is 254
    kKlEOpPrefsDictRequest = 16,
    kKlEOpPrefsDict = 17,
    kKlEOpGetPref = 18,
    kKlEOpOnePref = 19,
    kKlEOpSetPref = 20,
    kKlEOpContentQuery = 22,
    kKlEOpContentItemData = 23,
    kKlEOpContentSet = 24,
    kKlEOp254 = 254,
};

// Short form of the server message header, 14 bytes. Byte arrays only, so the
// struct has no padding and may overlay a buffer at any offset.
struct kle_v3_statreq {
    BigEndian16 length;
    char magic[8];
    uint8_t version;
    uint8_t op;
    BigEndian16 flags;  // the request word of a status request
};

// Full server message header, 16 bytes; the payload follows.
struct _kle_v3_stat_data {
    BigEndian16 length;
    char magic[8];
    uint8_t version;
    uint8_t op;
    BigEndian16 flags;
    BigEndian16 payloadLength;
};

static_assert(sizeof(kle_v3_statreq) == 14);
static_assert(sizeof(_kle_v3_stat_data) == 16);

// Template of both header forms: all zero but the magic "KlEStat" and its NUL.
inline constexpr _kle_v3_stat_data blank_stat = {
    {}, {'K', 'l', 'E', 'S', 't', 'a', 't', 0}, 0, 0, {}, {}};

// Fills a short header from blank_stat: length 14, `op` and the request word
// of `request` (0 without one). Nothing happens without a header.
void initStatusRequest(kle_v3_statreq* header, uint8_t op, const KlReqV4* request);

// What the acceptance filter lets through; everything else is dropped.
enum class KlDatagramKind { Dropped, BftpBeacon, CitpPresence, ServerMessage };

// Server messages ("KlEStat"): building what the controller sends and reading
// what a server sends back. No sockets here. Builders return an empty array
// when the datagram cannot be built (nothing is to be sent then); readers
// return false for a datagram whose lengths do not hold and say why through
// `why` (may be null): the receiving channel logs it.
class KlEStatMessage {
public:
    static KlDatagramKind acceptDatagram(const char* data, size_t size);

    // Status request (op 10), 14 bytes, carrying the folded request word.
    static QByteArray statusRequest(uint16_t requestWord);
    static QByteArray statusRequest(const KlReqV4& request);
    // Preference dictionary request (op 16), 14 bytes.
    static QByteArray prefsDictRequest();
    // Get one preference (op 18). Keys longer than kMaxGetPrefKeyLength give
    // an empty array: the server reads the request into a 256-byte area.
    static constexpr size_t kMaxGetPrefKeyLength = 239;
    static QByteArray getPrefRequest(const QByteArray& key);
    // Set one preference (op 20): key, NUL, value, NUL after the header.
    static QByteArray setPrefRequest(const QByteArray& key, const QByteArray& value,
                                     uint16_t flags);
    // Remote commands: the low 8 bits of the command are the op.
    static QByteArray remoteCommand(uint32_t command);
    static QByteArray remoteCommandWithData(uint32_t command, const QByteArray& data);

    // The op of a server message, or -1 when it is too short to have one.
    static int op(const char* data, size_t size);
    // Op 17: the property-list text, without a trailing NUL.
    static bool readPrefsDict(const char* data, size_t size, QByteArray* text,
                              QString* why = nullptr);
    // Op 19: key and value.
    static bool readOnePref(const char* data, size_t size, QByteArray* key, QByteArray* value,
                            QString* why = nullptr);
    // Op 23: either a fragment for the message collector (`fragment` true,
    // `bytes` the payload) or the whole message text without its NUL.
    static bool readContentItem(const char* data, size_t size, bool* fragment, QByteArray* bytes,
                                QString* why = nullptr);
};

// Reads a NUL-terminated text starting at `offset` of `size` bytes. Returns
// false when the text does not end within the bytes; `end` is then untouched,
// else the offset just after the NUL.
bool KlReadCText(const char* data, size_t size, size_t offset, QByteArray* text, size_t* end);
