#include "content/ContentAnalysis.h"

std::shared_ptr<ContentMember> ContentAnalysis::addMember(const QString& name, bool isMaster,
                                                          const QVariantMap& database) {
    auto member = std::make_shared<ContentMember>();
    member->name = name;
    member->isMaster = isMaster;
    member->dbase = database;
    members.push_back(member);
    return member;
}

std::shared_ptr<ContentMember> ContentAnalysis::memberWithName(const QString& name) const {
    for (const auto& member : members)
        if (member->name == name) return member;
    return nullptr;
}

std::shared_ptr<MasterFolder> ContentAnalysis::masterFolder(const QString& key) const {
    return MasterFolder::fromVariant(dict.value(key));
}
