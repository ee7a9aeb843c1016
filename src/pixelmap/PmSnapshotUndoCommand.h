#pragma once

#include <QUndoCommand>
#include <QVariantMap>

class PixelMapModel;

// One undo step: a whole snapshot of the document and the editor's state.
// Undoing restores it and keeps the state it replaced, which redo restores in
// turn. Main thread only.
class PmSnapshotUndoCommand : public QUndoCommand {
public:
    PmSnapshotUndoCommand(PixelMapModel* model, QVariantMap snapshot, const QString& name);

    void undo() override;
    // Pushing the step must not restore anything: the change is already made.
    void redo() override;

    const QVariantMap& snapshot() const { return snapshot_; }

private:
    PixelMapModel* model_;
    QVariantMap snapshot_;
    bool pushed_ = false;
};
