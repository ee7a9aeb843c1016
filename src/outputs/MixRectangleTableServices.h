#pragma once

#include "serverlink/MixRectangleServices.h"

// The mix table (MixRectangle) as the server link's mix services; the
// composition root installs one. Main thread only.
class MixRectangleTableServices : public MixRectangleServices {
public:
    int updateConfigIncrement() const override;
    int applyRemoteChanges(const QVariant& mixes) override;
    std::vector<MixRectangleRecord> sortedMixRectangles() const override;
    // The server's mixes as read from its "mixes" preference.
    std::vector<int> sortedMixIndexes(KeloObject& kelo) override;
};
