#include "foundation/NSStringHash.h"

#include <QHash>

#include <algorithm>

namespace {

// A fixed seed keeps the values the same from run to run.
uint64_t stringHash(const QString& text) {
    return static_cast<uint64_t>(qHash(QStringView(text), size_t{0}));
}

}  // namespace

NSStringHash NSStringHash::stringHashWithArray(const QStringList& strings) {
    NSStringHash set;
    set.origStrings_ = strings;
    set.hashCount_ = static_cast<uint64_t>(strings.size());
    set.hashVals_.reserve(strings.size());
    for (const QString& text : strings) set.hashVals_.push_back(stringHash(text));
    return set;
}

bool NSStringHash::contains(const QString& text) const {
    const uint64_t hash = stringHash(text);
    return std::find(hashVals_.begin(), hashVals_.end(), hash) != hashVals_.end();
}
