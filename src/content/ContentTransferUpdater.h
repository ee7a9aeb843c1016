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

private:
    std::optional<Transfers> syncActiveTransfers_;
    std::optional<Transfers> syncOldTransfers_;
    std::optional<Transfers> staleTransfers_;
};
