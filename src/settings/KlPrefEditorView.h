#pragma once

#include "settings/KlRemoteControlList.h"

#include <QHash>
#include <QStringList>
#include <QWidget>

class KeloCameraSetupView;
class KlRemoteControlListView;

// One structured editor of the Preferences list, shown in place of the
// selected row: the choice pop-up (list selector), the item editor of a text
// array, the effect editor, the alignment-rectangle editor, or the live video
// input view. Its controls carry the tags the model's actionProc takes; every
// change goes to the list view, which hands it on. Main thread only.
class KlPrefEditorView : public QWidget {
    Q_OBJECT
public:
    KlPrefEditorView(KlRemoteControlList::EditorView kind, KlRemoteControlListView* listView,
                     QWidget* parent = nullptr);

    KlRemoteControlList::EditorView kind() const { return kind_; }
    // The first control with the tag, or null.
    QWidget* controlWithTag(int tag) const { return controls_.value(tag); }
    KeloCameraSetupView* cameraView() const { return camera_; }
    // Shows the selected entry of the model afresh.
    void load(const KlRemoteControlList& list, const QVariantMap& entry);
    // What each item of the choice pop-up sends.
    const QStringList& choiceValues() const { return choiceValues_; }
    void setCommitFlash(bool green);
    // While the item pop-up is open its items show their texts after their
    // numbers; 0.1 s after it closed, the numbers alone again.
    void popupWillPopUp();
    void menuDidClose();

private:
    void add(int tag, QWidget* control);
    void reloadArrayItemSelector(const KlRemoteControlList& list, const QVariantMap& entry);
    void warnIfNotFound(const QVariantMap& entry);
    void revertMenu();

    KlRemoteControlList::EditorView kind_;
    KlRemoteControlListView* listView_;
    QHash<int, QWidget*> controls_;
    KeloCameraSetupView* camera_ = nullptr;
    QStringList choiceValues_;
    QVariantMap entry_;
    bool loading_ = false;
    bool showingTexts_ = false;
};
