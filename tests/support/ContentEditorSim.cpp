#include "support/ContentEditorSim.h"

#include "support/SimRequests.h"
#include "support/WireBuilders.h"

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

std::vector<QByteArray> ContentEditorSim::contentItemDatagrams(const QByteArray& text,
                                                               const QUuid& uuid) {
    return WireBuilders::contentItemDatagrams(text, uuid);
}
