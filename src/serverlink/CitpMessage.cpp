#include "serverlink/CitpMessage.h"

#include "foundation/OmLog.h"
#include "serverlink/KlEStatMessage.h"

#include <QtEndian>

#include <cstring>

bool CitpMessage::readPLoc(const char* data, size_t size, CitpPresence* out) {
    constexpr size_t kTypeOffset = 26;
    if (size < kTypeOffset) {
        OmLogNoFlood(kOmLogWarning, "CITP PLoc of %d bytes is truncated\n", int(size));
        return false;
    }
    const uint32_t messageSize = qFromLittleEndian<quint32>(data + 8);
    if (messageSize < kMinMessageSize) {
        OmLogNoFlood(kOmLogVerbose, "CITP PLoc claims only %u bytes\n", messageSize);
        return false;
    }
    if (messageSize > size) {
        OmLogNoFlood(kOmLogWarning, "CITP PLoc claims %u bytes, %d received\n", messageSize,
                     int(size));
        return false;
    }
    // The texts must end within the message itself.
    const size_t end = messageSize;
    QByteArray type, name, state;
    size_t nameOffset = 0, stateOffset = 0;
    if (!KlReadCText(data, end, kTypeOffset, &type, &nameOffset) ||
        !KlReadCText(data, end, nameOffset, &name, &stateOffset) ||
        !KlReadCText(data, end, stateOffset, &state, nullptr)) {
        OmLogNoFlood(kOmLogWarning, "CITP PLoc of %u bytes has an unterminated text\n",
                     messageSize);
        return false;
    }
    if (type != "MediaServer" || !name.startsWith("Kelo")) {
        OmLogNoFlood(kOmLogVerbose, "CITP PLoc of another device ignored\n");
        return false;
    }
    out->tcpPort = qFromLittleEndian<quint16>(data + 24);
    out->name = QString::fromUtf8(name);
    out->running = state == "Running";
    return true;
}
