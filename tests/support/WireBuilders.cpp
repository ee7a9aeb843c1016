#include "support/WireBuilders.h"

#include <QtEndian>

#include <algorithm>

namespace {

void appendBig16(QByteArray& out, uint16_t v) {
    char b[2];
    qToBigEndian<quint16>(v, b);
    out.append(b, 2);
}

void appendBig32(QByteArray& out, uint32_t v) {
    char b[4];
    qToBigEndian<quint32>(v, b);
    out.append(b, 4);
}

void putBig16(QByteArray& out, int at, uint16_t v) {
    qToBigEndian<quint16>(v, out.data() + at);
}

void putBig32(QByteArray& out, int at, uint32_t v) {
    qToBigEndian<quint32>(v, out.data() + at);
}

void putText(QByteArray& out, int at, const QByteArray& text, int field) {
    out.replace(at, qsizetype(std::min<qsizetype>(text.size(), field)), text.left(field));
}

constexpr int kFirstChunk = 64960;
constexpr int kLaterChunk = 64964;
constexpr int kMaxUnfragmented = 64999;

}  // namespace

namespace WireBuilders {

QByteArray layerStatus(const LayerStatus& s) {
    QByteArray out(24, '\0');
    out[0] = char(s.level);
    out[2] = char(s.mediaFolder);
    out[3] = char(s.mediaFile);
    out[5] = char(s.objectFile);
    out[6] = char(s.flags);
    putBig32(out, 8, s.length);
    putBig32(out, 12, s.position);
    putBig32(out, 16, s.inPoint);
    putBig32(out, 20, s.outPoint);
    return out;
}

QByteArray generalStatus(const GeneralStatus& s) {
    QByteArray out(456, '\0');
    out[0] = char(s.flags);
    out[1] = char(s.usbStat);
    putBig16(out, 2, s.universe);
    out[4] = char(s.profile);
    putBig16(out, 6, s.width);
    putBig16(out, 8, s.height);
    putBig32(out, 10, s.dmxSourceIp);
    putBig16(out, 16, s.fps);
    putBig32(out, 20, s.timeCode);
    out[24] = char(s.expanded);
    out[25] = char(s.layerCount);
    out[28] = char(s.vMajor);
    out[29] = char(s.vMinor);
    out[30] = char(s.dimmer1);
    out[31] = char(s.dimmer2);
    for (int i = 0; i < 3; ++i) out[32 + i] = char(s.groups[i]);
    out[35] = char(s.prefUpdates);
    out[36] = char(s.prefIncrType);
    out[37] = char(s.outputCount);
    out[39] = char(s.flexBlock);
    for (size_t i = 0; i < s.layers.size() && i < 14; ++i)
        out.replace(40 + 24 * qsizetype(i), 24, layerStatus(s.layers[i]));
    putText(out, 376, s.version, 19);
    putText(out, 396, s.alias, 60);
    return out;
}

QByteArray layerDetail(const LayerDetail& d) {
    QByteArray out(192, '\0');
    out[0] = char(d.level);
    out[1] = char(d.library);
    out[2] = char(d.number);
    out[4] = char(d.playSpeed);
    out[6] = char(d.saturation);
    out[8] = char(d.objectNumber);
    putBig16(out, 14, d.width);
    putBig16(out, 16, d.height);
    putText(out, 18, d.codec, 4);
    putBig32(out, 24, d.length);
    putBig32(out, 28, d.position);
    putBig32(out, 36, d.outPoint);
    putBig16(out, 44, d.fileFps);
    putBig16(out, 46, d.playFps);
    putBig16(out, 48, d.decompressMs);
    putBig16(out, 50, d.fileMs);
    putText(out, 64, d.clipName, 63);
    putText(out, 128, d.objectName, 63);
    return out;
}

std::vector<QByteArray> contentItemDatagrams(const QByteArray& text, const QUuid& uuid) {
    const QByteArray payload = text + '\0';
    // Every datagram ends with two bytes that the length field counts.
    auto datagram = [](uint16_t flag, const QByteArray& body) {
        QByteArray out = serverHeader(kContentItemData);
        qToLittleEndian<quint16>(flag, out.data() + 12);
        appendBig16(out, uint16_t(body.size()));
        out += body;
        out.append(2, '\0');
        qToBigEndian<quint16>(uint16_t(out.size()), out.data());
        return out;
    };
    if (payload.size() <= kMaxUnfragmented) return {datagram(0, payload)};
    std::vector<QByteArray> out;
    const QByteArray id = uuid.toRfc4122();
    for (qsizetype sent = 0; sent < payload.size();) {
        QByteArray body = id;
        char word[4];
        qToLittleEndian<quint32>(quint32(sent), word);
        body.append(word, 4);
        if (sent == 0) {
            qToLittleEndian<quint32>(quint32(payload.size()), word);
            body.append(word, 4);
        }
        const qsizetype chunk = sent == 0 ? kFirstChunk : kLaterChunk;
        body += payload.mid(sent, chunk);
        sent += std::min(chunk, payload.size() - sent);
        out.push_back(datagram(1, body));
    }
    return out;
}

QByteArray serverHeader(uint8_t op, uint16_t flags) {
    QByteArray out;
    appendBig16(out, 14);
    out.append("KlEStat", 8);
    out.append('\0');
    out.append(char(op));
    appendBig16(out, flags);
    return out;
}

QByteArray serverMessage(uint8_t op, uint16_t flags, const QByteArray& payload, int payloadLength) {
    QByteArray out = serverHeader(op, flags);
    appendBig16(out, uint16_t(payloadLength < 0 ? payload.size() : payloadLength));
    return out + payload;
}

QByteArray statusRecord(uint16_t typeWord, const QByteArray& body, int length) {
    QByteArray out;
    appendBig16(out, uint16_t(length < 0 ? body.size() + 4 : length));
    appendBig16(out, typeWord);
    return out + body;
}

QByteArray previewRecord(uint16_t typeWord, uint16_t width, uint16_t height, uint16_t originalWidth,
                         uint16_t originalHeight, const QByteArray& jpeg, int dataLength) {
    QByteArray body;
    appendBig16(body, width);
    appendBig16(body, height);
    appendBig16(body, originalWidth);
    appendBig16(body, originalHeight);
    appendBig16(body, uint16_t(dataLength < 0 ? jpeg.size() : dataLength));
    return statusRecord(typeWord, body + jpeg);
}

QByteArray statusReply(std::initializer_list<QByteArray> records, bool terminated) {
    QByteArray out = serverHeader(11);
    for (const QByteArray& r : records) out += r;
    if (terminated) out.append(2, '\0');
    return out;
}

QByteArray citpPLoc(uint16_t tcpPort, const QByteArray& type, const QByteArray& name,
                    const QByteArray& state, int64_t messageSize) {
    QByteArray out("CITP");
    out.append(char(1)).append(char(0));  // protocol version 1.0
    out.append(2, '\0');                  // request index
    out.append(4, '\0');                  // message size, filled below
    out.append(char(1)).append(char(0));  // one message part
    out.append(2, '\0');                  // part 0
    out.append("PINF").append("PLoc");
    char port[2];
    qToLittleEndian<quint16>(tcpPort, port);
    out.append(port, 2);
    out.append(type).append('\0').append(name).append('\0').append(state).append('\0');
    qToLittleEndian<quint32>(quint32(messageSize < 0 ? out.size() : messageSize), out.data() + 8);
    return out;
}

QByteArray transferBeacon(uint32_t daemonVersion, uint32_t keloVersion, uint16_t progressSecs,
                          uint16_t progressMax, uint32_t subnetMask, uint16_t bftpPort,
                          uint8_t collectionID, const QByteArray& timeStamp) {
    QByteArray out("BFTP");
    out.append(28, '\0');
    out.append("BFTT");
    appendBig32(out, daemonVersion);
    appendBig32(out, keloVersion);
    appendBig16(out, progressSecs);
    appendBig16(out, progressMax);
    appendBig32(out, subnetMask);
    out.append(8, '\0');
    appendBig16(out, bftpPort);
    out.append(char(collectionID));
    out.append(timeStamp).append('\0');
    return out;
}

}  // namespace WireBuilders
