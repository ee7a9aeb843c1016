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
