#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <cstdint>

class HUDButton;
class HUDLabel;
class HUDPopUpButton;
class HUDTextField;

// The editor of one live video input of a server: the capture interface
// ("Disabled", "Blackmagic" cards or "AVFoundation" devices), the card or
// device, display mode and colour format, a substitute image, and the
// server's status text for the input. It edits its own copy of the
// preference value; each change emits action(), after which the owner takes
// dictionary() as the new value. Main thread only.
class KeloCameraSetupView : public QWidget {
    Q_OBJECT
public:
    enum Tag {
        kClose = 1,
        kApi = 2,
        kCard = 3,
        kDevice = 4,
        kMode = 5,
        kColorFormat = 6,
        kShowSubstitute = 12,
        kSubstitutePath = 13,
        kAvf4K = 14,
    };
    static constexpr int kCardCount = 8;

    explicit KeloCameraSetupView(QWidget* parent = nullptr);

    void setDictionary(const QVariantMap& dictionary);
    const QVariantMap& dictionary() const { return dictionary_; }
    void adjustForType(const QString& api);
    void setTitle(const QString& title);
    QString title() const { return title_; }
    bool needsRefresh() const { return needsRefresh_; }
    void setNeedsRefresh(bool on) { needsRefresh_ = on; }
    bool drawsBackground() const { return drawsBackground_; }
    void setDrawsBackground(bool on);
    int intValue() const { return 0; }
    // A control changed, by its tag.
    void actionProc(int tag);
    // Grows the view out of a one-point strip across the button's middle.
    void revealFromRect(const QRect& buttonRect, const QRect& target);
    void animateFrom(const QRect& from, const QRect& to);

    // Display-mode codes: four characters, the first most significant.
    static uint32_t tagFromString(const QString& code);
    static QString stringFromTag(uint32_t tag);
    // The readable name of a mode code; empty when it has none.
    static QString readableStringFromFormat(const QString& code);
    // Modes offered for a card that reports none.
    static const QStringList& formatlist();

    HUDPopUpButton* apiButton() const { return apiButton_; }
    HUDPopUpButton* cardNumber() const { return cardNumber_; }
    HUDPopUpButton* modeButton() const { return modeButton_; }
    HUDPopUpButton* avfSourceList() const { return avfSourceList_; }
    HUDPopUpButton* colorFormat() const { return colorFormat_; }
    HUDButton* avf4kCheckbox() const { return avf4kCheckbox_; }
    HUDButton* showSubstitute() const { return showSubstitute_; }
    HUDTextField* substitutePath() const { return substitutePath_; }
    HUDLabel* statusText() const { return statusText_; }
    // The code each mode item stands for, and the id of each card item.
    const QList<uint32_t>& modeTags() const { return modeTags_; }
    const QList<quint64>& cardTags() const { return cardTags_; }
    QColor statusColor() const { return statusColor_; }
    QColor modeTitleColor() const;

signals:
    void action(KeloCameraSetupView* sender);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fillModes(const QStringList& codes);
    void showStatus();
    void report();
    void setModeTitle(int index, const QString& title);

    QVariantMap dictionary_;
    HUDLabel* titleText_;
    HUDButton* closeButton_;
    HUDPopUpButton* apiButton_;
    HUDLabel* statusText_;
    HUDPopUpButton* modeButton_;
    HUDPopUpButton* avfSourceList_;
    HUDPopUpButton* cardNumber_;
    HUDButton* showSubstitute_;
    HUDTextField* substitutePath_;
    HUDPopUpButton* colorFormat_;
    HUDButton* avf4kCheckbox_;
    QList<uint32_t> modeTags_;
    QList<quint64> cardTags_;
    QList<int> colorTags_;
    QColor statusColor_;
    QString title_;
    QRect buttonRect_;
    bool needsRefresh_ = false;
    bool drawsBackground_ = false;
};
