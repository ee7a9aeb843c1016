#include "content/ContentTransfer.h"

std::shared_ptr<ContentTransfer> ContentTransfer::transferWithTasks(
    const QVariantList& tasks, const QString& folderKey, const std::optional<KeloContentID>& id,
    int32_t transferKey, int32_t collectionID) {
    auto transfer = std::make_shared<ContentTransfer>();
    transfer->tasks_ = tasks;
    transfer->folderKey_ = folderKey;
    transfer->contentID_ = id;
    transfer->transferKey_ = transferKey;
    transfer->collectionID_ = collectionID;
    return transfer;
}

std::shared_ptr<ContentTransfer> ContentTransfer::scanTask(int step, int32_t collectionID) {
    auto task = std::make_shared<ContentTransfer>();
    task->scanStep_ = step;
    task->collectionID_ = collectionID;
    return task;
}
