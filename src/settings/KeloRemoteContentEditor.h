#pragma once

#include "platform/NotificationCenter.h"

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <array>
#include <functional>
#include <optional>

class KeloObject;
class KeloRemoteContentEditorDelegate;
class KlE_Control_Status;

// The content editor's model: the content items of one media server, four
// kinds of them, listed, fetched, edited and stored back as texts through the
// server link. The window and its controls are told what changed through the
// delegate; the model itself shows nothing. Main thread only.
class KeloRemoteContentEditor {
public:
    // The kinds, in domain order; also the first field of every message.
    static const std::array<QString, 4>& kindNames();
    static constexpr QChar kSeparator = QChar(0x0B);

    explicit KeloRemoteContentEditor(KeloRemoteContentEditorDelegate* delegate = nullptr);
    ~KeloRemoteContentEditor();
    KeloRemoteContentEditor(const KeloRemoteContentEditor&) = delete;
    KeloRemoteContentEditor& operator=(const KeloRemoteContentEditor&) = delete;

    void setDelegate(KeloRemoteContentEditorDelegate* delegate);

    // What the window does once it exists: the 1 s timer, the stored idents,
    // the save at quit, and a show request that came earlier.
    void awake();
    bool windowLoaded() const { return windowLoaded_; }

    // Held by the main window (see its wiring).
    void setKeloes(KlE_Control_Status* keloes) { keloes_ = keloes; }
    KlE_Control_Status* keloes() const { return keloes_; }
    void setKeloName(const QString& name);
    QString keloName() const { return keloName_; }
    KeloObject* kelo() const;
    void setVisible(bool visible);
    bool visible() const { return visible_; }
    void setRestricted(bool restricted);
    bool restricted() const { return restricted_; }
    bool isWren() const { return wren_; }
    QString windowTitle() const { return windowTitle_; }

    bool validKeloObject() const;
    int currentDomain() const { return currentDomain_; }
    void setCurrentDomain(int domain);
    QString selectedIdent(int domain) const;
    void setSelectedIdent(int domain, const QString& ident);
    const QStringList& listItems() const { return listItems_; }
    int selectedRow() const { return selectedRow_; }

    void reloadTab();
    void requestItem(const QString& ident);
    void sendItem(bool flag);
    void setItemValid(bool valid) { itemValid_ = valid; }
    bool itemValid() const { return itemValid_; }

    QVariantMap currentObject() const { return currentObject_; }
    bool hasCurrentObject() const { return hasCurrentObject_; }
    // Takes only dictionaries; anything else leaves the item in place.
    void setCurrentObject(const QVariant& object);
    QString currentObjectIdentifier() const { return currentObjectIdentifier_; }
    void setCurrentObjectIdentifier(const QString& ident) { currentObjectIdentifier_ = ident; }
    // The text form of the current item; empty without one.
    QString currentObjectText() const;

    void setRevertPoint(const std::optional<QVariantMap>& item);
    QString revertPoint() const { return revertPoint_; }
    void revert();

    QVariant editorItemForKey(const QString& key) const;
    bool setEditItemForKey(const QString& key, const QVariant& value);
    // Edits element `index` of a comma list or array at `path`; a null
    // `value` removes the element. False when nothing could be edited.
    bool setEditValue(const QVariant& value, int index, const QString& path,
                      const QVariant& initial);

    // The item list's selection, as the table reports it.
    void tableViewSelectionDidChange(int row);
    // The topography model table of "alias" and "multimodel" items.
    int modelTableRowCount() const;
    QString modelTableValue(int row) const;
    void setModelTableValue(int row, const QString& text);

    // A reply text from a server ("KeloContentEditorNotification").
    void contentNotification(const void* sender, const QVariantMap& userInfo);
    void timerProc();

    // "%03d.%03d" of a text "a.b" with both from 0 to 255; an empty text
    // gives nothing quietly, anything else the invalid-index alert.
    std::optional<QString> validateMediaNumber(const QString& text);

    // The item-creation dialogs once "OK" was pressed (the window reads the
    // accessory fields). Each ends with reloadTab().
    void newModelInfo(const QString& index);
    void newTopography(int typeIndex, int fileNumber, const QString& index, int cols, int rows,
                       bool vertical);
    void newVignette(int typeIndex, int fileNumber, const QString& index);
    // The creation menu items work only with a running server.
    bool canCreateItems() const { return validKeloObject(); }

    void saveSettings() const;
    void restoreSettings();
    // Sub-tab identifiers the window keeps for saveSettings().
    void setTabIdentifiers(const QString& projection, const QString& topography,
                           const QString& modelinfo);

    // Seconds since the reference date; replaceable for tests.
    void setClock(std::function<double()> clock) { clock_ = std::move(clock); }

    // Item keys by kind (see KeloRemoteContentEditorItems.cpp).
    // The model-info record: the item in kind 0, its "modelinfo" in kind 1.
    QString modelInfoPath(const QString& key) const;
    // The camera record's key path, or empty when the item has none.
    QString cameraPath(const QString& key) const;
    QVariant valueAtPath(const QString& path) const;
    bool setValueAtPath(const QString& path, const QVariant& value);
    bool noDepth() const;
    void setNoDepth(bool on);
    void setMask(const QString& text);
    void addMotion(int selected);
    void deleteMotion(int index);
    // The motion records of the model info, and their list titles.
    QVariantList motions() const;
    static QString motionTitle(int index, const QVariantMap& motion);
    // One place towards the front (up) or the end; the motion's new index.
    int moveMotion(int index, bool up);
    // A whole motion value; a null value removes the key.
    bool setMotionValue(int index, const QString& key, const QVariant& value);
    // Element `element` of a motion's comma list, from `initial` when absent.
    bool setMotionElement(int index, const QString& key, int element, const QString& value,
                          const QString& initial);
    static QVariantMap newTopographyItem(int typeIndex, int cols, int rows, bool vertical);
    // Eye bearing in degrees and distance in the x-z plane.
    static QPointF orbitForEye(double x, double z);
    void setOrbit(double bearing, double distance);
    void setXYLink(bool on);
    // Moves the look-at (or eye) axis 0 = x, 1 = y, keeping a link.
    void moveCameraAxis(bool eye, int axis, double value);
    void setupMultihead();

private:
    void post(const QString& text, bool set);
    KeloRemoteContentEditorDelegate* delegate() const;
    void selectRow(int row);
    void refreshText();
    double now() const;

    KeloRemoteContentEditorDelegate* delegate_ = nullptr;
    KlE_Control_Status* keloes_ = nullptr;
    QString keloName_;
    bool keloRunning_ = false;
    bool wren_ = false;
    bool restricted_ = false;
    bool makeVisible_ = false;
    bool visible_ = false;
    bool windowLoaded_ = false;
    double reloadTime_ = 0;
    int currentDomain_ = 0;
    std::array<QString, 4> selected_;
    QStringList listItems_;
    int selectedRow_ = -1;
    QString currentObjectIdentifier_;
    QVariantMap currentObject_;
    bool hasCurrentObject_ = false;
    QString revertPoint_;
    bool itemValid_ = false;
    QString windowTitle_;
    QString tabIdentifiers_[3];
    QTimer timer_;
    std::function<double()> clock_;
    NotificationCenter::Token contentToken_;
};
