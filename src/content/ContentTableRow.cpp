#include "content/ContentTableRow.h"

#include "content/KeloContentAnalyser.h"

#include <QStringList>

ContentTableRowPtr ContentTableRow::separatorRow(const QString& caption) {
    auto row = std::make_shared<ContentTableRow>();
    row->isSeparatorRow = true;
    row->separatorRowString = caption;
    return row;
}

QString ContentTableRow::description() const {
    if (isFolder && filesDataSource && !filesDataSource->empty()) {
        QStringList lines;
        for (const ContentTableRowPtr& row : *filesDataSource) lines << row->description();
        return lines.join('\n');
    }
    QString detail;
    for (auto it = fileDetail.constBegin(); it != fileDetail.constEnd(); ++it)
        detail += QString(" %1=%2").arg(it.key(), it.value().toString());
    return path() + detail;
}

bool ContentTableRow::issueBitsCanSync() const {
    if (isBuiltIn || !masterFolder) return false;
    const int32_t bits = masterFolder->IssueBits();
    return bits != 0 && bits != kIssueMasterConflicts;
}

bool ContentTableRow::needsSync() const {
    if (!isFolder) {
        if (parsedName.isConflicted() || syncQueued) return false;
        if (parsedName.dict().value(".ErrArray").toList().isEmpty()) return false;
        return issueBitsCanSync();
    }
    if (!issueBitsCanSync()) return false;
    if (!filesDataSource) return true;
    for (const ContentTableRowPtr& row : *filesDataSource)
        if (row->needsSync()) return true;
    return false;
}

bool ContentTableRow::canTakeSyncAction(bool force) const {
    if (!parsedName.contentID() || parsedName.isConflicted() || isMemberOnly || isConfusing ||
        isBuiltIn)
        return false;
    if (!isWatched) return isFolder;
    if (!isMasterSelected || !isMasterValid) return false;
    return force || needsSync();
}

bool ContentTableRow::canTakeSyncActionBackwards(bool force) {
    const bool wasMasterSelected = isMasterSelected;
    const bool wasMemberOnly = isMemberOnly;
    const bool forced = force || isMemberOnly;
    isMasterSelected = true;
    isMemberOnly = false;
    const bool answer = canTakeSyncAction(forced);
    isMasterSelected = wasMasterSelected;
    isMemberOnly = wasMemberOnly;
    return answer;
}

bool ContentTableRow::isEqualToFolder(const ContentTableRow& other) const {
    if (!masterFolder || !other.masterFolder) return false;
    return masterFolder->SelfRefKey() == other.masterFolder->SelfRefKey() &&
           masterFolderPathsIdx == other.masterFolderPathsIdx;
}

bool ContentTableRow::sameMemberAs(const ContentTableRow& other) const {
    return isMemberOnlyKeloName == other.isMemberOnlyKeloName;
}
