#include "serverlink/ServerLinkLog.h"

#include "foundation/KeloPrintfLog.h"
#include "foundation/OmLog.h"
#include "serverlink/KlSockets.h"

#include <QByteArray>
#include <QtEndian>

#include <cstring>

std::atomic<bool> gLogCICVMEthernet{false};
std::atomic<bool> gServerLinkVerbose{false};

void logRefusedDatagram(const char* channel, uint32_t source, const char* what, size_t size,
                        const QString& how) {
    if (how.isEmpty()) return;
    OmLogNoFlood(kOmLogWarning, "%s channel: %s of %zu bytes from %s refused: %s\n", channel, what,
                 size, qPrintable(IpAddressString(source)), qPrintable(how));
}

void DumpCitp(const char* label, const char* bytes, size_t length, uint32_t sourceAddress,
              uint16_t sourcePort, const char* ifname) {
    if (!gLogCICVMEthernet || !bytes) return;
    QByteArray line;
    auto add = [&line](const QByteArray& part) {
        line += part;
        if (line.size() > 199) line.truncate(199);
    };
    add(QByteArray("   ") + label + " ");
    if (ifname && *ifname) add(QByteArray(ifname) + " ");
    if (sourceAddress) {
        add(QString::asprintf("ip %s p %d ", qPrintable(IpAddressString(sourceAddress)), sourcePort)
                .toUtf8());
    }
    size_t header = 4;
    if (length >= 14 && std::memcmp(bytes + 2, "KlEStat", 7) == 0) {
        add(QString::asprintf("KlEStat sz %d v %d, op %d, f %x ", qFromBigEndian<quint16>(bytes),
                              uint8_t(bytes[10]), uint8_t(bytes[11]),
                              qFromBigEndian<quint16>(bytes + 12))
                .toUtf8());
        header = 14;
    } else if (length >= 4) {
        add(QByteArray(bytes, 4) + " ");
    } else {
        header = length;
    }
    size_t offset = header;
    while (offset + 4 <= length && line.size() <= 89) {
        uint32_t word;
        std::memcpy(&word, bytes + offset, 4);
        add(QByteArray::number(word, 16) + " ");
        offset += 4;
    }
    for (size_t i = header; i < length && line.size() <= 179; ++i) {
        const uint8_t c = uint8_t(bytes[i]);
        line += (c < 32 || c > 126) ? '.' : char(c);
    }
    kelo::puts(line.left(199).constData());
}
