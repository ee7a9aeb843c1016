#include "serverlink/BftpBeacon.h"

#include "serverlink/KlEStatMessage.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

bool refuse(QString* why, const QString& reason) {
    if (why) *why = reason;
    return false;
}

bool subMagicIs(const char* data, size_t size, const char* magic) {
    return size >= 36 && std::memcmp(data, "BFTP", 4) == 0 && std::memcmp(data + 32, magic, 4) == 0;
}

}  // namespace

QByteArray BftpBeacon::managerBeacon(uint8_t collectionID, const QByteArray& identity) {
    QByteArray out(qsizetype(kManagerBeaconSize), '\0');
    std::memcpy(out.data(), "BFTP", 4);
    qToBigEndian<quint32>(1, out.data() + 24);
    std::memcpy(out.data() + 32, "BFTM", 4);
    out[62] = char(collectionID);
    const qsizetype nul = identity.indexOf('\0');
    const size_t length = std::min(size_t(nul < 0 ? identity.size() : nul), kIdentityField - 1);
    std::memcpy(out.data() + kTextOffset, identity.constData(), length);
    return out;
}

bool BftpBeacon::readTransferBeacon(const char* data, size_t size, BftpTransferBeacon* out,
                                    QString* why) {
    QByteArray stamp;
    if (!subMagicIs(data, size, "BFTT") || !KlReadCText(data, size, kTextOffset, &stamp, nullptr))
        return refuse(why, "transfer beacon is truncated");
    out->daemonVersion = qFromBigEndian<quint32>(data + 36);
    out->keloVersion = qFromBigEndian<quint32>(data + 40);
    const bool hasProgress = out->daemonVersion >= kProgressDaemonVersion;
    out->progressSecs = hasProgress ? qFromBigEndian<quint16>(data + 44) : 0;
    out->progressMax = hasProgress ? qFromBigEndian<quint16>(data + 46) : 0;
    out->subnetMask = hasProgress ? qFromBigEndian<quint32>(data + 48) : 0;
    out->bftpTcpPort = qFromBigEndian<quint16>(data + 60);
    out->collectionID = uint8_t(data[62]);
    out->contentTimeStamp = QString::fromUtf8(stamp);
    return true;
}

bool BftpBeacon::readManagerBeacon(const char* data, size_t size, BftpManagerBeacon* out,
                                   QString* why) {
    const size_t fieldEnd = std::min(size, kManagerBeaconSize);
    if (!subMagicIs(data, size, "BFTM") || fieldEnd <= kTextOffset)
        return refuse(why, "manager beacon is truncated");
    const char* identity = data + kTextOffset;
    const void* nul = std::memchr(identity, 0, fieldEnd - kTextOffset);
    // A full field needs no NUL; a shorter datagram must end its text.
    if (!nul && fieldEnd < kManagerBeaconSize)
        return refuse(why, "manager beacon has an unterminated identity");
    const size_t length =
        nul ? size_t(static_cast<const char*>(nul) - identity) : fieldEnd - kTextOffset;
    out->collectionID = uint8_t(data[62]);
    out->identity = QByteArray(identity, qsizetype(length));
    return true;
}
