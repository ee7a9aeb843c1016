#include "serverlink/VDataCollector.h"

#include "foundation/OmLog.h"
#include "foundation/VIBufferStream.h"
#include "serverlink/KlMsgDataCollector.h"

#include <QtEndian>

#include <algorithm>

namespace {

// Claimed sizes are not trusted for the first allocation; larger messages
// grow as their bytes actually arrive.
constexpr uint32_t kMaxInitialCapacity = 1u << 20;

}  // namespace

double VDataCollector::age() const {
    return msgCollector_ ? msgCollector_->now() - msgTick_ : 0;
}

QString VDataCollector::description() const {
    return QString::asprintf("Collector. Header: <%s> , offset: %u payload size: %u",
                             headerData_.toHex().constData(), offset_, payloadSize_);
}

void VDataCollector::markBad() {
    isBad_ = 1;
    payloadData_ = QByteArray();
}

bool VDataCollector::handleMsg(const uint8_t* bytes, uint32_t length) {
    if (!msgCollector_ || !bytes || length < KlMsgDataCollector::kFragmentHeaderSize) return false;
    msgTick_ = msgCollector_->now();
    // Fragment fields are little-endian on the wire.
    VIBufferStream stream(bytes, length, Q_BYTE_ORDER == Q_BIG_ENDIAN);
    uint8_t uuid[16];
    stream.Read(uuid, sizeof uuid);
    const uint32_t offset = stream.PeekLong();
    stream.Read(nullptr, 4);
    const auto uuidText = [&] { return KlMsgDataCollector::uuidString(uuid).toLatin1(); };
    const auto fail = [&] {
        if (const auto& handler = msgCollector_->errorHandler()) handler(headerData_);
        markBad();
        return true;
    };

    if (isBad_) return false;
    if (offset != offset_) {
        OmLogNoFlood(kOmLogError,
                     "Internal Error - Msg Data Offset Mismatch expect %d, got %d uuid: %s\n",
                     int(offset_), int(offset), uuidText().constData());
        markBad();
        return false;
    }
    if (offset == 0) {
        const auto& header = msgCollector_->headerHandler();
        headerData_ = header ? header(stream, *this) : QByteArray();
        if (headerData_.isEmpty()) {
            OmLogNoFlood(kOmLogError, "Msg Data first fragment without a message size, uuid: %s\n",
                         uuidText().constData());
            return fail();
        }
        if (payloadSize_ > KlMsgDataCollector::kMaxMessageSize) {
            OmLogNoFlood(kOmLogError, "Msg Data of %u bytes refused (limit %u), uuid: %s\n",
                         payloadSize_, KlMsgDataCollector::kMaxMessageSize, uuidText().constData());
            return fail();
        }
        payloadData_ = QByteArray();
        payloadData_.reserve(qsizetype(std::min(payloadSize_, kMaxInitialCapacity)));
    }
    const uint32_t chunk = stream.GetSizeRemaining();
    const uint64_t end = uint64_t(offset_) + chunk;
    if (end > payloadSize_) {
        OmLogNoFlood(
            kOmLogError,
            "Internal Error - Msg Data Offset Mismatch. Data Size: %u  Ofset: %u uuid: %s\n",
            payloadSize_, uint32_t(std::min<uint64_t>(end, UINT32_MAX)), uuidText().constData());
        return fail();
    }
    if (msgCollector_->bufferedBytes() + chunk > KlMsgDataCollector::kMaxBufferedBytes) {
        OmLogNoFlood(kOmLogError, "Msg Data refused: open messages hold too much, uuid: %s\n",
                     uuidText().constData());
        return fail();
    }
    payloadData_.append(reinterpret_cast<const char*>(stream.GetCurrentPtr()), chunk);
    offset_ = uint32_t(end);
    return offset_ == payloadSize_;
}
