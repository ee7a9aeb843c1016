#pragma once

#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <array>
#include <optional>

class HUDButton;
class HUDPopUpButton;
class HUDTextField;
class KeloJoystickControl;

// The panel that edits a vignette: a fade at each edge of the picture, each
// switched on or off with its reach (source pixels), curve and power. Amount
// jogs range over the source size along their axis. Each effective change
// emits action(); the owner then calls updateDictionary(). Main thread only.
class VignetteControl : public QWidget {
    Q_OBJECT
public:
    struct Edge {
        HUDButton* toEnable = nullptr;
        KeloJoystickControl* toAmount = nullptr;
        HUDPopUpButton* toCurve = nullptr;
        KeloJoystickControl* toPower = nullptr;
        bool enable = false;
        float amount = 0;
        int curve = 0;  // 0 "Linear", 1 "Raised Cosine", 2 "Sine"
        float power = 0;
    };
    enum EdgeIndex { kLeft, kRight, kTop, kBottom };

    explicit VignetteControl(QWidget* parent = nullptr);

    void loadFromDictionary(const std::optional<QVariantMap>& dictionary);
    // False, writing nothing, while nothing is loaded.
    bool updateDictionary(QVariantMap& dictionary) const;
    static QVariantMap defaultDictionary();
    bool setTexSize(const QSizeF& size);
    void loadEdge(Edge& edge, bool enabled, const std::optional<QString>& text);
    static std::optional<QString> stringForEdge(const Edge& edge);
    // "a/b" is a quotient; a zero divisor gives no amount.
    static std::optional<float> amountFromString(const QString& text);
    static int intValueNoComma(const QString& text);
    // A control changed, by its tag (1, 2, 4-19).
    void actionProc(QObject* sender, int tag);

    const Edge& edge(int index) const { return edges_[size_t(index)]; }
    QSizeF texSize() const { return texSize_; }
    bool loaded() const { return loaded_; }
    HUDTextField* sourceWidth() const { return toSourceWidth_; }
    HUDTextField* sourceHeight() const { return toSourceHeight_; }

    // Owner's bookkeeping of where the panel is shown.
    void setPath(const QString& path) { path_ = path; }
    QString path() const { return path_; }
    void setClient(int client) { client_ = client; }
    int client() const { return client_; }
    void setTag(qint64 tag) { tag_ = tag; }
    qint64 tag() const { return tag_; }

signals:
    void action(VignetteControl* sender);

private:
    void setupControl(QWidget* control, int tag, bool power);
    void scaleAxis(int first, double oldValue, double newValue);

    HUDTextField* toSourceWidth_ = nullptr;
    HUDTextField* toSourceHeight_ = nullptr;
    QSizeF texSize_{1, 1};
    bool loaded_ = false;
    std::array<Edge, 4> edges_;
    QString path_;
    int client_ = 0;
    qint64 tag_ = 0;
};
