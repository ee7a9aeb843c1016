#include "pixelmap/KlUniverseMap.h"

#include <algorithm>

void KlUniverseMap::clear() {
    for (QBitArray& set : used_) set.fill(false);
    for (QBitArray& set : conflicts_) set.fill(false);
}

QBitArray& KlUniverseMap::grow(std::vector<QBitArray>& list, uint16_t universe) {
    if (list.size() <= universe) list.resize(size_t(universe) + 1);
    return list[universe];
}

QBitArray& KlUniverseMap::used(uint16_t universe) { return grow(used_, universe); }

QBitArray& KlUniverseMap::conflicts(uint16_t universe) { return grow(conflicts_, universe); }

void KlUniverseMap::occupy(uint16_t universe, int first, int count) {
    if (count <= 0 || first < 0) return;
    QBitArray& inUse = used(universe);
    QBitArray& clash = conflicts(universe);
    const int end = first + count;
    if (inUse.size() < end) inUse.resize(end);
    if (clash.size() < end) clash.resize(end);
    for (int i = first; i < end; ++i) {
        if (inUse.testBit(i)) clash.setBit(i);
        inUse.setBit(i);
    }
}

bool KlUniverseMap::conflictsWith(uint16_t universe, int first, int count) const {
    if (universe >= conflicts_.size() || count <= 0 || first < 0) return false;
    const QBitArray& clash = conflicts_[universe];
    const int end = std::min(first + count, int(clash.size()));
    for (int i = first; i < end; ++i)
        if (clash.testBit(i)) return true;
    return false;
}

bool KlUniverseMap::isUsed(uint16_t universe, int index) const {
    return universe < used_.size() && index >= 0 && index < used_[universe].size() &&
           used_[universe].testBit(index);
}

bool KlUniverseMap::isConflict(uint16_t universe, int index) const {
    return universe < conflicts_.size() && index >= 0 && index < conflicts_[universe].size() &&
           conflicts_[universe].testBit(index);
}
