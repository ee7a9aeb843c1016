#pragma once

// The content editor of a simulated Kelo server: takes content-editor
// queries (op 22) and sets (op 24), whole or in fragments, keeps every
// message it put together, and builds the content item data (op 23) it
// answers with, fragmented when long. Owned by one simulated server and used
// only on the simulator's thread.

#include "support/MultiScreenSim.h"

#include <QByteArray>
#include <QUuid>

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

class ContentEditorSim {
public:
    struct Message {
        uint8_t op = 0;  // 22 query, 24 set
        QByteArray text;
        bool fragmented = false;
    };

    // Open fragmented messages beyond these are refused.
    static constexpr size_t kMaxOpenMessages = 16;
    static constexpr uint32_t kMaxMessageSize = 16u << 20;

    // One datagram of op 22 or 24; true when it completed a message.
    bool receive(const char* data, size_t size);
    const std::vector<Message>& messages() const { return messages_; }
    size_t openMessages() const { return open_.size(); }

    // The items the server keeps, by kind and ident, as property-list texts.
    // A set message stores its item; a query for "listing" or an ident is
    // answered from here.
    void setItem(const QByteArray& kind, const QByteArray& ident, const QByteArray& text);
    QByteArray item(const QByteArray& kind, const QByteArray& ident) const;
    // The reply to a query text; empty for a kind or ident the server lacks.
    // A listing starts with a "0 <count>" entry, as servers send.
    QByteArray answer(const QByteArray& query) const;

    // The image-remap document ("multiscreen" kind) and the acknowledgement
    // the last set of that kind earned (taken once; empty when none).
    MultiScreenSim& multiScreen() { return multiScreen_; }
    QByteArray takeSetReply() { return std::exchange(setReply_, QByteArray()); }

    // The op 23 datagrams that carry `text`: one when it fits, else fragments.
    static std::vector<QByteArray> contentItemDatagrams(const QByteArray& text,
                                                        const QUuid& uuid = QUuid::createUuid());

private:
    struct Open {
        uint32_t total = 0;
        QByteArray bytes;
    };
    // A fragment's payload: 16-byte UUID, little-endian offset, in the first
    // the little-endian total, then its part of the message. In order only.
    bool takeFragment(const QByteArray& payload, QByteArray* complete);

    std::map<QByteArray, Open> open_;
    std::vector<Message> messages_;
    std::map<QByteArray, std::map<QByteArray, QByteArray>> items_;
    MultiScreenSim multiScreen_;
    QByteArray setReply_;
};
