#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// A server daemon's transfer-service beacon ("BFTT").
struct BftpTransferBeacon {
    uint32_t daemonVersion = 0;
    uint32_t keloVersion = 0;
    // Progress and mask are only sent by daemons of version 0x04000000 on;
    // they read as 0 from older ones.
    uint16_t progressSecs = 0;
    uint16_t progressMax = 0;
    uint32_t subnetMask = 0;
    uint16_t bftpTcpPort = 0;
    uint8_t collectionID = 0;
    QString contentTimeStamp;
};

// A content manager's beacon ("BFTM").
struct BftpManagerBeacon {
    uint8_t collectionID = 0;
    QByteArray identity;  // without NUL, at most kIdentityField bytes
};

// The BFTP beacons multicast on the discovery port.
class BftpBeacon {
public:
    static constexpr size_t kManagerBeaconSize = 175;
    // Identity (BFTM) or content time stamp (BFTT) text.
    static constexpr size_t kTextOffset = 63;
    static constexpr size_t kIdentityField = 112;
    static constexpr uint32_t kProgressDaemonVersion = 0x04000000;

    // Beacon of this controller as content manager of one collection. The
    // identity is cut at its first NUL and at 111 bytes, so it always ends
    // with a NUL within its field.
    static QByteArray managerBeacon(uint8_t collectionID, const QByteArray& identity);

    // Readers of datagrams that passed the acceptance filter as BFTP beacons;
    // false with the reason in `why` (may be null) for one that is cut short.
    static bool readTransferBeacon(const char* data, size_t size, BftpTransferBeacon* out,
                                   QString* why = nullptr);
    static bool readManagerBeacon(const char* data, size_t size, BftpManagerBeacon* out,
                                  QString* why = nullptr);
};
