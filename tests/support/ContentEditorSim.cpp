#include "support/ContentEditorSim.h"

#include "serverlink/KlDataSender.h"
#include "serverlink/KlEStatMessage.h"

#include <QtEndian>

#include <chrono>
#include <cstring>

namespace {

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

ContentEditorSim::ContentEditorSim() {
    // The simulator's thread must not share the link's replaceable clock.
    collector_.setClock(steadySeconds);
}

bool ContentEditorSim::receive(const char* data, size_t size) {
    const int op = KlEStatMessage::op(data, size);
    if ((op != kKlEOpContentQuery && op != kKlEOpContentSet) || size < 16) return false;
    const bool fragmented = uint8_t(data[12]) == 1 && data[13] == 0;
    const size_t payload = qFromBigEndian<quint16>(data + 14);
    if (payload > size - 16) return false;
    QByteArray bytes;
    if (fragmented) {
        const auto done =
            collector_.handleMsg(reinterpret_cast<const uint8_t*>(data + 16), uint32_t(payload));
        if (!done) return false;
        bytes = *done;
    } else {
        bytes = QByteArray(data + 16, qsizetype(payload));
    }
    // The text ends at its NUL.
    const qsizetype nul = bytes.indexOf('\0');
    messages_.push_back({uint8_t(op), nul < 0 ? bytes : bytes.left(nul), fragmented});
    return true;
}

std::vector<QByteArray> ContentEditorSim::contentItemDatagrams(const QByteArray& text,
                                                               const QUuid& uuid) {
    _kle_v3_stat_data h = blank_stat;
    h.op = kKlEOpContentItemData;
    uint8_t header[sizeof h];
    std::memcpy(header, &h, sizeof h);
    std::vector<QByteArray> out;
    // The text goes with its NUL, which QByteArray keeps after its data.
    KlDataSender::send(
        header, text.constData(), uint32_t(text.size() + 1),
        [&](const uint8_t* d, size_t n) {
            out.emplace_back(reinterpret_cast<const char*>(d), qsizetype(n));
            return true;
        },
        uuid);
    return out;
}
