#pragma once

#include <QBitArray>

#include <cstdint>
#include <vector>

// The addresses in use and in conflict per universe, for one protocol. An
// index is a DMX address minus 1; a KiNET port adds port x 512. Main thread
// only.
class KlUniverseMap {
public:
    // Empties every set, keeping the lists' lengths.
    void clear();
    // The universe's sets, growing the lists as needed.
    QBitArray& used(uint16_t universe);
    QBitArray& conflicts(uint16_t universe);

    // Marks the indexes [first, first + count) used; those already used become
    // conflicts.
    void occupy(uint16_t universe, int first, int count);
    // Whether any index of [first, first + count) is in conflict.
    bool conflictsWith(uint16_t universe, int first, int count) const;
    // Whether the index is used (tests, hover help).
    bool isUsed(uint16_t universe, int index) const;
    bool isConflict(uint16_t universe, int index) const;

private:
    static QBitArray& grow(std::vector<QBitArray>& list, uint16_t universe);
    std::vector<QBitArray> used_;
    std::vector<QBitArray> conflicts_;
};
