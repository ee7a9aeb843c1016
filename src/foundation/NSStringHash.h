#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// A small set of texts for fast membership tests. Membership compares hash
// values only, so a colliding text would count as contained.
class NSStringHash {
public:
    static NSStringHash stringHashWithArray(const QStringList& strings);
    bool contains(const QString& text) const;

    uint64_t hashCount() const { return hashCount_; }
    const QStringList& origStrings() const { return origStrings_; }

private:
    uint64_t hashCount_ = 0;
    std::vector<uint64_t> hashVals_;
    QStringList origStrings_;
};
