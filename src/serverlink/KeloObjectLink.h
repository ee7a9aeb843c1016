#pragma once

#include <QString>

class KeloObject;

// What a server object asks of the link it belongs to. The link hands
// itself to each object it makes; an object made on its own has none and
// sends nothing. Main thread only.
class KeloObjectLink {
public:
    virtual ~KeloObjectLink() = default;
    // Asks the server for one preference.
    virtual void getPrefValue(const QString& key, KeloObject* kelo) {
        (void)key;
        (void)kelo;
    }
    // Asks the server to move to another collection.
    virtual void setKeloCollectionID(int collectionID, KeloObject* kelo) {
        (void)collectionID;
        (void)kelo;
    }
    // A content-editor query (`set` false) or set.
    virtual void sendContentEditorMessage(KeloObject* kelo, const QString& text, bool set) {
        (void)kelo;
        (void)text;
        (void)set;
    }
};
