#include "serverlink/KlECMessage.h"

#include "foundation/OmLog.h"
#include "serverlink/KlEStatMessage.h"

#include <QtEndian>

#include <cstring>

namespace {

QByteArray start(size_t size) {
    QByteArray out(qsizetype(size), '\0');
    std::memcpy(out.data(), "KlEC", 4);
    qToLittleEndian<quint32>(quint32(size), out.data() + 4);
    return out;
}

}  // namespace

QByteArray KlECMessage::command(uint32_t command) {
    QByteArray out = start(12);
    qToBigEndian<quint32>(command, out.data() + 8);
    return out;
}

QByteArray KlECMessage::commandWithData(uint32_t command, const QByteArray& data) {
    const size_t size = 16 + size_t(data.size());
    if (size > kMaxSentDatagram) {
        OmLogNoFlood(kOmLogWarning, "daemon command %08x with %d bytes of data does not fit\n",
                     command, int(data.size()));
        return {};
    }
    QByteArray out = start(size);
    qToBigEndian<quint32>(command, out.data() + 8);
    qToBigEndian<quint32>(quint32(data.size()), out.data() + 12);
    std::memcpy(out.data() + 16, data.constData(), size_t(data.size()));
    return out;
}

QByteArray KlECMessage::collectionAssignment(uint8_t collectionID) {
    QByteArray out = start(13);
    std::memcpy(out.data() + 8, "COLL", 4);
    out[12] = char(collectionID);
    return out;
}
