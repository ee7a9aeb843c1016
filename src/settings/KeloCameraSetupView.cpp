#include "settings/KeloCameraSetupView.h"

#include "foundation/KeloPrintfLog.h"
#include "hud/cells/HUDButtonCell.h"
#include "hud/cells/HUDPopUpButtonCell.h"
#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDLabel.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDTextField.h"
#include "hud/theme/KeloPilotColorCategory.h"
#include "platform/UserDefaults.h"

#include <QGridLayout>
#include <QHash>
#include <QPainter>
#include <QPropertyAnimation>

namespace {

const QString kSourceType = QStringLiteral("SourceType");
const QString kDeckLinkUID = QStringLiteral("DeckLinkUID");
const QString kDeckLinkSources = QStringLiteral("decklink_sources");
const QString kDisplayModes = QStringLiteral("display_modes");
const QString kAvSources = QStringLiteral("av_sources_live");
const QChar kWarningSign(0x26A0);
const QString kAutoSwitchPrefix = QStringLiteral("*** ");
const QString kAutoSwitchSuffix =
    QStringLiteral(" (AutoSwitched, must select to save permanently)");

quint64 uidValue(const QVariant& v) {
    if (v.typeId() == QMetaType::QString) return v.toString().trimmed().toULongLong();
    return v.toULongLong();
}

QString deviceTitle(const QVariantMap& source) {
    return QStringLiteral("%1 (%2)").arg(source.value("name").toString(),
                                         source.value("busInfo").toString());
}

// The server's status text with one part cut to letters and digits.
QString cleanedNotAvailable(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3 || !parts[0].contains(QLatin1String("N/A"))) return text;
    QString third;
    for (const QChar c : parts[2])
        if (c.isLetterOrNumber()) third += c;
    return QStringLiteral("%1: %2: %3").arg(parts[0], parts[1], third.left(12));
}

QString plainModeTitle(QString title) {
    if (title.startsWith(kWarningSign)) title.remove(0, 1);
    if (title.startsWith(kAutoSwitchPrefix) && title.endsWith(kAutoSwitchSuffix))
        title = title.mid(kAutoSwitchPrefix.size(),
                          title.size() - kAutoSwitchPrefix.size() - kAutoSwitchSuffix.size());
    return title;
}

HUDPopUpButton* popUp(QWidget* parent, int tag) {
    auto* p = new HUDPopUpButton(parent);
    p->setProperty("tag", tag);
    return p;
}

HUDButton* checkBox(const QString& title, QWidget* parent, int tag) {
    auto* b = new HUDButton(title, parent);
    b->setButtonType(kSwitchButton);
    b->setProperty("tag", tag);
    return b;
}

}  // namespace

uint32_t KeloCameraSetupView::tagFromString(const QString& code) {
    const QByteArray bytes = code.toLatin1();
    uint32_t tag = 0;
    for (int i = 0; i < 4; ++i) tag = (tag << 8) | (i < bytes.size() ? uint8_t(bytes[i]) : 0);
    return tag;
}

QString KeloCameraSetupView::stringFromTag(uint32_t tag) {
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((tag >> shift) & 0xFF);
        if (c == 0) break;
        bytes += c;
    }
    return QString::fromLatin1(bytes);
}

QString KeloCameraSetupView::readableStringFromFormat(const QString& code) {
    static const QHash<QString, QString> names = [] {
        const std::pair<const char*, const char*> rates[] = {
            {"23", "23.98"}, {"24", "24"}, {"25", "25"}, {"29", "29.97"}, {"30", "30"},
            {"47", "47.95"}, {"48", "48"}, {"50", "50"}, {"59", "59.94"}, {"60", "60"}};
        QHash<QString, QString> n{{"ntsc", "NTSC"},          {"pal ", "PAL"},
                                  {"23ps", "1080p23.98"},    {"24ps", "1080p24"},
                                  {"Hi50", "1080i50"},       {"Hi59", "1080i59.94"},
                                  {"Hi60", "1080i60"},       {"hp50", "720p50"},
                                  {"hp59", "720p59.94"},     {"hp60", "720p60"},
                                  {"2k23", "2k23.98"},       {"2k24", "2k24"},
                                  {"2k25", "2k25"}};
        for (const auto& [suffix, rate] : rates) {
            const QString r = QString::fromLatin1(rate);
            const QString s = QString::fromLatin1(suffix);
            if (s != "23" && s != "24") n.insert("Hp" + s, "1080p" + r);
            n.insert("2d" + s, "2Kp" + r + " DCI");
            n.insert("4k" + s, "2160p" + r);
            n.insert("4d" + s, "4Kp" + r + " DCI");
            n.insert("8k" + s, "8k" + r);
            n.insert("8d" + s, "8Kp" + r + " DCI");
        }
        return n;
    }();
    return names.value(code);
}

const QStringList& KeloCameraSetupView::formatlist() {
    static const QStringList list{
        "ntsc", "pal ", "23ps", "24ps", "Hp25", "Hp29", "Hp30", "Hp50", "Hp59", "Hp60",
        "Hi50", "Hi59", "Hi60", "hp50", "hp59", "hp60", "2d23", "2d24", "2d25", "2d29",
        "2d30", "2d50", "2d59", "2d60", "4k23", "4k24", "4k25", "4k29", "4k30", "4k50",
        "4k59", "4k60", "4d23", "4d24", "4d25", "4d29", "4d30", "4d50", "4d59", "4d60"};
    return list;
}

KeloCameraSetupView::KeloCameraSetupView(QWidget* parent)
    : QWidget(parent),
      titleText_(new HUDLabel(this)),
      closeButton_(new HUDButton(QStringLiteral("Close"), this)),
      apiButton_(popUp(this, kApi)),
      statusText_(new HUDLabel(this)),
      modeButton_(popUp(this, kMode)),
      avfSourceList_(popUp(this, kDevice)),
      cardNumber_(popUp(this, kCard)),
      showSubstitute_(checkBox(QStringLiteral("Show Substitute"), this, kShowSubstitute)),
      substitutePath_(new HUDTextField(this)),
      colorFormat_(popUp(this, kColorFormat)),
      avf4kCheckbox_(checkBox(QStringLiteral("4K"), this, kAvf4K)) {
    closeButton_->setProperty("tag", int(kClose));
    substitutePath_->setProperty("tag", int(kSubstitutePath));
    statusText_->setWordWrap(true);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 6);
    grid->setSpacing(4);
    grid->addWidget(titleText_, 0, 0);
    grid->addWidget(apiButton_, 0, 1);
    grid->addWidget(cardNumber_, 1, 0, 1, 2);
    grid->addWidget(avfSourceList_, 2, 0, 1, 2);
    grid->addWidget(modeButton_, 3, 0);
    grid->addWidget(colorFormat_, 3, 1);
    grid->addWidget(avf4kCheckbox_, 4, 0);
    grid->addWidget(showSubstitute_, 5, 0);
    grid->addWidget(substitutePath_, 5, 1);
    grid->addWidget(statusText_, 6, 0, 1, 2);
    closeButton_->hide();
    setFixedHeight(200);

    apiButton_->addItems({QStringLiteral("Disabled"), QStringLiteral("Blackmagic"),
                          QStringLiteral("AVFoundation")});
    for (int i = 1; i <= kCardCount; ++i) cardNumber_->addItems({QString::number(i)});
    cardTags_ = QList<quint64>(kCardCount, 0);
    // The colour formats of the capture cards, by the value the server takes.
    const std::pair<const char*, int> formats[] = {
        {"YUV 8 bit", 0}, {"YUV 10 bit", 1}, {"RGB 8 bit", 2}, {"RGB 10 bit", 3}};
    for (const auto& [title, value] : formats) {
        colorFormat_->addItems({QString::fromLatin1(title)});
        colorTags_ << value;
    }
    connect(closeButton_, &HUDButton::clicked, this, [this] { actionProc(kClose); });
    connect(showSubstitute_, &HUDButton::clicked, this, [this] { actionProc(kShowSubstitute); });
    connect(avf4kCheckbox_, &HUDButton::clicked, this, [this] { actionProc(kAvf4K); });
    connect(substitutePath_, &HUDTextField::editingFinished, this,
            [this] { actionProc(kSubstitutePath); });
    for (HUDPopUpButton* p : {apiButton_, cardNumber_, avfSourceList_, modeButton_, colorFormat_})
        connect(p, &HUDPopUpButton::activated, this,
                [this, p] { actionProc(p->property("tag").toInt()); });

    // The modes a card reported last time stand in until the server tells.
    const QVariantList history = UserDefaults::standard().object("decklinkHistory").toList();
    if (!history.isEmpty() && history.first().toMap().contains(kDisplayModes)) {
        QStringList codes;
        for (const QVariant& m : history.first().toMap().value(kDisplayModes).toList())
            codes << m.toMap().value("mode").toString();
        fillModes(codes);
    }
}

QColor KeloCameraSetupView::modeTitleColor() const {
    return modeButton_->cell()->attributedColor();
}

void KeloCameraSetupView::setTitle(const QString& title) {
    title_ = title;
    titleText_->setText(title);
}

void KeloCameraSetupView::setDrawsBackground(bool on) {
    drawsBackground_ = on;
    update();
}

void KeloCameraSetupView::fillModes(const QStringList& codes) {
    modeButton_->cell()->removeAllItems();
    modeTags_.clear();
    for (const QString& code : codes) {
        const QString name = readableStringFromFormat(code);
        modeButton_->cell()->addItem(name.isEmpty() ? code : name);
        modeTags_ << tagFromString(code);
    }
    modeButton_->update();
}

void KeloCameraSetupView::setModeTitle(int index, const QString& title) {
    HUDPopUpButtonCell* cell = modeButton_->cell();
    const int selected = cell->indexOfSelectedItem();
    const QList<bool> enabled = [&] {
        QList<bool> e;
        for (int i = 0; i < cell->numberOfItems(); ++i) e << cell->itemAtIndex(i).enabled;
        return e;
    }();
    QStringList titles;
    for (int i = 0; i < cell->numberOfItems(); ++i)
        titles << (i == index ? title : cell->itemAtIndex(i).title);
    cell->removeAllItems();
    cell->addItems(titles);
    for (int i = 0; i < enabled.size(); ++i) cell->setItemEnabled(i, enabled[i]);
    cell->selectItemAtIndex(selected);
}

void KeloCameraSetupView::adjustForType(const QString& api) {
    const bool avf = api == QLatin1String("AVFoundation");
    const bool blackmagic = api == QLatin1String("Blackmagic");
    avfSourceList_->setVisible(avf);
    avf4kCheckbox_->setVisible(avf);
    cardNumber_->setVisible(blackmagic);
    modeButton_->setVisible(blackmagic);
    colorFormat_->setVisible(blackmagic);
    if (!blackmagic) return;
    const QVariantList cards = dictionary_.value(kDeckLinkSources).toList();
    HUDPopUpButtonCell* cell = cardNumber_->cell();
    const int selected = cell->indexOfSelectedItem();
    cell->removeAllItems();
    for (int i = 0; i < kCardCount; ++i) {
        if (i < cards.size()) {
            const QVariantMap card = cards[i].toMap();
            const bool online = card.value("online").toBool();
            const bool hasModes = !card.value(kDisplayModes).toList().isEmpty();
            const QString status = online ? (hasModes ? QStringLiteral("online")
                                                      : QStringLiteral("disabled"))
                                          : QStringLiteral("offline");
            cell->addItem(QStringLiteral("%1 : %2 (%3)")
                              .arg(i + 1)
                              .arg(status, card.value("device_name").toString()));
            cardTags_[i] = uidValue(card.value(kDeckLinkUID));
        } else {
            cell->addItem(QString::number(i + 1));
            cardTags_[i] = 0;
        }
    }
    cell->selectItemAtIndex(selected);
    if (!dictionary_.contains(kDeckLinkUID)) {
        const int source = dictionary_.value("SourceID").toInt();
        if (source >= 0 && source < cards.size()) {
            const quint64 uid = uidValue(cards[source].toMap().value(kDeckLinkUID));
            if (uid != 0) dictionary_.insert(kDeckLinkUID, uid);
        }
    }
    colorFormat_->setCurrentIndex(0);
}

void KeloCameraSetupView::setDictionary(const QVariantMap& dictionary) {
    dictionary_ = dictionary;
    const QString api = dictionary_.value(kSourceType).toString();
    const int apiIndex = QStringList{"Disabled", "Blackmagic", "AVFoundation"}.indexOf(api);
    apiButton_->setCurrentIndex(apiIndex < 0 ? 0 : apiIndex);

    // A device that moved to another port is still the same device.
    const QVariantList devices = dictionary_.value(kAvSources).toList();
    avfSourceList_->cell()->removeAllItems();
    const QString chosen = dictionary_.value("AVFoundationSource").toString();
    int match = -1;
    for (int i = 0; i < devices.size(); ++i) {
        const QString title = deviceTitle(devices[i].toMap());
        avfSourceList_->cell()->addItem(title);
        if (title == chosen) match = i;
    }
    if (match < 0 && chosen.contains(QLatin1String(" ("))) {
        const QString name = chosen.section(QLatin1String(" ("), 0, 0);
        QString bus = chosen.section(QLatin1String(" ("), 1);
        bus.remove(QLatin1Char(')'));
        for (int i = 0; i < devices.size(); ++i) {
            const QVariantMap d = devices[i].toMap();
            if (d.value("name").toString() == name && d.value("busInfo").toString() != bus)
                match = i;
        }
    }
    avfSourceList_->cell()->selectItemAtIndex(match);
    avfSourceList_->update();

    adjustForType(api);

    const int colorTag = dictionary_.value("ColorFormat").toInt();
    const int colorIndex = dictionary_.contains("ColorFormat") ? colorTags_.indexOf(colorTag) : 0;
    colorFormat_->setCurrentIndex(colorIndex < 0 ? 0 : colorIndex);
    avf4kCheckbox_->setState(dictionary_.value("AVFoundation4K").toString().toInt() != 0 ||
                                     dictionary_.value("AVFoundation4K").toBool()
                                 ? kCellOnState
                                 : kCellOffState);

    int index = dictionary_.value("SourceID").toInt();
    if (index < 0 || index >= kCardCount) index = 0;
    const quint64 uid = uidValue(dictionary_.value(kDeckLinkUID));
    int card = uid != 0 ? cardTags_.indexOf(uid) : -1;
    cardNumber_->setCurrentIndex(card >= 0 ? card : index);

    QStringList codes;
    for (const QVariant& c : dictionary_.value(kDeckLinkSources).toList()) {
        const QVariantMap m = c.toMap();
        if (uid == 0 || uidValue(m.value(kDeckLinkUID)) != uid) continue;
        for (const QVariant& mode : m.value(kDisplayModes).toList())
            codes << mode.toMap().value("mode").toString();
    }
    if (codes.isEmpty() &&
        !cardNumber_->currentText().contains(QLatin1String("disabled"))) {
        codes = formatlist();
    }
    fillModes(codes);
    const QString format = dictionary_.value("SourceFormat").toString();
    const int modeIndex = format.isEmpty() ? 0 : modeTags_.indexOf(tagFromString(format));
    modeButton_->setCurrentIndex(modeIndex < 0 ? 0 : modeIndex);

    showSubstitute_->setState(dictionary_.value("ShowSubstitute").toString().toInt() != 0
                                  ? kCellOnState
                                  : kCellOffState);
    substitutePath_->setStringValue(dictionary_.value("SubstituteImage").toString());
    showStatus();
    update();
}

void KeloCameraSetupView::showStatus() {
    QString text = dictionary_.value("SourceDescription").toString();
    const int selected = modeButton_->currentIndex();
    const uint32_t selectedTag = selected >= 0 && selected < modeTags_.size() ? modeTags_[selected] : 0;
    bool autoSwitched = false;
    uint32_t running = 0;
    const qsizetype p = text.indexOf(QLatin1String("DLink "));
    if (p < 0) {
        text = cleanedNotAvailable(text);
    } else if (p + 6 + 4 < text.size()) {
        text.remove(p, 9);
        const qsizetype quote = text.indexOf(QLatin1Char('\''));
        // Only a whole code counts: a text cut short names no mode.
        if (quote >= 0 && quote + 4 < text.size()) {
            running = tagFromString(text.mid(quote + 1, 4));
            autoSwitched = running != selectedTag;
        }
    }

    HUDPopUpButtonCell* cell = modeButton_->cell();
    for (int i = 0; i < cell->numberOfItems(); ++i) {
        const QString title = cell->itemAtIndex(i).title;
        QString want = plainModeTitle(title);
        if (autoSwitched && i == selected) want = kWarningSign + want;
        if (autoSwitched && i != selected && modeTags_.value(i) == running)
            want = kAutoSwitchPrefix + want + kAutoSwitchSuffix;
        if (want != title) setModeTitle(i, want);
    }
    cell->setAttributedColor(autoSwitched ? QColor(Qt::yellow) : QColor());
    modeButton_->update();

    statusColor_ = autoSwitched ? QColor(Qt::yellow) : dimTextColor();
    if (text.contains(QLatin1String("not supported"))) statusColor_ = QColor(Qt::yellow);
    statusText_->setText(text);
    QPalette palette = statusText_->palette();
    palette.setColor(QPalette::WindowText, statusColor_);
    statusText_->setPalette(palette);
}

void KeloCameraSetupView::report() {
    emit action(this);
}

void KeloCameraSetupView::actionProc(int tag) {
    switch (tag) {
        case kClose:
            buttonRect_.setHeight(0);
            animateFrom(geometry(), buttonRect_);
            return;
        case kApi:
            dictionary_.insert(kSourceType, apiButton_->currentText());
            adjustForType(apiButton_->currentText());
            needsRefresh_ = true;
            break;
        case kCard: {
            const int i = cardNumber_->currentIndex();
            dictionary_.insert("SourceID", QString::number(i));
            dictionary_.insert(kDeckLinkUID, QString::number(cardTags_.value(i)));
            break;
        }
        case kDevice: {
            const QVariantList devices = dictionary_.value(kAvSources).toList();
            const int i = avfSourceList_->currentIndex();
            if (i < 0 || i >= devices.size()) return;
            dictionary_.insert("AVFoundationSource", deviceTitle(devices[i].toMap()));
            break;
        }
        case kMode: {
            const int i = modeButton_->currentIndex();
            if (i >= 0 && i < modeTags_.size())
                dictionary_.insert("SourceFormat", stringFromTag(modeTags_[i]));
            break;
        }
        case kColorFormat:
            dictionary_.insert("ColorFormat",
                               QString::number(colorTags_.value(colorFormat_->currentIndex())));
            break;
        case kShowSubstitute:
            dictionary_.insert("ShowSubstitute", QString::number(showSubstitute_->state()));
            break;
        case kSubstitutePath:
            if (substitutePath_->text() == dictionary_.value("SubstituteImage").toString()) return;
            dictionary_.insert("SubstituteImage", substitutePath_->text());
            break;
        case kAvf4K:
            dictionary_.insert("AVFoundation4K", QString::number(avf4kCheckbox_->state()));
            break;
        default:
            break;
    }
    report();
}

void KeloCameraSetupView::revealFromRect(const QRect& buttonRect, const QRect& target) {
    buttonRect_ = QRect(target.x(), buttonRect.center().y(), target.width(), 1);
    setGeometry(buttonRect_);
    animateFrom(buttonRect_, target);
    show();
}

void KeloCameraSetupView::animateFrom(const QRect& from, const QRect& to) {
    kelo::printf("animateFrom %s to %s\n",
                 qPrintable(QStringLiteral("{{%1, %2}, {%3, %4}}")
                                .arg(from.x()).arg(from.y()).arg(from.width()).arg(from.height())),
                 qPrintable(QStringLiteral("{{%1, %2}, {%3, %4}}")
                                .arg(to.x()).arg(to.y()).arg(to.width()).arg(to.height())));
    auto* animation = new QPropertyAnimation(this, "geometry", this);
    animation->setDuration(300);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void KeloCameraSetupView::paintEvent(QPaintEvent*) {
    if (!drawsBackground_) return;
    QPainter p(this);
    const QColor background = palette().color(QPalette::Window);
    p.fillRect(rect(), background);
    QRectF box = QRectF(rect()).adjusted(2, 3, -2, -3).translated(0, -2);
    p.setPen(QColor(Qt::lightGray));
    p.drawRect(box);
    // The outline stays open at the bottom.
    box = box.translated(0, 1).adjusted(1, 0, -1, 0);
    p.fillRect(box, background);
}
