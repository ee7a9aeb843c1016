#pragma once

#include "platform/NotificationCenter.h"
#include "serverlink/ServerChanges.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <array>
#include <cstdint>
#include <memory>

class KeloObject;
class KlE_Control_Status;
class KlRemoteControlListDelegate;

// The model of the Preferences tab: one server's preference dictionary as
// typed entries in display order, checked edits sent to the server, the
// refresh that follows the server's change counters, and the comparison with
// a second server shown in a right-hand panel that the left one owns.
//
// The dictionary is the server object's own (`KeloObject::mutablePrefsDict`):
// the list keeps its display order ("_sorted_keys_") and fetch marks in it,
// so every reader sees them. It reaches the server only by posting
// "KeloRemoteNotification"; the window layer is told through a delegate.
//
// Main thread only.
class KlRemoteControlList {
public:
    // Which structured editor an entry uses; None: the row edits itself.
    enum class EditorView { None, Effect, Alignment, CameraSettings, ListSelector, StringList };

    static constexpr int kMaxFetchesPerPass = 7;
    static constexpr int kEditValueCount = 16;
    static constexpr int kFirstEditValueTag = 2001;

    // The left panel, with its right (comparison) panel. A null link means
    // the process's one.
    explicit KlRemoteControlList(KlE_Control_Status* link = nullptr);
    ~KlRemoteControlList();
    KlRemoteControlList(const KlRemoteControlList&) = delete;
    KlRemoteControlList& operator=(const KlRemoteControlList&) = delete;

    // Not owned; null: nobody is told.
    void setDelegate(KlRemoteControlListDelegate* delegate);
    static const QStringList& groupOrder();

    // --- Entries, order and edits ---------------------------------------------
    // Shows a dictionary (null: none); builds "_sorted_keys_" when missing.
    void setDictionary(QVariantMap* dictionary);
    QVariantMap* dictionary() const { return dictionary_; }
    QVariantList sortedKeys() const;
    // <0, 0, >0: A before, same as, or after B in the display order.
    static int sortKeys(const QString& a, const QString& b, const QVariantMap& dictionary);
    // Preference names in display order, each group's name before its first
    // entry; deprecated entries and non-entries are left out.
    static QVariantList buildSortedKeys(const QVariantMap& dictionary);
    // Whether the dictionary holds a display order (anything else under
    // "_sorted_keys_" came from elsewhere and is replaced).
    static bool hasSortedKeys(const QVariantMap& dictionary);
    static bool isValueValid(const QVariant& value, const QVariantMap& entry);
    // Whether `value` equals the entry's "_value" for the entry's type.
    static bool isValueEqual(const QVariant& value, const QVariantMap& entry);
    static EditorView editorViewForEntry(const QVariantMap& entry);
    // Checks, stores and sends a new value; false when refused (the reason
    // went to the delegate and `lastWarning`).
    bool setNewPrefValue(const QVariant& value, const QString& key);
    // Asks the server for one preference's current value.
    void refreshPref(const QString& key);
    QString lastWarning() const { return lastWarning_; }
    // The row is on screen (written by the drawing).
    void setPrefVisible(const QString& key, bool visible);

    void selectPref(const QString& key, bool allowScroll);
    QString selectedPrefName() const { return selectedPrefName_; }
    QVariant selectedPrefValues() const { return selectedPrefValues_; }
    EditorView selectedPrefControlView() const { return selectedView_; }
    // The selected entry's "_dflt".
    QVariant dflt() const;
    // The reset button pressed on a row; resetToDefault applies its default.
    void setResetMouseDownKey(const QString& key) { resetMouseDownKey_ = key; }
    void resetToDefault();

    // The action of every editor control, by the control's tag; `value` is
    // what the control holds (text, state, index, segment or dictionary).
    void actionProc(int tag, const QVariant& value);
    void setEditValue(int value, int tag);
    int getEditValueForTag(int tag) const;
    // Index of the item the item editors show; -1 for none.
    int selectedItemIndex() const { return selectedItemIndex_; }
    void setSelectedItemIndex(int index) { selectedItemIndex_ = index; }
    void loadEditValues();
    bool commitEditValues();
    // Segment 1 appends an item, segment 0 removes the selected one; the
    // index to show next, -1 when there is none.
    int addOrRemoveEditItem(int segment);
    double flashCommitButton() const { return flashCommitButton_; }

    // --- Refresh and change tracking --------------------------------------------
    // The main window's tick; nothing happens while the window is hidden.
    void update();
    void updateValues();
    void pref_IncrNotification(const Notification& notification);
    // Marks every preference that the server updates by increment as stale.
    void refreshDictionary();
    void setWindowVisible(bool visible) { windowVisible_ = visible; }
    QString windowTitle() const { return windowTitle_; }

    void setServerStatus(const QString& status);
    QString serverStatus() const { return serverStatus_; }
    void setFixtureName(const QString& name);
    QString fixtureName() const { return fixtureName_; }
    void updateNameForKelo(const KeloObject* kelo);
    QString screenNameForKeloWithName(const QString& name) const;
    QString troubleShootStrForKelo(KeloObject* kelo, bool shortString) const;
    void startupKlE_Control_Status();

    ServerChanges serverChanges() const { return serverChanges_; }
    void setServerChanges(const ServerChanges& changes) { serverChanges_ = changes; }
    bool cannotCompareOrEdit() const { return cannotCompareOrEdit_; }
    void setCannotCompareOrEdit(bool on) { cannotCompareOrEdit_ = on; }
    int vMajor() const { return vMajor_; }
    int vMinor() const { return vMinor_; }
    void setVMajor(int v) { vMajor_ = v; }
    void setVMinor(int v) { vMinor_ = v; }

    // --- Comparing and copying -------------------------------------------------
    void setupCompareMenu();
    QStringList compareMenuItems() const { return compareMenuItems_; }
    int compareMenuSelectedIndex() const { return compareMenuSelected_; }
    void startComparing(const QString& name);
    void stopComparing();
    void comparePopUpChosen(const QString& title);
    void compareButtonClicked(bool on);
    // The partner's name while comparing, else null.
    QString compareToKeloName() const;
    void updateRightServerComparison(KeloObject* partner, bool force);
    // Whether the row of `key` can be copied between the panels (asked on the
    // left panel).
    bool canCopyLeftSideToRightSide(const QString& key) const;
    void updateHelpTextForKey(const QString& key, bool copyLeft, bool copyRight);
    QString helpText() const { return helpText_; }
    void copyToLeftSide(const QString& key);
    void copyToRightSide(const QString& key);
    void refreshAfterCopy(const QString& key);
    KlRemoteControlList* otherSide() const;
    KlRemoteControlList* rightServerComparison() const { return right_.get(); }
    bool isRightSideComparison() const { return left_ != nullptr; }
    static bool keloName(const QString& name, const QString& menuItemTitle);
    // Index of the compare menu item for a server; -1 when none.
    int matchingPopupItemForName(const QString& name) const;

private:
    // The right panel of `left`.
    KlRemoteControlList(KlE_Control_Status* link, KlRemoteControlList* left);

    KlRemoteControlListDelegate* delegate() const;
    void postRemoteNotification(int type, const QString& key, const QString& value = QString());
    void applyDmxUniverseRule(const QString& key, double n, QVariant* value, QString* warning,
                              bool* keepGoing);
    // Writes the editor's item values into the selected entry, when it is
    // still the entry they were loaded from.
    void storeSelectedValues();
    void afterEdit(int index);
    void markEntry(const QString& key, const QString& field, const QVariant& value);

    KlE_Control_Status* link_ = nullptr;
    KlRemoteControlList* left_ = nullptr;  // set on the right panel only
    std::unique_ptr<KlRemoteControlList> right_;
    KlRemoteControlListDelegate* delegate_ = nullptr;
    NotificationCenter::Token incrToken_;

    QVariantMap* dictionary_ = nullptr;
    QString selectedPrefName_;
    QVariant selectedPrefValues_;
    QString selectedPrefType_;
    EditorView selectedView_ = EditorView::None;
    bool selecting_ = false;
    int selectedItemIndex_ = -1;
    std::array<int32_t, kEditValueCount> editorValues_{};
    double flashCommitButton_ = 0;
    bool flashCommitGreen_ = false;
    QString deferredWarningKey_;
    QString deferredWarningVal_;
    QString resetMouseDownKey_;
    QString lastWarning_;

    bool windowVisible_ = false;
    QString windowTitle_;
    QString fixtureName_;
    ServerChanges serverChanges_;
    QString serverStatus_;
    bool cannotCompareOrEdit_ = true;
    int vMajor_ = 0;
    int vMinor_ = 0;
    QVariantMap activeKeloes_;
    QStringList toServerListDataSource_;

    QStringList compareMenuItems_;
    int compareMenuSelected_ = 0;
    bool comparingNow_ = false;
    QString previousCompareToKeloName_;
    QString helpText_;
};

// How entries read their values: NSString-like leniency for text the server
// wrote (leading blanks, a sign, trailing junk ignored).
bool prefBoolValue(const QVariant& value);
int32_t prefIntValue(const QVariant& value);
float prefFloatValue(const QVariant& value);
// A value as the text the server takes: text itself, arrays and dictionaries
// in the old-style property-list form.
QString prefValueText(const QVariant& value);
