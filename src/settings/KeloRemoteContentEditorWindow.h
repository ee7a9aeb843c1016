#pragma once

#include "settings/KeloRemoteContentEditor.h"
#include "settings/KeloRemoteContentEditorDelegate.h"

#include <QHash>
#include <QPlainTextEdit>
#include <QVector>
#include <QWidget>

#include <vector>

class HUDButton;
class HUDLabel;
class HUDStepper;
class HUDTableView;
class QDialog;
class QStandardItemModel;
class controlValueField;
class HUDPopUpButton;
class HUDTabView;
class HUDTextField;
class KeloJoystickControl;
class KeloWarpEditorView;
class QListWidget;
class QMenu;
class TopoTextureControl;
class VignetteControl;

// The raw text of the current item; `dirty` once it was set from outside.
class KeloDirtyTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit KeloDirtyTextView(QWidget* parent = nullptr) : QPlainTextEdit(parent) {}
    bool dirty() const { return dirty_; }
    void setDirty(bool on) { dirty_ = on; }
    void setString(const QString& text) {
        dirty_ = true;
        setPlainText(text);
    }

private:
    bool dirty_ = false;
};

// One entry of an options table: a tag and its title; tag 0 is a plain title.
struct KeloEditorMenuEntry {
    int tag;
    const char* title;
};

// The content editor window: the four kinds of content item of one server
// (model info, topographies, vignettes, projection) in tabs, with the item
// list, the camera, shape, model-info and output boxes, the warp, texture and
// vignette panels, and the raw text. Every control sends one action with its
// tag; jog controls report their values with theirs. It drives the
// KeloRemoteContentEditor model it owns. Main thread only.
class KeloRemoteContentEditorWindow : public QWidget, public KeloRemoteContentEditorDelegate {
    Q_OBJECT
public:
    explicit KeloRemoteContentEditorWindow(QWidget* parent = nullptr);
    ~KeloRemoteContentEditorWindow() override;

    KeloRemoteContentEditor& editor() { return editor_; }

    // The action of every control, menu item and button, by the sender's tag.
    void actionProc(int tag);
    // A jog control moved: writes its value into the item and sends it.
    void observeValue(int tag, double value);
    // The kind tab (0-3) or sub-tab (100-109) chosen.
    void selectTabWithIdentifier(int identifier);
    int selectedKindIdentifier() const;
    int selectedSubTabIdentifier() const;
    // Identifiers of the tabs that can be chosen now.
    QList<int> availableKindTabs() const;
    QList<int> availableProjectionTabs() const;
    QWidget* editView() const { return editView_; }
    // The options table on show; null for none.
    const KeloEditorMenuEntry* currentMenuSpec() const { return currentMenuSpec_; }
    QStringList optionsTitles() const;
    static const KeloEditorMenuEntry* menuTable(const char* name);

    KeloJoystickControl* joystick(int tag) const { return joysticks_.value(tag); }
    QWidget* control(int tag) const { return controls_.value(tag); }
    HUDTabView* tabView() const { return tabView_; }
    KeloDirtyTextView* textView() const { return textField_; }
    QListWidget* itemList() const { return itemList_; }
    QString description() const;

    // The motions box: its list, the motion on show (-1: none) and its
    // keyed fields.
    QListWidget* motionList() const { return motionList_; }
    int selectedMotion() const { return selectedMotion_; }
    QWidget* currentMotionBox() const { return currentMotionBox_; }
    QWidget* dmxBox() const { return dmxBox_; }
    const std::vector<controlValueField*>& keyedFields() const { return keyedFields_; }
    // A motion control changed; `sender` tells the keyed fields apart.
    void motionAction(int tag, QWidget* sender);

    // The item-creation dialog (1 model info, 2 topography, 3 vignette): a
    // sheet with the message, an accessory panel and "OK" / "Cancel".
    void presentAlert(const QString& message, QWidget* accessory, int dialog);
    // The dialog on show, else null.
    QDialog* newItemDialog() const { return newItemDialog_; }
    // The accessory control with the tag in the dialog on show, else null.
    QWidget* newItemControl(int tag) const;
    // The model table of alias and multimodel topographies.
    HUDTableView* modelTable() const { return toTopoModels_; }
    QStandardItemModel* modelTableModel() const { return topoModels_; }
    QString meshTabLabel() const;

    // KeloRemoteContentEditorDelegate
    void windowTitleChanged(const QString& title) override;
    void showWindow(bool visible) override;
    void setupTabViews() override;
    void itemListChanged(int row) override;
    void rescanCurrentItem() override;
    void updateTextField(const QString& text) override;
    void showAlert(const QString& message, const QString& informative) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildCameraBox();
    void buildGeneralBox();
    void buildModelInfoBox();
    void buildOutputBox();
    void buildMotionsBox();
    void buildNewItemPanels();
    void buildModelTable();
    void showMotions();
    void reloadModelTable();
    void newItemChosen(int dialog);
    void alertDone(bool ok, int dialog);
    void showMeshFields(int typeTag);
    QWidget* tagged(int tag, QWidget* w);
    KeloJoystickControl* setupJoystick(QWidget* box, const QString& label, int tag, int min,
                                       int max, int dp);
    void tabChosen(int identifier);
    void setView(QWidget* view, QWidget* container);
    void setOptions(const KeloEditorMenuEntry* table);
    void displayPoint(const QVariant& text, const std::vector<int>& tags);
    void sendAndShow();
    void editTopOrModelInfo(const QString& key, const QVariant& value);

    KeloRemoteContentEditor editor_;
    HUDTabView* tabView_;
    HUDTabView* modelInfoView_;
    HUDTabView* topoView_;
    HUDTabView* projectionView_;
    QListWidget* itemList_;
    HUDLabel* descriptionLine_;
    HUDTextField* nameField_;
    KeloDirtyTextView* textField_;
    HUDPopUpButton* optionsMenu_;
    QWidget* toCameraControls_;
    QWidget* toTopoGeneralBox_;
    QWidget* toModelInfoControls_;
    QWidget* toMultiHeadControls_;
    QWidget* toModelWarpBox_;
    QWidget* toMeshBox_;
    QWidget* toModelMotionsBox_;
    QWidget* vignetteView_;
    QWidget* topoTextureView_;
    HUDLabel* outputCaption_;
    KeloWarpEditorView* toModelWarpEditor_;
    KeloWarpEditorView* toModelMeshEditor_;
    KeloWarpEditorView* toMultiheadWarpEditor_;
    TopoTextureControl* topoTex_;
    VignetteControl* toVignette_;
    QWidget* editView_ = nullptr;
    QListWidget* motionList_ = nullptr;
    HUDStepper* motionStepper_ = nullptr;
    QWidget* currentMotionBox_ = nullptr;
    QWidget* dmxBox_ = nullptr;
    std::vector<controlValueField*> keyedFields_;
    int selectedMotion_ = -1;
    QWidget* toModelNumberPanel_ = nullptr;
    QWidget* toNewItemPanel_ = nullptr;
    int newItemPanelFilledFor_ = 0;
    QDialog* newItemDialog_ = nullptr;
    HUDTableView* toTopoModels_ = nullptr;
    QStandardItemModel* topoModels_ = nullptr;
    bool loadingModels_ = false;
    QHash<int, KeloJoystickControl*> joysticks_;
    QHash<int, QWidget*> controls_;
    const KeloEditorMenuEntry* currentMenuSpec_ = nullptr;
    QVariantMap copiedCamera_, copiedModelInfo_, copiedTopography_, copiedVignette_, copiedWarp_;
    bool showing_ = false;
};
