#include "support/ContentEditorSim.h"

#include "support/SimRequests.h"
#include "support/WireBuilders.h"

#include <QList>
#include <QtEndian>

bool ContentEditorSim::receive(const char* data, size_t size) {
    const std::optional<SimRequests::ContentMessage> m =
        SimRequests::readContentMessage(data, size);
    if (!m || (m->op != WireBuilders::kContentQuery && m->op != WireBuilders::kContentSet))
        return false;
    QByteArray bytes = m->payload;
    if (m->fragment && !takeFragment(m->payload, &bytes)) return false;
    // The text ends at its NUL.
    const qsizetype nul = bytes.indexOf('\0');
    messages_.push_back({m->op, nul < 0 ? bytes : bytes.left(nul), m->fragment});
    if (m->op == WireBuilders::kContentSet) {
        // kind, ident, item text and an optional trailing flag field
        const QList<QByteArray> f = messages_.back().text.split('\x0B');
        if (f.size() >= 3 && f[0] == "multiscreen") setReply_ = multiScreen_.edit(f[1], f[2]);
        else if (f.size() >= 3) setItem(f[0], f[1], f[2]);
    }
    return true;
}

bool ContentEditorSim::takeFragment(const QByteArray& payload, QByteArray* complete) {
    if (payload.size() < 20) return false;
    const QByteArray id = payload.left(16);
    const uint32_t offset = qFromLittleEndian<quint32>(payload.constData() + 16);
    auto it = open_.find(id);
    if (offset == 0) {
        if (payload.size() < 24 || (it == open_.end() && open_.size() >= kMaxOpenMessages))
            return false;
        const uint32_t total = qFromLittleEndian<quint32>(payload.constData() + 20);
        if (total > kMaxMessageSize) return false;
        it = open_.insert_or_assign(id, Open{total, payload.mid(24)}).first;
    } else {
        if (it == open_.end() || offset != uint32_t(it->second.bytes.size())) {
            if (it != open_.end()) open_.erase(it);
            return false;
        }
        it->second.bytes += payload.mid(20);
    }
    if (uint32_t(it->second.bytes.size()) < it->second.total) return false;
    const bool exact = uint32_t(it->second.bytes.size()) == it->second.total;
    *complete = it->second.bytes;
    open_.erase(it);
    return exact;
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
    if (f[0] == "multiscreen") return multiScreen_.answer(f[1]);
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
    return WireBuilders::contentItemDatagrams(text, uuid);
}
