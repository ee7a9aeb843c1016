#include "pixelmap/PixelMapModel.h"

#include "pixelmap/PixelMapFileAccess.h"
#include "pixelmap/PixelMapModelDelegate.h"
#include "pixelmap/PmLogPanel.h"
#include "pixelmap/PmSnapshotUndoCommand.h"
#include "pixelmap/PmValueCategory.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>

namespace {

PixelMapModelDelegate& noDelegate() {
    static PixelMapModelDelegate standIn;
    return standIn;
}

// The undo manager keeps at most this many steps.
constexpr int kUndoLevels = 100;
// Outside changes are looked at only this long after our own last save.
constexpr double kChangedOnDiskDelay = 5.0;

const QString kPixDict = QStringLiteral("pixDict");
const QString kCtxUniqueId = QStringLiteral("ctx_unique_id");
const QString kSelectedSource = QStringLiteral("selectedSource");
const QString kViewingProtocol = QStringLiteral("viewingProtocol");
const QString kSortByColumn = QStringLiteral("sortByColumn");
const QString kPatchListSelection = QStringLiteral("patchListTableSelection");

double secondsSinceReferenceDate() {
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return double(reference.msecsTo(QDateTime::currentDateTimeUtc())) / 1000.0;
}

// Where a fixture's channels land: up to four universes, each with its first
// index and count. Addresses above 512 fall into the following universes.
struct PatchPart {
    uint16_t universe;
    int first;
    int count;
};

int patchParts(const PmFixture& fixture, int address, int count, PatchPart (&parts)[4]) {
    const int base = fixture.mProtocol() == kPmKinetPortOut ? std::clamp(fixture.mPort(), 0, 127) * 512 : 0;
    int n = 0;
    int channel = address - 1;
    int remaining = count;
    while (remaining > 0 && channel < 2048 && n < 4) {
        const int index = channel % 512;
        const int part = std::min(remaining, 512 - index);
        parts[n++] = {uint16_t(fixture.mUniverse() + channel / 512), base + index, part};
        channel += part;
        remaining -= part;
    }
    return n;
}

}  // namespace

PixelMapModel::PixelMapModel(PixelMapModelDelegate* delegate, QObject* parent)
    : QObject(parent),
      delegate_(delegate ? delegate : &noDelegate()),
      pixelMapFile_(std::make_unique<OmPixelMapFile>(this)) {
    undoStack_.setUndoLimit(kUndoLevels);
}

PixelMapModel::~PixelMapModel() {
    // The steps refer to the model; they go before it.
    undoStack_.clear();
}

void PixelMapModel::setSelectedContext(PmContext* context) { selectedContext_ = context; }

void PixelMapModel::selectContextNum(int number) {
    if (number >= 1 && size_t(number) <= contextList_.size()) {
        selectedContext_ = contextList_[size_t(number - 1)].get();
        selectedSource_ = -1;
    } else {
        selectedContext_ = nullptr;
    }
}

PmContext* PixelMapModel::contextForUniqueId(int32_t uniqueId) const {
    for (const auto& context : contextList_)
        if (context->unique_id() == uniqueId) return context.get();
    return nullptr;
}

PmContext* PixelMapModel::appendContext(std::unique_ptr<PmContext> context) {
    contextList_.push_back(std::move(context));
    sourcesChanged_ = true;
    for (auto& source : pmSources_) source->srcContextList.reset();
    return contextList_.back().get();
}

void PixelMapModel::removeContextAt(size_t index) {
    if (index >= contextList_.size()) return;
    PmContext* context = contextList_[index].get();
    if (selectedContext_ == context) selectedContext_ = nullptr;
    const auto& fixtures = context->fixtures();
    std::vector<PmFixture*> doomed;
    for (const auto& f : fixtures) doomed.push_back(f.get());
    // The lists hold plain pointers: they must lose the fixtures before the
    // context frees them.
    auto drop = [&](std::vector<PmFixture*>& list) {
        std::erase_if(list, [&](PmFixture* f) {
            return std::find(doomed.begin(), doomed.end(), f) != doomed.end();
        });
    };
    for (auto& list : fixLists_) drop(list);
    drop(mergedFixList_);
    contextList_.erase(contextList_.begin() + std::ptrdiff_t(index));
    sourcesChanged_ = true;
    for (auto& source : pmSources_) source->srcContextList.reset();
}

void PixelMapModel::setViewingProtocol(int32_t protocol) { viewingProtocol_ = clampProtocol(protocol); }

int32_t PixelMapModel::contextProtocol() const {
    if (!selectedContext_) return viewingProtocol_;
    if (!selectedContext_->fixtures().empty())
        return protocolForString(selectedContext_->fixtures().front()->mProtocol());
    return clampProtocol(selectedContext_->ctx_protocol());
}

void PixelMapModel::rebuildFixtureLists() {
    for (auto& list : fixLists_) list.clear();
    mergedFixList_.clear();
    for (const auto& context : contextList_) {
        const int protocol = clampProtocol(context->ctx_protocol());
        for (const auto& fixture : context->fixtures()) {
            fixLists_[size_t(protocol)].push_back(fixture.get());
            mergedFixList_.push_back(fixture.get());
        }
    }
}

// --- Sources

PixMapSource* PixelMapModel::currentPixMapSource() {
    if (selectedSource_ >= 0 && size_t(selectedSource_) < pmSources_.size())
        return pmSources_[size_t(selectedSource_)].get();
    if (selectedContext_)
        if (PixMapSource* source = sourceForId(selectedContext_->source_id())) return source;
    // Made once and never added to the source list.
    static PixMapSource sDefaultSource(0, 1920, 1080);
    return &sDefaultSource;
}

PixMapSource* PixelMapModel::sourceForId(int32_t id) const {
    for (const auto& source : pmSources_)
        if (source->source_id == id) return source.get();
    return nullptr;
}

const std::vector<PmContext*>& PixelMapModel::contextListForCurrentSource() {
    PixMapSource* source = currentPixMapSource();
    if (!source->srcContextList) {
        std::vector<PmContext*> list;
        for (const auto& context : contextList_)
            if (context->source_id() == source->source_id) list.push_back(context.get());
        source->srcContextList = std::move(list);
    }
    return *source->srcContextList;
}

void PixelMapModel::updateSources() {
    for (auto& source : pmSources_) {
        source->srcContextList.reset();
        source->markedForDeletion = true;
    }
    // 0 first, then the mixes (negative ids, descending), then the layers
    // (positive ids, ascending).
    auto rank = [](int32_t id) { return id == 0 ? 0 : id < 0 ? 1 : 2; };
    auto before = [&](int32_t a, int32_t b) {
        if (rank(a) != rank(b)) return rank(a) < rank(b);
        return a < 0 ? a > b : a < b;
    };
    for (const auto& context : contextList_) {
        const int32_t id = context->source_id();
        if (PixMapSource* existing = sourceForId(id)) {
            existing->markedForDeletion = false;
            continue;
        }
        auto at = std::find_if(pmSources_.begin(), pmSources_.end(),
                               [&](const auto& source) { return before(id, source->source_id); });
        pmSources_.insert(at, std::make_unique<PixMapSource>(id, 1920, 1080));
        if (selectedSource_ == -1 && !selectedContext_) selectedSource_ = 0;
    }
    std::erase_if(pmSources_, [](const auto& source) { return source->markedForDeletion; });
    if (selectedSource_ >= int32_t(pmSources_.size())) selectedSource_ = pmSources_.empty() ? -1 : 0;
    sourcesChanged_ = false;
}

void PixelMapModel::selectPreviousSelectedSource(int32_t index) {
    selectedSource_ = index >= 0 && size_t(index) < pmSources_.size() ? index : -1;
}

// --- Refresh

void PixelMapModel::updateAllPixelMapData() {
    if (sourcesChanged_) updateSources();
    updatePixelMapData(pixelMapFile_->dict());
    updatePatchListErrors();
    delegate_->pixelMapDataUpdated();
}

void PixelMapModel::updatePatchListErrors() {
    patchListErrorCount_ = 0;
    for (int p = 0; p < kPmProtocolCount; ++p) {
        KlUniverseMap& map = universeMaps_[size_t(p)];
        map.clear();
        // The checked part of a fixture's range: nothing for universes outside
        // 0..65535; channels past 2048 are out of range and not placed.
        auto checkedRange = [&](PmFixture& fixture, int& address, int& count, bool countErrors) {
            if (fixture.mUniverse() < 0 || fixture.mUniverse() > 65535) return false;
            const PmFixture::Range range = fixture.addrRange();
            address = range.location;
            count = range.length;
            if (count <= 0) return false;
            const qint64 end = qint64(address) + count;
            const bool outOfRange = end > 2049 || address < 1;
            if (outOfRange && countErrors) ++patchListErrorCount_;
            fixture.setMAddrOutOfRange(outOfRange);
            if (end > 2049) count = int(std::max<qint64>(0, 2049 - qint64(address)));
            return true;
        };
        for (PmFixture* fixture : fixLists_[size_t(p)]) {
            int address = 0, count = 0;
            if (!checkedRange(*fixture, address, count, true) || address < 1) continue;
            PatchPart parts[4];
            const int n = patchParts(*fixture, address, count, parts);
            for (int i = 0; i < n; ++i) map.occupy(parts[i].universe, parts[i].first, parts[i].count);
        }
        for (PmFixture* fixture : fixLists_[size_t(p)]) {
            int address = 0, count = 0;
            fixture->setMAddrConflict(false);
            if (!checkedRange(*fixture, address, count, false)) continue;
            if ((p == kPmProtocolArtNet && fixture->mUniverse() >= 32768) ||
                (p == kPmProtocolSACN && fixture->mUniverse() >= 64000))
                fixture->setMAddrOutOfRange(true);
            if (address < 1) continue;
            PatchPart parts[4];
            const int n = patchParts(*fixture, address, count, parts);
            for (int i = 0; i < n; ++i) {
                if (!map.conflictsWith(parts[i].universe, parts[i].first, parts[i].count)) continue;
                fixture->setMAddrConflict(true);
                ++patchListErrorCount_;
            }
        }
    }
}

// --- Snapshot undo

bool PixelMapModel::markUndo() {
    if (!isEditingAllowed()) return false;
    ++markUndoIncrement_;
    markUndo_ = buildUndoDict();
    return true;
}

void PixelMapModel::addUndo(const QString& name) {
    if (addUndoIncrement_ == markUndoIncrement_ || !markUndo_) {
        if (!sUndoLossReported_) {
            sUndoLossReported_ = true;
            delegate_->undoRegistrationLost();
        }
        return;
    }
    addUndoIncrement_ = markUndoIncrement_;
    undoStack_.push(new PmSnapshotUndoCommand(this, std::move(*markUndo_), name));
    markUndo_.reset();
    saveIfLive();
    delegate_->updateCutCopyPasteButtons();
}

bool PixelMapModel::undo() {
    if (!undoStack_.canUndo()) return false;
    if (!delegate_->isVisible()) {
        PmLogPanel::shared().log(
            kOmLogError,
            QStringLiteral("should not normally happen... ignoring undo called while PixelMap tab invisible?"));
        return false;
    }
    if (!isEditingAllowed()) return false;
    PmLogPanel::shared().log(kOmLogInfo, QStringLiteral("Undo %1").arg(undoStack_.undoText()));
    undoStack_.undo();
    return true;
}

bool PixelMapModel::redo() {
    if (!undoStack_.canRedo() || !delegate_->isVisible() || !isEditingAllowed()) return false;
    PmLogPanel::shared().log(kOmLogInfo, QStringLiteral("Redo %1").arg(undoStack_.redoText()));
    undoStack_.redo();
    return true;
}

void PixelMapModel::clearUndoBuffer() {
    undoStack_.clear();
    undoStack_.setUndoLimit(kUndoLevels);
    markUndo_.reset();
    addUndoIncrement_ = markUndoIncrement_;
}

void PixelMapModel::saveIfLive() {
    pixelMapFile_->setNeedsSave(true);
    if (sessionPath_.isEmpty()) return;
    if (sessionPath_ != pixelMapFile_->fileName()) {
        delegate_->endSession();
    } else if (pmFileMode_ == 1) {
        updateProfilesToDict(pixelMapFile_->dict());
        delegate_->liveSaveStarted();
        pixelMapFile_->save();
    }
}

QVariantMap PixelMapModel::buildUndoDict() {
    QVariantMap snapshot = delegate_->undoViewState();
    // The document shares its nodes with the snapshot until either changes.
    QVariantMap pixDict = pixelMapFile_->dict();
    updateProfilesToDict(pixDict);
    snapshot.insert(kPixDict, pixDict);
    snapshot.insert(kCtxUniqueId, qint64(selectedContext_ ? selectedContext_->unique_id() : -1));
    snapshot.insert(kSelectedSource, qint64(selectedSource_));
    snapshot.insert(kViewingProtocol, qint64(viewingProtocol_));
    snapshot.insert(kSortByColumn, qint64(sortByColumn_));
    if (!snapshot.contains(kPatchListSelection)) {
        QVariantList selection;
        const auto& list = fixList();
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i]->mSelected()) selection.append(qint64(i));
        snapshot.insert(kPatchListSelection, selection);
    }
    return snapshot;
}

void PixelMapModel::restoreUndoSnapshot(const QVariantMap& s) {
    sortByColumn_ = pmIntValue(s.value(kSortByColumn));
    selectedContext_ = nullptr;
    const int32_t protocol = pmIntValue(s.value(kViewingProtocol));
    setViewingProtocol(protocol);

    // The snapshot's document becomes the document, profiles and all.
    const QVariantMap pixDict = s.value(kPixDict).toMap();
    pixelMapFile_->dict() = pixDict;
    loadStockProfiles();
    loadFixtureProfiles(pixDict, false, false);
    const QString error = loadPixelMapData(&pixelMapFile_->dict(), true);
    if (!error.isEmpty()) PmLogPanel::shared().log(kOmLogError, error);
    setViewingProtocol(protocol);

    const int32_t contextId = pmIntValue(s.value(kCtxUniqueId));
    if (contextId < 0) {
        selectContextNum(0);
        selectPreviousSelectedSource(pmIntValue(s.value(kSelectedSource)));
    } else {
        selectContextNum(0);
        for (size_t i = 0; i < contextList_.size(); ++i)
            if (contextList_[i]->unique_id() == contextId) selectContextNum(int(i) + 1);
    }
    for (PmFixture* fixture : mergedFixList_) fixture->setMSelected(false);
    const auto& list = fixList();
    for (const QVariant& index : s.value(kPatchListSelection).toList()) {
        const int32_t row = pmIntValue(index);
        if (row >= 0 && size_t(row) < list.size()) list[size_t(row)]->setMSelected(true);
    }
    delegate_->restoreUndoViewState(s);
    saveIfLive();
}

void PixelMapModel::swapSnapshot(QVariantMap& snapshot) {
    QVariantMap current = buildUndoDict();
    restoreUndoSnapshot(snapshot);
    snapshot = std::move(current);
}

// --- Session and outside changes

bool PixelMapModel::mainThreadSave(const QByteArray& data, const QString& path, bool waitUntilDone,
                                   QString* error) {
    (void)waitUntilDone;
    const std::optional<QDateTime> date = PixelMapFileAccess::shared().write(data, path, error);
    if (!date) {
        // The file was not written: the watch goes on as before.
        pixelMapFile_->startEventStream();
        return false;
    }
    if (path == pixelMapFile_->fileName()) notifySaveSuccessful(*date);
    return true;
}

void PixelMapModel::notifySaveSuccessful(const QDateTime& modificationDate) {
    delegate_->saveSucceeded();
    pixelMapFile_->setLastKnownModDate(modificationDate);
    pixelMapFile_->setLastSaveTime(secondsSinceReferenceDate());
    pixelMapFile_->setNeedsSave(false);
    pixelMapFile_->startEventStream();
}

void PixelMapModel::checkFile(const QString& path) {
    const QString fileName = pixelMapFile_->fileName();
    if (fileName.isEmpty()) return;
    const QString folder = QFileInfo(fileName).absolutePath();
    if (path.startsWith(folder)) fileMayHaveChangedOnDisk_ = true;
}

PixelMapModel::DiskState PixelMapModel::checkFileChangedOnDisk(double now) {
    if (!fileMayHaveChangedOnDisk_ || now - pixelMapFile_->lastSaveTime() <= kChangedOnDiskDelay)
        return DiskState::Unchanged;
    fileMayHaveChangedOnDisk_ = false;
    const QDateTime known = pixelMapFile_->lastKnownModDate();
    const QDateTime current = PixelMapFileAccess::shared().fileDate(pixelMapFile_->fileName());
    if (!known.isValid() || known == current) return DiskState::Unchanged;
    if (!current.isValid()) {
        pixelMapFile_->setNeedsSave(true);
        return DiskState::Gone;
    }
    return DiskState::Changed;
}
