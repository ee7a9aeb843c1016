#pragma once

#include "pixelmap/KlUniverseMap.h"
#include "pixelmap/OmPixelMapFile.h"
#include "pixelmap/PixMapSource.h"
#include "pixelmap/PixelMapConstants.h"
#include "pixelmap/PmContext.h"
#include "pixelmap/PmFixture.h"

#include <QObject>
#include <QStringList>
#include <QUndoStack>
#include <QVariantList>
#include <QVariantMap>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class PixelMapModelDelegate;

// The headless half of the Pixel Map tab's controller: the open document, the
// profiles, the contexts with their fixtures, the sources, the per-protocol
// fixture, destination and universe lists, and the snapshot undo. The editor
// widgets own one and show it through PixelMapModelDelegate.
//
// Every edit follows one protocol: markUndo() (stop when it answers false),
// change the model, updateAllPixelMapData(), addUndo(step name).
//
// Main thread only.
class PixelMapModel : public QObject, public OmPixelMapFileDelegate {
    Q_OBJECT

public:
    explicit PixelMapModel(PixelMapModelDelegate* delegate = nullptr, QObject* parent = nullptr);
    ~PixelMapModel() override;

    // The built-in document with the stock profiles under "profiles", read
    // once. Empty when the built-in files cannot be read.
    static const QVariantMap& defaultPixelMap();

    // --- Profiles
    const QVariantList& profileList() const { return profileList_; }
    // Replaces the list by the stock profiles (stock_type YES).
    void loadStockProfiles();
    // Adds the "profiles" of a dictionary; with `importing`, a custom profile
    // of the same name is replaced.
    void loadFixtureProfiles(const QVariantMap& dict, bool stockType, bool importing);
    // The profile named so, or an empty map.
    QVariantMap findFixtureProfile(const QString& name) const;

    // --- Contexts, fixtures, sources
    const std::vector<std::unique_ptr<PmContext>>& contextList() const { return contextList_; }
    PmContext* selectedContext() const { return selectedContext_; }
    void setSelectedContext(PmContext* context);
    // 0 selects no context (the source tabs); n selects the n-th context.
    void selectContextNum(int number);
    PmContext* contextForUniqueId(int32_t uniqueId) const;
    // Appends a context; the sources must then be rebuilt (setSourcesChanged).
    PmContext* appendContext(std::unique_ptr<PmContext> context);
    // Removes the context at that index with its fixtures, from every list;
    // a selected context is deselected first.
    void removeContextAt(size_t index);
    int32_t viewingProtocol() const { return viewingProtocol_; }
    void setViewingProtocol(int32_t protocol);
    // The selected context's protocol, else the viewing protocol.
    int32_t contextProtocol() const;
    const std::vector<PmFixture*>& fixList() const { return fixLists_[size_t(viewingProtocol_)]; }
    const std::vector<PmFixture*>& fixList(int protocol) const { return fixLists_[size_t(protocol)]; }
    const std::vector<PmFixture*>& mergedFixList() const { return mergedFixList_; }
    // Rebuilds the per-protocol and merged lists from the contexts, in order.
    void rebuildFixtureLists();
    const QList<QVariantMap>& destList(int protocol) const { return destLists_[size_t(protocol)]; }
    const KlUniverseMap& universeMap(int protocol) const { return universeMaps_[size_t(protocol)]; }

    const std::vector<std::unique_ptr<PixMapSource>>& pixMapSources() const { return pmSources_; }
    int32_t selectedSource() const { return selectedSource_; }
    void setSelectedSource(int32_t index) { selectedSource_ = index; }
    PixMapSource* currentPixMapSource();
    PixMapSource* sourceForId(int32_t id) const;
    const std::vector<PmContext*>& contextListForCurrentSource();
    void setSourcesChanged() { sourcesChanged_ = true; }
    void updateSources();
    // Restores the selected source tab; out of range selects none.
    void selectPreviousSelectedSource(int32_t index);

    // --- Document
    OmPixelMapFile& pixelMapFile() { return *pixelMapFile_; }
    // Reads and checks a file, then makes it the document with its profiles
    // and data. On failure the open document and the model stay as they were
    // and the error text is returned.
    QString openPixelMap(const QString& path, bool* fileNotFound = nullptr, bool* canceled = nullptr);
    // Loads a dictionary that is not the document's own (an import, the
    // default map). Nothing changes when it is refused; the error text is
    // returned, else an empty text.
    QString loadPixelMapData(const QVariantMap* dict);
    QString loadPixelMapDataFromFile();
    QString loadDefaultPixelMapData();
    // The hard errors that refuse a document before anything is read: "Empty
    // File", a later version, no "contexts", a context without "fixtures".
    static QString pixelMapDataError(const QVariantMap* dict);
    void updatePixelMapData(QVariantMap& dict);
    void updateProfilesToDict(QVariantMap& dict) const;
    void readDestinations(const QVariantMap& table, QStringList& repairs);
    void readDestination(const QString& univKey, const QVariant& protocol, const QVariant& address,
                         QStringList& repairs);
    // The accepted form of a universe key, or "<none>" (for KiNET_PORTOUT the
    // key as given) with the reason in `errStr`.
    static QString validateUnivKey(const QString& key, int protocol, QString* errStr, bool isDest);
    // The address the fixture's universe goes to, else the default's; found
    // is false when there is none (shown as "<None>").
    QString destinationForFixture(const PmFixture& fixture, bool* found = nullptr) const;
    void invalidPixelMapFile(const QString& path, const QString& error);
    void resetAllPmapData();
    // The repairs of the last load, one per line.
    const QStringList& lastRepairs() const { return lastRepairs_; }

    // Settings the source pane shows (written into the document by
    // updatePixelMapData).
    int32_t sACNPriority() const { return sACNPriority_; }
    void setSACNPriority(int32_t v) { sACNPriority_ = v; }
    bool artSyncEnable() const { return artSyncEnable_; }
    void setArtSyncEnable(bool v) { artSyncEnable_ = v; }
    bool sACNSyncEnable() const { return sACNSyncEnable_; }
    void setSACNSyncEnable(bool v) { sACNSyncEnable_ = v; }
    int32_t sACNSyncUniverse() const { return sACNSyncUniverse_; }
    void setSACNSyncUniverse(int32_t v) { sACNSyncUniverse_ = v; }
    bool artSyncEnabled() const { return artSyncEnabled_; }
    bool artSyncSwitchVisible() const { return artSyncSwitchVisible_; }
    bool groupsAlwaysMergeNonPixels() const { return groupsAlwaysMergeNonPixels_; }

    // --- Refresh
    void updateAllPixelMapData();
    void updatePatchListErrors();
    int32_t patchListErrorCount() const { return patchListErrorCount_; }
    int32_t sortByColumn() const { return sortByColumn_; }
    void setSortByColumn(int32_t column) { sortByColumn_ = column; }
    bool needSort() const { return needSort_; }
    void setNeedSort(bool v) { needSort_ = v; }

    // --- Snapshot undo
    QUndoStack& undoManager() { return undoStack_; }
    bool isEditingAllowed() const { return pmFileMode_ != 2; }
    bool markUndo();
    void addUndo(const QString& name = QString());
    // Undo and redo as the menu runs them: refused in "Test Only" mode and
    // while the tab is hidden.
    bool undo();
    bool redo();
    void clearUndoBuffer();
    void saveIfLive();
    QVariantMap buildUndoDict();
    // Restores a snapshot (the undo manager's action).
    void restoreUndoSnapshot(const QVariantMap& snapshot);
    // Restores `snapshot` and leaves in it the state it replaced.
    void swapSnapshot(QVariantMap& snapshot);

    // --- Session and outside changes
    int32_t pmFileMode() const { return pmFileMode_; }
    void setPmFileMode(int32_t mode) { pmFileMode_ = mode; }
    QString sessionPath() const { return sessionPath_; }
    void setSessionPath(const QString& path) { sessionPath_ = path; }
    bool fileMayHaveChangedOnDisk() const { return fileMayHaveChangedOnDisk_; }
    enum class DiskState { Unchanged, Changed, Gone };
    // The editor's timer check: once the watch saw a change and 5 s have
    // passed since the last save, compares the file's date with the one last
    // read or written. `now` is seconds since the reference date.
    DiskState checkFileChangedOnDisk(double now);
    void notifySaveSuccessful(const QDateTime& modificationDate);

    // OmPixelMapFileDelegate
    bool mainThreadSave(const QByteArray& data, const QString& path, bool waitUntilDone,
                        QString* error) override;
    void checkFile(const QString& path) override;
    QVariantMap untitledPixelMap() override { return defaultPixelMap(); }

private:
    QString loadPixelMapData(const QVariantMap* dict, bool ownDict);
    void clearModel();
    void applyLoadedSettings(const QVariantMap& dict, bool ownDict);

    PixelMapModelDelegate* delegate_;
    QVariantList profileList_;
    std::vector<std::unique_ptr<PmContext>> contextList_;
    std::array<std::vector<PmFixture*>, kPmProtocolCount> fixLists_;
    std::array<QList<QVariantMap>, kPmProtocolCount> destLists_;
    std::array<KlUniverseMap, kPmProtocolCount> universeMaps_;
    PmContext* selectedContext_ = nullptr;
    int32_t viewingProtocol_ = 0;
    std::vector<PmFixture*> mergedFixList_;
    std::vector<std::unique_ptr<PixMapSource>> pmSources_;
    std::optional<QVariantMap> markUndo_;
    uint64_t markUndoIncrement_ = 0;
    uint64_t addUndoIncrement_ = 0;
    int32_t selectedSource_ = -1;
    bool sourcesChanged_ = false;
    bool needSort_ = false;
    int32_t sortByColumn_ = 0;
    int32_t patchListErrorCount_ = 0;
    std::unique_ptr<OmPixelMapFile> pixelMapFile_;
    int32_t pmFileMode_ = 0;
    QString sessionPath_;
    bool fileMayHaveChangedOnDisk_ = false;
    QStringList lastRepairs_;
    bool loadingInvalidFile_ = false;

    int32_t sACNPriority_ = 100;
    bool artSyncEnable_ = false;
    bool sACNSyncEnable_ = false;
    int32_t sACNSyncUniverse_ = 0;
    bool artSyncEnabled_ = false;
    bool artSyncSwitchVisible_ = false;
    bool groupsAlwaysMergeNonPixels_ = true;

    QUndoStack undoStack_;

    // Main thread only: the one-time warning of an edit without a snapshot.
    static inline bool sUndoLossReported_ = false;
};
