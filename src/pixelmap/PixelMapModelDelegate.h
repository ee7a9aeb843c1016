#pragma once

#include <QString>
#include <QVariantMap>

// What the pixel-map model asks of the editor that shows it: refreshes,
// alerts and the view state kept in undo snapshots. Every method has an empty
// default, so that the model runs headless. Main thread only.
class PixelMapModelDelegate {
public:
    virtual ~PixelMapModelDelegate() = default;

    // After every full refresh: tables, context tabs and canvas reload.
    virtual void pixelMapDataUpdated() {}
    // The canvas must recompute its contexts' sizes.
    virtual void contextSizeChanged() {}
    // A load repaired the document: the "Pixel Map Repairs" alert with this
    // text ("Errors were found.\n..."); the load itself succeeded.
    virtual void showPixelMapRepairs(const QString& text) { (void)text; }
    // A document could not be read: the "Invalid Pixel Map" alert text.
    virtual void invalidPixelMapFileReported(const QString& text) { (void)text; }
    // The live session's file is no longer the document's.
    virtual void endSession() {}
    // A live save started, or the document was written.
    virtual void liveSaveStarted() {}
    virtual void saveSucceeded() {}
    // An edit was made without a snapshot before it; called once per process
    // (the "Don't panic!" alert).
    virtual void undoRegistrationLost() {}
    virtual void updateCutCopyPasteButtons() {}
    // Undo is refused while the tab is hidden.
    virtual bool isVisible() { return true; }
    // The view's part of an undo snapshot (selections, scroll position, zoom,
    // the next-address fields), and its restoration.
    virtual QVariantMap undoViewState() { return {}; }
    virtual void restoreUndoViewState(const QVariantMap& snapshot) { (void)snapshot; }
};
