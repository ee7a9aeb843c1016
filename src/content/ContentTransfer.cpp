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

QString transferStatusString(uint32_t status) {
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = char((status >> shift) & 0xFF);
        text += QChar::fromLatin1(c >= 0x20 && c < 0x7F ? c : '?');
    }
    return text;
}

QVariant contentIDVariant(const KeloContentID& id) {
    return QVariant::fromValue(id.contentRef());
}

std::optional<KeloContentID> contentIDFromVariant(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<KlContentRef>())
        return KeloContentID(value.value<KlContentRef>());
    if (value.typeId() == QMetaType::QByteArray)
        return KeloContentID::contentWithData(value.toByteArray());
    return std::nullopt;
}
