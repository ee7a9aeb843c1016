#pragma once

// The image-remap document of a simulated Kelo server and its "multiscreen"
// content-editor exchange, written from the message formats alone (its own
// readers and builders; zlib directly for the whole-document form):
// - a query for "0,0" answers the top level with "configurations" as a count
//   and "__object_count"; "c,0" a configuration with "screens" as a count;
//   "c,s" a screen (1-based numbers);
// - a set applies one edit message and answers with an acknowledgement
//   carrying its "edit_number", unless told to lose it.
// Used on the simulator's thread under its server's lock.

#include <QByteArray>
#include <QVariant>
#include <QVariantMap>

#include <optional>
#include <vector>

class MultiScreenSim {
public:
    struct Edit {
        QByteArray msgkey;
        QString itemkey;
        QString operation;
        QString editNumber;
        QVariant value;
        bool applied = false;
    };

    MultiScreenSim();

    // Two configurations: "Wall" of three rectangle screens (the second with
    // an X Position and a Dimmer control) and "Floor" of one vertex screen.
    static QVariantMap demoDocument();

    void setDocument(const QVariantMap& document) { document_ = document; }
    const QVariantMap& document() const { return document_; }
    // Item data text for a key, or empty when the key names nothing.
    QByteArray answer(const QByteArray& key) const;
    // Applies an edit message text; returns the acknowledgement text, or
    // empty when the message is not an edit or its acknowledgement is lost.
    QByteArray edit(const QByteArray& key, const QByteArray& messageText);
    // The next `count` acknowledgements are lost (the edits still apply).
    void loseAcks(int count) { loseAcks_ = count; }
    const std::vector<Edit>& edits() const { return edits_; }

    // Undoes one "4-byte little-endian length + zlib stream" layer; none for
    // damage or a stream longer than `max`.
    static std::optional<QByteArray> inflateLayer(const QByteArray& data, quint32 max = 64u << 20);

private:
    bool apply(Edit& edit);
    static QByteArray plistText(const QVariantMap& item);

    QVariantMap document_;
    std::vector<Edit> edits_;
    int loseAcks_ = 0;
};
