#include "content/ContentTransferUpdater.h"

void ContentTransferUpdater::addTransfer(const std::shared_ptr<ContentTransfer>& transfer,
                                         int32_t key) {
    if (!syncActiveTransfers_) {
        syncActiveTransfers_.emplace();
        syncOldTransfers_.emplace();
        staleTransfers_.emplace();
    }
    (*syncActiveTransfers_)[key] = transfer;
}

void ContentTransferUpdater::completeSyncForTransferID(int32_t transferID) {
    if (!syncActiveTransfers_) return;
    for (auto it = syncActiveTransfers_->begin(); it != syncActiveTransfers_->end();) {
        if (it->first < transferID) {
            ++it;
            continue;
        }
        (*syncOldTransfers_)[it->first] = it->second;
        it = syncActiveTransfers_->erase(it);
    }
}

bool ContentTransferUpdater::isFolderActive(const QString& folderKey) const {
    if (!syncActiveTransfers_) return false;
    for (const auto& [key, transfer] : *syncActiveTransfers_)
        if (transfer && transfer->folderKey() == folderKey) return true;
    return false;
}
