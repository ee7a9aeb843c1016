#pragma once

#include "serverlink/MixRectangleServices.h"

#include <QString>
#include <QVariant>

#include <vector>

// One mix of the process-wide mix table. This is the table's minimal form:
// what the server link needs (merging a server's "mixes" preference, the
// sorted list, the configuration counter). Main thread only.
class MixRectangle {
public:
    MixRectangle(int mixIndex, const QString& name) : mixIndex_(mixIndex), name_(name) {}

    int mixIndex() const { return mixIndex_; }
    QString name() const { return name_; }

    // Counter of local changes of the mix configuration.
    static int updateConfigIncrement();
    static void updateConfiguration();
    // Merges a "mixes" value, a dictionary keyed "%03d" (the mix index) whose
    // entries may carry a "name": 0 nothing changed or the value is not such
    // a dictionary, 1 names updated in place, 2 the set of mixes differed and
    // the table was rebuilt.
    static int applyRemoteChanges(const QVariant& mixes);
    // The table sorted by mix index; valid until the table is rebuilt.
    static std::vector<const MixRectangle*> sortedMixRectangles();
    // Empties the table and the counter.
    static void removeAll();

private:
    int mixIndex_;
    QString name_;
};

// The table as the server link's mix services; the composition root
// installs one. Main thread only.
class MixRectangleTableServices : public MixRectangleServices {
public:
    int updateConfigIncrement() const override;
    int applyRemoteChanges(const QVariant& mixes) override;
    std::vector<MixRectangleRecord> sortedMixRectangles() const override;
    // The server's mixes as read from its "mixes" preference.
    std::vector<int> sortedMixIndexes(KeloObject& kelo) override;
};
