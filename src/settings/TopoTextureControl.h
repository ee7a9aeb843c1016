#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <optional>

class HUDButton;
class HUDPopUpButton;
class HUDTextField;
class KeloJoystickControl;
class QObject;

// The panel that lays a texture onto a topography: source size, the used
// rectangle of the source, orientation, rotation, flip and show-grid. Its
// rectangle and rotation jogs take their ranges from the source size. Each
// effective change emits action(); the owner then calls updateDictionary().
// Main thread only.
class TopoTextureControl : public QWidget {
    Q_OBJECT
public:
    explicit TopoTextureControl(QWidget* parent = nullptr);

    void loadFromDictionary(const std::optional<QVariantMap>& dictionary);
    // False, writing nothing, while nothing is loaded.
    bool updateDictionary(QVariantMap& dictionary) const;
    bool setTexSize(const QSizeF& size);
    void calibrateJoystick(KeloJoystickControl* joystick);
    // A control changed, by its tag (1-10).
    void actionProc(QObject* sender, int tag);

    QSizeF texSize() const { return texSize_; }
    QRectF texRect() const { return texRect_; }
    int texorient() const { return texorient_; }
    float texRotn() const { return texRotn_; }
    int texFlip() const { return texFlip_; }
    int gridDelay() const { return gridDelay_; }
    bool loaded() const { return loaded_; }

    // Owner's bookkeeping of where the panel is shown.
    void setKeystone(bool on) { keystone_ = on; }
    bool keystone() const { return keystone_; }
    void setPath(const QString& path) { path_ = path; }
    QString path() const { return path_; }
    void setClient(int client) { client_ = client; }
    int client() const { return client_; }
    void setTag(qint64 tag) { tag_ = tag; }
    qint64 tag() const { return tag_; }

    HUDTextField* sourceWidth() const { return toSourceWidth_; }
    HUDTextField* sourceHeight() const { return toSourceHeight_; }
    HUDPopUpButton* texOrient() const { return toTexOrient_; }
    HUDTextField* gridDelayField() const { return toOutputGridDelay_; }
    // 4 origin x, 5 origin y, 6 width, 7 height, 8 rotation.
    KeloJoystickControl* joystick(int tag) const;
    HUDButton* flip() const { return toTopoTexFlip_; }

signals:
    void action(TopoTextureControl* sender);

private:
    void setupControl(QWidget* control, int tag);

    HUDTextField* toSourceWidth_ = nullptr;
    HUDTextField* toSourceHeight_ = nullptr;
    HUDPopUpButton* toTexOrient_ = nullptr;
    HUDTextField* toOutputGridDelay_ = nullptr;
    KeloJoystickControl* toRectOriginX_ = nullptr;
    KeloJoystickControl* toRectOriginY_ = nullptr;
    KeloJoystickControl* toRectSizeW_ = nullptr;
    KeloJoystickControl* toRectSizeH_ = nullptr;
    KeloJoystickControl* toTopoTexRotn_ = nullptr;
    HUDButton* toTopoTexFlip_ = nullptr;
    QSizeF texSize_{0, 0};
    QRectF texRect_;
    int texorient_ = 0;
    float texRotn_ = 0;
    int texFlip_ = 0;
    int gridDelay_ = 0;
    bool loaded_ = false;
    bool keystone_ = false;
    QString path_;
    int client_ = 0;
    QVariantMap topo_;
    qint64 tag_ = 0;
};
