#pragma once

#include "platform/InstalledInterface.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <cstdint>

// What the Content tab asks of the main window, the Status tab's server list
// and its own log panel, which live in higher layers or are built later. The
// composition root installs the real one once; the default bodies answer
// "nothing". Main thread only.
class ContentUIServices : public InstalledInterface<ContentUIServices> {
public:
    virtual ~ContentUIServices() = default;
    // Name of the server selected in the main window; null for none.
    virtual QString selectedServerName() { return {}; }
    // Collection ID of the selected server; negative for none.
    virtual int currentSelectedCollectionID() { return -1; }
    // Names of the status-column servers of the collection.
    virtual QStringList validServersForCollection(int32_t collectionID) {
        (void)collectionID;
        return {};
    }
    // Name of the server marked master of the collection; null for none.
    virtual QString masterForCollection(int32_t collectionID) {
        (void)collectionID;
        return {};
    }
    // The name shown for a server.
    virtual QString screenNameForKeloWithName(const QString& name) { return name; }
    // The entries of the Content tab's log panel, oldest first.
    virtual QVariantList logMessages() { return {}; }
};
