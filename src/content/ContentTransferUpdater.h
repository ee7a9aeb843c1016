#pragma once

#include "content/ContentTransfer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

// A collection's transfer records by transfer ID, in three sets: active
// (running or queued), old (finished or cancelled) and stale (silent too
// long). The sets exist only once the first record was added. Main thread only.
class ContentTransferUpdater {
public:
    using Transfers = std::map<int32_t, std::shared_ptr<ContentTransfer>>;

    // Creates the three sets on first use; stores the record as active.
    void addTransfer(const std::shared_ptr<ContentTransfer>& transfer, int32_t key);

    const std::optional<Transfers>& syncActiveTransfers() const { return syncActiveTransfers_; }
    const std::optional<Transfers>& syncOldTransfers() const { return syncOldTransfers_; }
    const std::optional<Transfers>& staleTransfers() const { return staleTransfers_; }
    std::optional<Transfers>& syncActiveTransfers() { return syncActiveTransfers_; }
    std::optional<Transfers>& syncOldTransfers() { return syncOldTransfers_; }
    std::optional<Transfers>& staleTransfers() { return staleTransfers_; }

    // Moves every active record whose transfer ID is at least `transferID`
    // into the old set.
    void completeSyncForTransferID(int32_t transferID);
    // Whether a record of the folder is still active.
    bool isFolderActive(const QString& folderKey) const;

private:
    std::optional<Transfers> syncActiveTransfers_;
    std::optional<Transfers> syncOldTransfers_;
    std::optional<Transfers> staleTransfers_;
};
