#include "support/ContentEditorSim.h"

#include "serverlink/KlDataSender.h"
#include "serverlink/KlEStatMessage.h"

#include <QList>
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
    if (op == kKlEOpContentSet) {
        // kind, ident, item text and an optional trailing flag field
        const QList<QByteArray> f = messages_.back().text.split('\x0B');
        if (f.size() >= 3) setItem(f[0], f[1], f[2]);
    }
    return true;
}

void ContentEditorSim::setItem(const QByteArray& kind, const QByteArray& ident,
                               const QByteArray& text) {
    items_[kind][ident] = text;
}

QByteArray ContentEditorSim::item(const QByteArray& kind, const QByteArray& ident) const {
    const auto k = items_.find(kind);
    if (k == items_.end()) return {};
    const auto i = k->second.find(ident);
    return i == k->second.end() ? QByteArray() : i->second;
}

QByteArray ContentEditorSim::answer(const QByteArray& query) const {
    const QList<QByteArray> f = query.split('\x0B');
    if (f.size() != 2) return {};
    const auto k = items_.find(f[0]);
    if (f[1] == "listing") {
        QByteArray reply = f[0] +
                           "\x0Blisting\x0B"
                           "0 " +
                           QByteArray::number(k == items_.end() ? 0 : qsizetype(k->second.size()));
        if (k != items_.end())
            for (const auto& [ident, text] : k->second) reply += '\x0B' + ident;
        return reply;
    }
    if (k == items_.end() || !k->second.count(f[1])) return {};
    return f[0] + '\x0B' + f[1] + '\x0B' + k->second.at(f[1]);
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
