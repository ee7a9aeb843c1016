#include "serverlink/KlMsgNotificationDataCollector.h"

#include "foundation/VIBufferStream.h"
#include "serverlink/VDataCollector.h"

#include <QtEndian>

KlMsgNotificationDataCollector::KlMsgNotificationDataCollector() {
    setHeaderHandler([](VIBufferStream& stream, VDataCollector& collector) {
        if (stream.GetSizeRemaining() < 4) return QByteArray();
        const uint32_t total = stream.PeekLong();
        stream.Read(nullptr, 4);
        collector.setPayloadSize(total);
        QByteArray header(4, '\0');
        qToLittleEndian<quint32>(total, header.data());
        return header;
    });
    setCompletionHandler(
        [this](const QByteArray& payload, const QByteArray& header, VDataCollector&) {
            if (!notificationHandler_ || header.size() < 4) return;
            notificationHandler_(payload, qFromLittleEndian<quint32>(header.constData()), *this);
        });
}
