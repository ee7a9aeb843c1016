#pragma once

#include "content/KeloContentID.h"
#include "serverlink/BftpTransferMessage.h"

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <cstdint>
#include <memory>
#include <optional>

// Status codes of a transfer history entry, beside the agent's own.
inline constexpr uint32_t kTransferStatusStarted = fourCharCode("strt");
inline constexpr uint32_t kTransferStatusSent = fourCharCode("sent");
inline constexpr uint32_t kTransferStatusFailed = fourCharCode("fail");
inline constexpr uint32_t kTransferStatusRejected = fourCharCode("rjct");
inline constexpr uint32_t kTransferStatusConflict = fourCharCode("cflt");
inline constexpr uint32_t kTransferStatusMoved = fourCharCode("move");
inline constexpr uint32_t kTransferStatusSame = fourCharCode("same");

// The four characters of a status code.
QString transferStatusString(uint32_t status);
// A content ID as transfer tasks, notifications and history entries carry
// it: the agent's item reference, or its 4 bytes.
QVariant contentIDVariant(const KeloContentID& id);
std::optional<KeloContentID> contentIDFromVariant(const QVariant& value);

// One transfer record of a collection: the tasks of a sync job, or, with
// transfer ID 0, only a mark that a folder's database entries are to be
// fetched again. Main thread only.
class ContentTransfer {
public:
    static std::shared_ptr<ContentTransfer> transferWithTasks(
        const QVariantList& tasks, const QString& folderKey, const std::optional<KeloContentID>& id,
        int32_t transferKey, int32_t collectionID);

    const QVariantList& tasks() const { return tasks_; }
    const QString& folderKey() const { return folderKey_; }
    const std::optional<KeloContentID>& contentID() const { return contentID_; }
    int32_t transferKey() const { return transferKey_; }
    int32_t collectionID() const { return collectionID_; }

    // A step of the scan queue instead of a record: {step, collection}.
    static std::shared_ptr<ContentTransfer> scanTask(int step, int32_t collectionID);
    // The scan step; -1 for a transfer record.
    int scanStep() const { return scanStep_; }

private:
    QVariantList tasks_;
    QString folderKey_;
    std::optional<KeloContentID> contentID_;
    int32_t transferKey_ = 0;
    int32_t collectionID_ = -1;
    int scanStep_ = -1;
};
