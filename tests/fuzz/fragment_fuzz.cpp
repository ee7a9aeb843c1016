// The large-message collector fed arbitrary fragments. The input is a list of
// records: one control byte (which of 64 message UUIDs, whether to move the
// clock on by 11 s, whether to leave the UUID out), a 16-bit length, then
// that many bytes of fragment after the UUID. Checks the bounds the collector promises as it goes.
#include "serverlink/KlMsgNotificationDataCollector.h"

#include <QByteArray>
#include <QUuid>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fragment collector: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    double now = 1000;
    KlMsgNotificationDataCollector collector;
    collector.setClock([&] { return now; });
    collector.setNotificationHandler(
        [&](const QByteArray& payload, uint32_t total, KlMsgNotificationDataCollector&) {
            check(uint32_t(payload.size()) == total, "payload differs from its size");
        });
    size_t pos = 0;
    while (pos + 3 <= size) {
        const uint8_t control = data[pos];
        const size_t length =
            std::min<size_t>(data[pos + 1] | size_t(data[pos + 2]) << 8, size - pos - 3);
        pos += 3;
        if (control & 0x40) now += 11;
        // Bit 7 leaves the UUID out, so that short and odd prefixes come too.
        QByteArray fragment;
        if (!(control & 0x80)) {
            fragment = QByteArray(16, '\0');
            fragment[15] = char(control & 0x3F);
        }
        fragment.append(reinterpret_cast<const char*>(data + pos), qsizetype(length));
        pos += length;
        const std::optional<QByteArray> message = collector.handleDataMsg(fragment);
        if (message)
            check(uint32_t(message->size()) <= KlMsgDataCollector::kMaxMessageSize,
                  "message above the size limit");
        check(collector.collectorCount() <= KlMsgDataCollector::kMaxCollectors,
              "too many open messages");
        check(collector.bufferedBytes() <= KlMsgDataCollector::kMaxBufferedBytes,
              "open messages hold too much");
    }
    return 0;
}
