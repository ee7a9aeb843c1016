#pragma once

#include "platform/InstalledInterface.h"

#include <QString>
#include <QVariant>

#include <vector>

class KeloObject;

// One mix of the process-wide mix table, as the server link lists it.
struct MixRectangleRecord {
    int mixIndex = 0;  // 0 and below are no real mixes for menus and pictures
    QString name;
    bool operator==(const MixRectangleRecord&) const = default;
};

// What the server link needs of the mix table, which belongs to the outputs
// subsystem; the composition root installs the outputs subsystem's table.
// Without it there are no mixes. Main thread only.
class MixRectangleServices : public InstalledInterface<MixRectangleServices> {
public:
    virtual ~MixRectangleServices() = default;
    // Grows each time the mix configuration is changed here.
    virtual int updateConfigIncrement() const { return 0; }
    // Merges a server's "mixes" value (a dictionary keyed "%03d"): 0 nothing
    // changed or the value is not usable, 1 mixes updated in place, 2 the set
    // of mixes differed and the table was rebuilt.
    virtual int applyRemoteChanges(const QVariant& mixes) {
        (void)mixes;
        return 0;
    }
    // All mixes of the table, sorted by mix index.
    virtual std::vector<MixRectangleRecord> sortedMixRectangles() const { return {}; }
    // The `mixIndex` of each mix of the server's sorted mix list, in order:
    // what its mix pictures are sized by.
    virtual std::vector<int> sortedMixIndexes(KeloObject& kelo) {
        (void)kelo;
        return {};
    }
};
