#pragma once

// Datagrams as a Kelo server sends them, for tests and the simulated server.
// They build exactly what is asked, lies included: every length can be given
// explicitly to make a datagram that does not hold together.

#include <QByteArray>
#include <QUuid>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace WireBuilders {

// Server message ops a simulated server sends or answers.
enum Op : uint8_t {
    kStatusRequest = 10,
    kStatusReply = 11,
    kPrefsDictRequest = 16,
    kPrefsDict = 17,
    kGetPref = 18,
    kOnePref = 19,
    kSetPref = 20,
    kContentQuery = 22,
    kContentItemData = 23,
    kContentSet = 24,
};
// Request-word kinds of a version 4 status request (bits 13-15).
constexpr uint16_t kLayerImageRequest = 0x8000;
constexpr uint16_t kOutputImageRequest = 0x4000;
constexpr uint16_t kMixImageRequest = 0x2000;
// The largest UDP payload over IPv4.
constexpr int kMaxDatagram = 65507;

// A layer's status, 24 bytes. Times are seconds in 24.8 fixed point.
struct LayerStatus {
    uint8_t level = 0;
    uint8_t mediaFolder = 0;
    uint8_t mediaFile = 0;
    uint8_t objectFile = 0;
    uint8_t flags = 0;  // bit 7: layer not shown
    uint32_t length = 0;
    uint32_t position = 0;
    uint32_t inPoint = 0;
    uint32_t outPoint = 0;
};
QByteArray layerStatus(const LayerStatus& s);

// The general status, 456 bytes: the body of a type-1 status record.
struct GeneralStatus {
    uint8_t flags = 0;
    uint8_t usbStat = 0;
    uint16_t universe = 0;
    uint8_t profile = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t dmxSourceIp = 0;
    uint16_t fps = 0;
    uint32_t timeCode = 0;
    uint8_t expanded = 0;
    uint8_t layerCount = 0;
    uint8_t vMajor = 0;
    uint8_t vMinor = 0;
    uint8_t dimmer1 = 0;
    uint8_t dimmer2 = 0;
    uint8_t groups[3] = {};
    uint8_t prefUpdates = 0;
    uint8_t prefIncrType = 0;
    uint8_t outputCount = 0;
    uint8_t flexBlock = 0;            // which block of 14 layers `layers` holds
    std::vector<LayerStatus> layers;  // at most 14
    QByteArray version;               // up to 19 bytes
    QByteArray alias;                 // up to 60 bytes, NUL-padded
};
QByteArray generalStatus(const GeneralStatus& s);

// A layer's detail, 192 bytes: the body of a layer-detail record.
struct LayerDetail {
    uint8_t level = 0;
    uint8_t library = 0;
    uint8_t number = 0;
    uint8_t playSpeed = 0;
    uint8_t saturation = 0;
    uint8_t objectNumber = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    QByteArray codec;  // 4 bytes
    uint32_t length = 0;
    uint32_t position = 0;
    uint32_t outPoint = 0;
    uint16_t fileFps = 0;  // 8.8 fixed point
    uint16_t playFps = 0;
    uint16_t decompressMs = 0;
    uint16_t fileMs = 0;
    QByteArray clipName;    // up to 63 bytes
    QByteArray objectName;  // up to 63 bytes
};
QByteArray layerDetail(const LayerDetail& d);

// The op 23 datagrams carrying `text` and its NUL: one when it fits in
// 64999 bytes, else fragments (UUID, little-endian offset, the total in the
// first, up to 64960 and then 64964 bytes of text each).
std::vector<QByteArray> contentItemDatagrams(const QByteArray& text,
                                             const QUuid& uuid = QUuid::createUuid());

// Bytes 0-13 of a server message: length 14, magic, version 0, op, flags.
QByteArray serverHeader(uint8_t op, uint16_t flags = 0);
// A server message with a payload from byte 16; `payloadLength` -1 means the
// payload's size.
QByteArray serverMessage(uint8_t op, uint16_t flags, const QByteArray& payload,
                         int payloadLength = -1);

// One status reply record; `length` -1 means 4 + the body's size.
QByteArray statusRecord(uint16_t typeWord, const QByteArray& body, int length = -1);
// A preview picture record; `dataLength` -1 means the JPEG's size.
QByteArray previewRecord(uint16_t typeWord, uint16_t width, uint16_t height, uint16_t originalWidth,
                         uint16_t originalHeight, const QByteArray& jpeg, int dataLength = -1);
// An op 11 reply: the records, then a zero record length when `terminated`.
QByteArray statusReply(std::initializer_list<QByteArray> records, bool terminated = true);

// A CITP PINF/PLoc message; `messageSize` -1 means the datagram's size.
QByteArray citpPLoc(uint16_t tcpPort, const QByteArray& type, const QByteArray& name,
                    const QByteArray& state, int64_t messageSize = -1);

// A "BFTT" beacon; the time stamp gets its NUL.
QByteArray transferBeacon(uint32_t daemonVersion, uint32_t keloVersion, uint16_t progressSecs,
                          uint16_t progressMax, uint32_t subnetMask, uint16_t bftpPort,
                          uint8_t collectionID, const QByteArray& timeStamp);

}  // namespace WireBuilders
