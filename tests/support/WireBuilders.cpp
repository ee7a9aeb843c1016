#include "support/WireBuilders.h"

#include <QtEndian>

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

}  // namespace

namespace WireBuilders {

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
