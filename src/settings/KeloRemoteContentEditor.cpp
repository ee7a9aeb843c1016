#include "settings/KeloRemoteContentEditor.h"

#include "foundation/OmLog.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "settings/KeloRemoteContentEditorDelegate.h"
#include "settings/KlSettingsNotifications.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

namespace {

KeloRemoteContentEditorDelegate& nullDelegate() {
    static KeloRemoteContentEditorDelegate none;
    return none;
}

QString textOf(const QVariantMap& item) {
    return QString::fromUtf8(PropertyList::write(item, PropertyList::Format::OpenStep));
}

// Both numbers of "a.b", each 0 to 255.
std::optional<std::pair<int, int>> scanIndex(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^\\s*([+-]?\\d+)\\.([+-]?\\d+)"));
    const auto m = form.match(text);
    if (!m.hasMatch()) return std::nullopt;
    bool okA = false, okB = false;
    const int a = m.captured(1).toInt(&okA);
    const int b = m.captured(2).toInt(&okB);
    if (!okA || !okB || a < 0 || a > 255 || b < 0 || b > 255) return std::nullopt;
    return std::pair{a, b};
}

QString mediaIndex(int a, int b) {
    return QString::asprintf("%03d.%03d", a, b);
}

}  // namespace

const std::array<QString, 4>& KeloRemoteContentEditor::kindNames() {
    static const std::array<QString, 4> names{
        QStringLiteral("modelinfo"), QStringLiteral("topography"), QStringLiteral("vignette"),
        QStringLiteral("projection")};
    return names;
}

KeloRemoteContentEditor::KeloRemoteContentEditor(KeloRemoteContentEditorDelegate* delegate)
    : delegate_(delegate) {
    contentToken_ = NotificationCenter::defaultCenter().addObserver(
        kKeloContentEditorNotification, nullptr,
        [this](const Notification& n) { contentNotification(n.sender, n.userInfo); });
    timer_.setInterval(1000);
    QObject::connect(&timer_, &QTimer::timeout, [this] { timerProc(); });
}

KeloRemoteContentEditor::~KeloRemoteContentEditor() = default;

void KeloRemoteContentEditor::setDelegate(KeloRemoteContentEditorDelegate* delegate) {
    delegate_ = delegate;
}

KeloRemoteContentEditorDelegate* KeloRemoteContentEditor::delegate() const {
    return delegate_ ? delegate_ : &nullDelegate();
}

double KeloRemoteContentEditor::now() const {
    if (clock_) return clock_();
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return reference.msecsTo(QDateTime::currentDateTimeUtc()) / 1000.0;
}

void KeloRemoteContentEditor::awake() {
    if (windowLoaded_) return;
    windowLoaded_ = true;
    delegate()->setupTabViews();
    timer_.start();
    restoreSettings();
    if (QCoreApplication::instance())
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &timer_,
                         [this] { saveSettings(); });
    if (makeVisible_) {
        makeVisible_ = false;
        setVisible(true);
    }
}

KeloObject* KeloRemoteContentEditor::kelo() const {
    // Looked up each time: the link owns its servers and may drop one.
    return keloes_ && !keloName_.isEmpty() ? keloes_->keloObjectForName(keloName_) : nullptr;
}

void KeloRemoteContentEditor::setKeloName(const QString& name) {
    if (name == keloName_ && name.isNull() == keloName_.isNull()) return;
    keloName_ = name;
    KeloObject* k = kelo();
    keloRunning_ = k && k->isRunning();
    wren_ = k && k->keloVariant().startsWith(QStringLiteral("Kelo Wren"));
    delegate()->setupTabViews();
    if (name.isEmpty()) {
        windowTitle_ = QStringLiteral("- No Kelo Selected -");
    } else {
        const QString shown = k && !k->userDefinedName().isEmpty() ? k->userDefinedName() : name;
        windowTitle_ = screenNameForKeloName(shown) +
                       QString::asprintf(" (Identity %d)", k ? k->groupNumberForScreen(1) : 0);
    }
    delegate()->windowTitleChanged(windowTitle_);
    reloadTab();
}

void KeloRemoteContentEditor::setVisible(bool visible) {
    if (!windowLoaded_) {
        makeVisible_ = visible;
        return;
    }
    if (visible == visible_) return;
    visible_ = visible;
    delegate()->showWindow(visible);
    if (visible) reloadTab();
}

void KeloRemoteContentEditor::setRestricted(bool restricted) {
    restricted_ = restricted;
    if (!wren_) delegate()->setupTabViews();
}

bool KeloRemoteContentEditor::validKeloObject() const {
    const KeloObject* k = kelo();
    return k && k->isRunning();
}

void KeloRemoteContentEditor::setCurrentDomain(int domain) {
    if (domain < 0 || domain > 3 || domain == currentDomain_) return;
    currentDomain_ = domain;
    reloadTab();
}

QString KeloRemoteContentEditor::selectedIdent(int domain) const {
    return domain >= 0 && domain < 4 ? selected_[size_t(domain)] : QString();
}

void KeloRemoteContentEditor::setSelectedIdent(int domain, const QString& ident) {
    if (domain >= 0 && domain < 4) selected_[size_t(domain)] = ident;
}

void KeloRemoteContentEditor::post(const QString& text, bool set) {
    if (KeloObject* k = kelo()) k->sendContentEditorMessage(text, set);
}

void KeloRemoteContentEditor::selectRow(int row) {
    const bool changed = row != selectedRow_;
    selectedRow_ = row;
    delegate()->itemListChanged(row);
    if (changed && row >= 0) tableViewSelectionDidChange(row);
}

void KeloRemoteContentEditor::reloadTab() {
    itemValid_ = false;
    if (!visible_) return;
    revertPoint_.clear();
    listItems_.clear();
    selectedRow_ = -1;
    delegate()->itemListChanged(-1);
    delegate()->rescanCurrentItem();
    if (validKeloObject())
        post(kindNames()[size_t(currentDomain_)] + kSeparator + QStringLiteral("listing"), false);
}

void KeloRemoteContentEditor::requestItem(const QString& ident) {
    itemValid_ = false;
    selected_[size_t(currentDomain_)] = ident;
    revertPoint_.clear();
    delegate()->rescanCurrentItem();
    post(kindNames()[size_t(currentDomain_)] + kSeparator + ident, false);
}

void KeloRemoteContentEditor::sendItem(bool flag) {
    if (!itemValid_) return;
    QString text = kindNames()[size_t(currentDomain_)] + kSeparator +
                   selected_[size_t(currentDomain_)] + kSeparator + currentObjectText();
    if (flag) text += kSeparator + QStringLiteral("1");
    post(text, true);
}

void KeloRemoteContentEditor::setCurrentObject(const QVariant& object) {
    if (object.typeId() != QMetaType::QVariantMap) return;
    currentObject_ = object.toMap();
    hasCurrentObject_ = true;
    refreshText();
}

QString KeloRemoteContentEditor::currentObjectText() const {
    return hasCurrentObject_ ? textOf(currentObject_) : QString();
}

void KeloRemoteContentEditor::refreshText() {
    delegate()->updateTextField(currentObjectText());
}

void KeloRemoteContentEditor::setRevertPoint(const std::optional<QVariantMap>& item) {
    revertPoint_ = item ? textOf(*item) : QString();
}

void KeloRemoteContentEditor::revert() {
    if (revertPoint_.isEmpty()) return;
    setCurrentObject(PropertyList::read(revertPoint_.toUtf8()));
    if (hasCurrentObject_) sendItem(false);
    delegate()->rescanCurrentItem();
}

QVariant KeloRemoteContentEditor::editorItemForKey(const QString& key) const {
    return currentObject_.value(key);
}

bool KeloRemoteContentEditor::setEditItemForKey(const QString& key, const QVariant& value) {
    if (value.isValid())
        currentObject_.insert(key, value);
    else
        currentObject_.remove(key);
    refreshText();
    return true;
}

bool KeloRemoteContentEditor::setEditValue(const QVariant& value, int index, const QString& path,
                                           const QVariant& initial) {
    if (!hasCurrentObject_ || index < 0 || index > 4096) return false;
    QStringList parts = path.split(QLatin1Char('/'));
    const QString key = parts.takeLast();
    if (!parts.isEmpty() && parts.first() == QLatin1String("camera") &&
        !currentObject_.contains(QStringLiteral("camera")))
        parts.prepend(QStringLiteral("modelinfo"));
    // Walk down copying, then write back up: QVariantMap holds values.
    std::vector<QVariantMap> chain{currentObject_};
    for (const QString& part : parts) {
        const QVariant next = chain.back().value(part);
        if (next.typeId() != QMetaType::QVariantMap) return false;
        chain.push_back(next.toMap());
    }
    QVariant old = chain.back().contains(key) ? chain.back().value(key) : initial;
    const bool isArray = old.typeId() == QMetaType::QVariantList;
    QVariantList list;
    if (isArray) {
        list = old.toList();
    } else {
        // An empty text has no elements (not one empty one), so a missing
        // "size" edited at 2 becomes "0,0,v" rather than ",0,v".
        const QString text = old.toString();
        if (!text.isEmpty())
            for (const QString& s : text.split(QLatin1Char(','))) list.append(s);
    }
    while (list.size() <= index) list.append(QStringLiteral("0"));
    if (value.isValid())
        list[index] = value;
    else
        list.removeAt(index);
    if (list.isEmpty()) {
        chain.back().remove(key);
    } else if (isArray) {
        chain.back().insert(key, list);
    } else {
        QStringList texts;
        for (const QVariant& v : list) texts << v.toString();
        chain.back().insert(key, texts.join(QLatin1Char(',')));
    }
    for (int i = int(chain.size()) - 1; i > 0; --i)
        chain[size_t(i - 1)].insert(parts[i - 1], chain[size_t(i)]);
    currentObject_ = chain.front();
    refreshText();
    return true;
}

void KeloRemoteContentEditor::tableViewSelectionDidChange(int row) {
    if (row < 0 || row >= listItems_.size()) return;
    selectedRow_ = row;
    itemValid_ = false;
    revertPoint_.clear();
    requestItem(listItems_.at(row));
}

int KeloRemoteContentEditor::modelTableRowCount() const {
    const QString type = currentObject_.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("alias")) return 1;
    if (type == QLatin1String("multimodel"))
        return int(currentObject_.value(QStringLiteral("models")).toList().size()) + 1;
    return 0;
}

QString KeloRemoteContentEditor::modelTableValue(int row) const {
    const QString type = currentObject_.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("alias"))
        return currentObject_.value(QStringLiteral("model")).toString();
    const QVariantList models = currentObject_.value(QStringLiteral("models")).toList();
    return row >= 0 && row < models.size() ? models.at(row).toString() : QString();
}

void KeloRemoteContentEditor::setModelTableValue(int row, const QString& text) {
    const QString type = currentObject_.value(QStringLiteral("type")).toString();
    QString path;
    QVariant initial;
    if (type == QLatin1String("alias")) {
        path = QStringLiteral("model");
        initial = QString();
    } else if (type == QLatin1String("multimodel")) {
        path = QStringLiteral("models");
        initial = QVariantList();
    } else {
        return;
    }
    QVariant value;
    if (!text.isEmpty()) {
        const auto index = scanIndex(text);
        if (!index) return;
        value = mediaIndex(index->first, index->second);
    }
    if (setEditValue(value, row, path, initial)) sendItem(false);
}

void KeloRemoteContentEditor::contentNotification(const void* sender, const QVariantMap& userInfo) {
    const QStringList fields =
        userInfo.value(QStringLiteral("message")).toString().split(kSeparator);
    if (fields.size() < 3) return;
    if (fields.at(0) != kindNames()[size_t(currentDomain_)]) return;
    // Only the edited server's replies: a foreign one would be stored back
    // into this server with the next edit.
    const KeloObject* k = kelo();
    if (!k || sender != k) return;
    if (fields.at(1) == QLatin1String("listing")) {
        listItems_.clear();
        for (qsizetype i = 2; i < fields.size(); ++i)
            if (!fields.at(i).startsWith(QLatin1String("0 "))) listItems_.append(fields.at(i));
        int row;
        if (currentDomain_ == 3)
            row = selected_[3].startsWith(QLatin1Char('2')) ? 1 : 0;
        else
            row = int(listItems_.indexOf(selected_[size_t(currentDomain_)]));
        selectedRow_ = -1;
        selectRow(row < listItems_.size() ? row : -1);
        return;
    }
    // A late reply for an item no longer selected must not become the item
    // that the next edit stores under the selected ident.
    if (fields.at(1) != selected_[size_t(currentDomain_)]) return;
    currentObjectIdentifier_ = fields.at(1);
    const QStringList rest = fields.mid(2);
    QString text = rest.join(kSeparator);
    if (text.size() < 2) text = QStringLiteral("{}");
    QString error;
    const QVariant parsed = PropertyList::read(text.toUtf8(), &error);
    if (parsed.typeId() != QMetaType::QVariantMap) {
        // Nothing is stored back over the server's item that we could not read.
        OmLogNoFlood(kOmLogWarning, "content editor: item %s does not parse (%s)\n",
                     qPrintable(fields.at(1)), qPrintable(error));
        itemValid_ = false;
        return;
    }
    setCurrentObject(parsed);
    setRevertPoint(currentObject_);
    itemValid_ = true;
    delegate()->rescanCurrentItem();
}

void KeloRemoteContentEditor::timerProc() {
    const KeloObject* k = kelo();
    const bool running = k && k->isRunning();
    if (running != keloRunning_) {
        keloRunning_ = running;
        if (running) {
            reloadTime_ = now() + 2.0;
        } else {
            reloadTime_ = 0;
            reloadTab();
        }
        return;
    }
    if (running && reloadTime_ != 0 && now() > reloadTime_) {
        reloadTime_ = 0;
        reloadTab();
    }
}

std::optional<QString> KeloRemoteContentEditor::validateMediaNumber(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    if (const auto index = scanIndex(text)) return mediaIndex(index->first, index->second);
    delegate()->showAlert(QStringLiteral("The selected index is invalid, please choose another"),
                          QString());
    return std::nullopt;
}

void KeloRemoteContentEditor::newModelInfo(const QString& index) {
    const auto ident = validateMediaNumber(index);
    if (ident && currentDomain_ == 0) {
        selected_[0] = *ident;
        if (!listItems_.contains(*ident)) {
            setCurrentObject(QVariantMap());
            itemValid_ = true;
            sendItem(false);
        }
    }
    reloadTab();
}

void KeloRemoteContentEditor::newTopography(int typeIndex, int fileNumber, const QString& index,
                                            int cols, int rows, bool vertical) {
    const auto valid = validateMediaNumber(index);
    if (valid && currentDomain_ == 1 && typeIndex >= 0 && typeIndex <= 6 && fileNumber >= 0 &&
        fileNumber <= 255 && !(typeIndex == 4 && cols < 2)) {
        const QString ident =
            fileNumber ? QStringLiteral("[%1] %2").arg(fileNumber).arg(*valid) : *valid;
        if (listItems_.contains(ident)) {
            delegate()->showAlert(
                QStringLiteral("An object already exists at that index, please use another index"),
                QString());
            return;
        }
        selected_[1] = ident;
        setCurrentObject(newTopographyItem(typeIndex, cols, rows, vertical));
        itemValid_ = true;
        sendItem(false);
    }
    reloadTab();
}

void KeloRemoteContentEditor::newVignette(int typeIndex, int fileNumber, const QString& index) {
    const auto valid = validateMediaNumber(index);
    if (valid && currentDomain_ == 2 && typeIndex >= 0 && fileNumber >= 0 && fileNumber <= 255) {
        const QString ident =
            fileNumber ? QStringLiteral("[%1] %2").arg(fileNumber).arg(*valid) : *valid;
        if (!listItems_.contains(ident)) {
            selected_[2] = ident;
            if (typeIndex == 0) setCurrentObject(QVariantMap{{"type", "rect"}});
            itemValid_ = true;
            sendItem(false);
        }
    }
    reloadTab();
}

void KeloRemoteContentEditor::setTabIdentifiers(const QString& projection,
                                                const QString& topography,
                                                const QString& modelinfo) {
    tabIdentifiers_[0] = projection;
    tabIdentifiers_[1] = topography;
    tabIdentifiers_[2] = modelinfo;
}

void KeloRemoteContentEditor::saveSettings() const {
    UserDefaults& d = UserDefaults::standard();
    d.setObject(kContentEditorDomain, QString::number(currentDomain_));
    d.setObject(kContentEditorProjectionTab, tabIdentifiers_[0]);
    d.setObject(kContentEditorTopographyTab, tabIdentifiers_[1]);
    d.setObject(kContentEditorModelinfoTab, tabIdentifiers_[2]);
    d.setObject(kContentEditorCurrVignette, selected_[2]);
    d.setObject(kContentEditorCurrTopography, selected_[1]);
    d.setObject(kContentEditorCurrModelinfo, selected_[0]);
}

void KeloRemoteContentEditor::restoreSettings() {
    const UserDefaults& d = UserDefaults::standard();
    const auto text = [&](const char* key) {
        const QVariant v = d.object(key);
        return v.typeId() == QMetaType::QString ? v.toString() : QString();
    };
    selected_[2] = text(kContentEditorCurrVignette);
    selected_[1] = text(kContentEditorCurrTopography);
    selected_[0] = text(kContentEditorCurrModelinfo);
}
