#include "serverlink/CitpMessage.h"

#include "serverlink/KlEStatMessage.h"

#include <QtEndian>

#include <cstring>

namespace {

bool refuse(QString* why, const QString& reason) {
    if (why) *why = reason;
    return false;
}

}  // namespace

bool CitpMessage::readPLoc(const char* data, size_t size, CitpPresence* out, QString* why) {
    constexpr size_t kTypeOffset = 26;
    if (size < kTypeOffset) return refuse(why, "presence message is truncated");
    const uint32_t messageSize = qFromLittleEndian<quint32>(data + 8);
    if (messageSize < kMinMessageSize)
        return refuse(why, QString::asprintf("presence message claims only %u bytes", messageSize));
    if (messageSize > size) {
        return refuse(why, QString::asprintf("presence message claims %u bytes, %d received",
                                             messageSize, int(size)));
    }
    // The texts must end within the message itself.
    const size_t end = messageSize;
    QByteArray type, name, state;
    size_t nameOffset = 0, stateOffset = 0;
    if (!KlReadCText(data, end, kTypeOffset, &type, &nameOffset) ||
        !KlReadCText(data, end, nameOffset, &name, &stateOffset) ||
        !KlReadCText(data, end, stateOffset, &state, nullptr)) {
        return refuse(why, "presence message has an unterminated text");
    }
    // Other devices share the port: theirs is no fault, only not ours.
    if (type != "MediaServer" || !name.startsWith("Kelo")) return refuse(why, QString());
    out->tcpPort = qFromLittleEndian<quint16>(data + 24);
    out->name = QString::fromUtf8(name);
    out->running = state == "Running";
    return true;
}
