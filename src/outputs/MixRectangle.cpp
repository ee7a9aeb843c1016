#include "outputs/MixRectangle.h"

#include "serverlink/KeloObject.h"

#include <map>
#include <memory>
#include <optional>

namespace {

int sUpdateConfigIncrement = 0;
// Keyed by mix index, so iteration is the sorted order.
std::map<int, std::unique_ptr<MixRectangle>> sTable;

// Mix index → name, or nothing when the value fails the check: a dictionary
// whose keys are three digits and whose entries are dictionaries.
std::optional<std::map<int, QString>> readMixes(const QVariant& value) {
    if (value.typeId() != QMetaType::QVariantMap) return std::nullopt;
    std::map<int, QString> mixes;
    const QVariantMap dict = value.toMap();
    for (auto it = dict.begin(); it != dict.end(); ++it) {
        const QString& key = it.key();
        bool ok = key.size() == 3;
        for (QChar c : key) ok = ok && c.isDigit() && c.unicode() < 128;
        if (!ok || it->typeId() != QMetaType::QVariantMap) return std::nullopt;
        const int index = key.toInt();
        const QString name = it->toMap().value("name").toString();
        mixes[index] = name.isEmpty() ? QString("Mix %1").arg(index) : name;
    }
    return mixes;
}

}  // namespace

int MixRectangle::updateConfigIncrement() {
    return sUpdateConfigIncrement;
}

void MixRectangle::updateConfiguration() {
    ++sUpdateConfigIncrement;
}

int MixRectangle::applyRemoteChanges(const QVariant& value) {
    const std::optional<std::map<int, QString>> mixes = readMixes(value);
    if (!mixes) return 0;
    bool sameSet = mixes->size() == sTable.size();
    auto b = sTable.begin();
    for (auto a = mixes->begin(); sameSet && a != mixes->end(); ++a, ++b)
        sameSet = a->first == b->first;
    if (!sameSet) {
        sTable.clear();
        for (const auto& [index, name] : *mixes)
            sTable[index] = std::make_unique<MixRectangle>(index, name);
        return 2;
    }
    bool updated = false;
    for (const auto& [index, name] : *mixes) {
        MixRectangle& m = *sTable[index];
        if (m.name_ == name) continue;
        m.name_ = name;
        updated = true;
    }
    return updated ? 1 : 0;
}

std::vector<const MixRectangle*> MixRectangle::sortedMixRectangles() {
    std::vector<const MixRectangle*> list;
    list.reserve(sTable.size());
    for (const auto& [index, mix] : sTable) list.push_back(mix.get());
    return list;
}

void MixRectangle::removeAll() {
    sTable.clear();
    sUpdateConfigIncrement = 0;
}

int MixRectangleTableServices::updateConfigIncrement() const {
    return MixRectangle::updateConfigIncrement();
}

int MixRectangleTableServices::applyRemoteChanges(const QVariant& mixes) {
    return MixRectangle::applyRemoteChanges(mixes);
}

std::vector<MixRectangleRecord> MixRectangleTableServices::sortedMixRectangles() const {
    std::vector<MixRectangleRecord> list;
    for (const MixRectangle* m : MixRectangle::sortedMixRectangles())
        list.push_back({m->mixIndex(), m->name()});
    return list;
}

std::vector<int> MixRectangleTableServices::sortedMixIndexes(KeloObject& kelo) {
    std::vector<int> indexes;
    for (const MixRectangleRecord& m : kelo.sortedMixes()) indexes.push_back(m.mixIndex);
    return indexes;
}
