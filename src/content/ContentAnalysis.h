#pragma once

#include "content/ContentMember.h"
#include "content/MasterFolder.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <memory>
#include <vector>

// The result of one content analysis of a collection. Built on the analysis
// thread, then handed to the main thread and only used there.
//
// `dict`: folder key -> MasterFolder of each master folder; ".MemberOnlyKey"
// + a member's name -> {folder key -> MasterFolder} of the folders only that
// member has; ".CollectionID", ".IssueCount" and ".ErrArray".
struct ContentAnalysis {
    QStringList serverNames;
    QString masterName;
    int32_t collectionID = -1;
    QVariantMap dict;
    // The master first, then each server that had a database.
    std::vector<std::shared_ptr<ContentMember>> members;
    QStringList errors;
    // Chosen in the Content tab; one of `members` or null.
    std::shared_ptr<ContentMember> selectedMember;
    bool isStale = false;

    // Appends a member holding a copy of the database.
    std::shared_ptr<ContentMember> addMember(const QString& name, bool isMaster,
                                             const QVariantMap& database);
    // The first member of that name, or null.
    std::shared_ptr<ContentMember> memberWithName(const QString& name) const;
    std::shared_ptr<MasterFolder> masterFolder(const QString& key) const;
};
