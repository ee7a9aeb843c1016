#pragma once

#include "content/KlParsedFileName.h"
#include "content/MasterFolder.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <memory>
#include <vector>

struct ContentTableRow;
using ContentTableRowPtr = std::shared_ptr<ContentTableRow>;
using ContentRows = std::vector<ContentTableRowPtr>;

// One row of the Content tab's folder table or file table, built from a
// collection's analysis. Rows are shared by handle; copy() gives a new row
// whose objects (master folder, file rows) are shared with the original.
// Main thread only.
struct ContentTableRow {
    static ContentTableRowPtr separatorRow(const QString& caption);
    ContentTableRowPtr copy() const { return std::make_shared<ContentTableRow>(*this); }

    // The parsed name's full path.
    const QString& path() const { return parsedName.fullPath(); }
    // The file rows' descriptions for a folder row that has them, else the
    // path and the file detail.
    QString description() const;

    // The folder has issues a sync can mend (not only master conflicts).
    bool issueBitsCanSync() const;
    bool needsSync() const;
    bool canTakeSyncAction(bool force) const;
    // As if shown for the master and not member-only; a member-only row
    // counts as forced.
    bool canTakeSyncActionBackwards(bool force);
    // Same folder key and same path entry.
    bool isEqualToFolder(const ContentTableRow& other) const;
    // Same member-only name, or neither has one.
    bool sameMemberAs(const ContentTableRow& other) const;

    bool isFolder = false;
    bool isMasterSelected = false;
    bool isMasterValid = false;
    QString masterName;
    bool isSeparatorRow = false;
    bool isMemberOnly = false;
    bool isConfusing = false;  // not indexed on its server
    QString separatorRowString;
    QString isMemberOnlyKeloName;
    bool isWatched = false;
    bool syncQueued = false;
    bool syncAnimating = false;
    bool syncComplete = false;
    int32_t syncAnimatingStep = 0;
    float syncProgress = 0;
    double syncTimeToReanalyze = 0;  // reference-date seconds; 0 for none
    std::shared_ptr<MasterFolder> masterFolder;
    int32_t masterFolderPathsIdx = 0;
    bool isAggregate = false;
    bool isSingleFolder = false;
    bool isBuiltIn = false;
    bool isMetaDataFile = false;
    KlParsedFileName parsedName;
    // A folder row's file rows; null until first built.
    std::shared_ptr<ContentRows> filesDataSource;
    uint64_t filesDataSourceIncrement = 0;
    uint64_t uiFilesDataSourceIncrement = 0;
    QVariantMap fileDetail;
    QByteArray thumbData;
    QImage thumbnail;
    uint64_t redrawIncrement = 0;
    uint64_t uiRedrawIncrement = 0;
};
