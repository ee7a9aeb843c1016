#include "pixelmap/PmSnapshotUndoCommand.h"

#include "pixelmap/PixelMapModel.h"

PmSnapshotUndoCommand::PmSnapshotUndoCommand(PixelMapModel* model, QVariantMap snapshot,
                                             const QString& name)
    : model_(model), snapshot_(std::move(snapshot)) {
    if (!name.isNull()) setText(name);
}

void PmSnapshotUndoCommand::undo() { model_->swapSnapshot(snapshot_); }

void PmSnapshotUndoCommand::redo() {
    if (!pushed_) {
        pushed_ = true;
        return;
    }
    model_->swapSnapshot(snapshot_);
}
