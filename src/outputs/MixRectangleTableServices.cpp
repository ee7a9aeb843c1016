#include "outputs/MixRectangleTableServices.h"

#include "outputs/MixRectangle.h"
#include "serverlink/KeloObject.h"

int MixRectangleTableServices::updateConfigIncrement() const {
    return int(MixRectangle::updateConfigIncrement());
}

int MixRectangleTableServices::applyRemoteChanges(const QVariant& mixes) {
    return MixRectangle::applyRemoteChanges(mixes);
}

std::vector<MixRectangleRecord> MixRectangleTableServices::sortedMixRectangles() const {
    std::vector<MixRectangleRecord> list;
    list.reserve(MixRectangle::mixRectangles().size());
    for (const auto& [index, m] : MixRectangle::mixRectangles()) list.push_back({index, m->name()});
    return list;
}

std::vector<int> MixRectangleTableServices::sortedMixIndexes(KeloObject& kelo) {
    std::vector<int> indexes;
    for (const MixRectangleRecord& m : kelo.sortedMixes()) indexes.push_back(m.mixIndex);
    return indexes;
}
