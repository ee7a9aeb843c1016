#include "outputs/KlOutputsIFDEFs.h"

#include "foundation/KlStatusLine.h"
#include "foundation/OmLog.h"
#include "hud/views/GLOverlayView.h"
#include "outputs/KlOutputsRemoteFiles.h"
#include "outputs/KlServerStatusView.h"
#include "outputs/MixRectangle.h"
#include "platform/PropertyList.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/KlEStatMessage.h"
#include "status/ServersUI.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QUndoStack>

#include <algorithm>
#include <map>
#include <memory>

namespace {

const QString kMixesKey = QStringLiteral("mixes");
constexpr uint16_t kFirstSendAfterUpdate = 254;
constexpr size_t kSetPrefHeader = 16;  // the server message header before key and value
constexpr double kRemoteFileTimeout = 2.0;

struct BridgeState {
    bool keloAppAsked = false;
    bool keloApp = false;
    unsigned configIncrement = 0;
    QString graphicsEnvironmentKelo;
    std::map<QString, std::unique_ptr<QUndoStack>> undoManagers;
    KlE_Control_Status* link = nullptr;
};

BridgeState& state() {
    // Deliberately leaked: the undo stacks live for the process.
    static BridgeState* s = new BridgeState;
    return *s;
}

// Text fields of a content-editor request; a blank stands for no identifier.
QString request(const QString& kind, const QString& ident) {
    return KlE_Control_Status::combinedStrings({kind, ident});
}

void sendRequest(const QString& kind, const QString& ident) {
    if (KeloObject* k = KlOutputsIFDEFs::kelo()) k->sendContentEditorMessage(request(kind, ident), false);
}

// The value as the server takes it: scalars as their text, dictionaries and
// arrays in the old-style property-list form.
QString preferenceText(const QVariant& value, QString* error) {
    if (value.typeId() == QMetaType::QVariantMap || value.typeId() == QMetaType::QVariantList)
        return QString::fromUtf8(PropertyList::write(value, PropertyList::Format::OpenStep, error));
    if (value.typeId() == QMetaType::Bool) return value.toBool() ? "1" : "0";
    return value.toString();
}

}  // namespace

bool KlOutputsIFDEFs::isKeloApp() {
    BridgeState& s = state();
    if (!s.keloAppAsked) {
        s.keloAppAsked = true;
        s.keloApp = false;  // the controller has no server-side display class
    }
    return s.keloApp;
}

KlE_Control_Status* KlOutputsIFDEFs::link() {
    return state().link ? state().link : KlE_Control_Status::defaultObject();
}

void KlOutputsIFDEFs::setControlStatus(KlE_Control_Status* link) {
    state().link = link;
}

void KlOutputsIFDEFs::reset() {
    KlE_Control_Status* link = state().link;
    state() = BridgeState();
    state().link = link;
}

KeloObject* KlOutputsIFDEFs::kelo() {
    const QString name = ServersUI::instance()->selectedServerName();
    if (name.isEmpty()) return nullptr;
    return link()->keloObjectForName(name);
}

void KlOutputsIFDEFs::remoteUpdate() {
    if (state().keloAppAsked && state().keloApp) return;
    sendPref(MixRectangle::rebuildDict(), kMixesKey,
             QString::fromUtf8(MixRectangle::oldStyleText()));
}

void KlOutputsIFDEFs::setPref(const QVariant& value, const QString& key) {
    QString error;
    const QString text = preferenceText(value, &error);
    if (text.isNull()) {
        if (!kelo()) return;
        OmLogNoFlood(kOmLogError, "[Outputs] preference '%s' not sent: %s\n", qPrintable(key),
                     qPrintable(error));
        return;
    }
    sendPref(value, key, text);
}

void KlOutputsIFDEFs::sendPref(const QVariant& value, const QString& key, const QString& text) {
    BridgeState& s = state();
    const unsigned previous = s.configIncrement;
    const unsigned current = MixRectangle::updateConfigIncrement();
    s.configIncrement = current;
    KeloObject* k = kelo();
    if (!k || key.isEmpty()) return;
    const size_t size =
        kSetPrefHeader + size_t(key.toUtf8().size()) + size_t(text.toUtf8().size()) + 2;
    if (size > kMaxSentDatagram) {
        // Cutting it would leave the server with half a layout.
        OmLogNoFlood(kOmLogError, "[Outputs] preference '%s' of %zu bytes not sent to %s: too "
                     "large for one message\n", qPrintable(key), size, qPrintable(k->name()));
        KlStatusLine::shared().showStatusText(
            QStringLiteral("%1 not sent to %2: too large for one message (%3 bytes)")
                .arg(key == kMixesKey ? QStringLiteral("Outputs and mixes") : key, k->name())
                .arg(size),
            Qt::red);
        return;
    }
    if (QVariantMap* prefs = k->mutablePrefsDict()) {
        QVariantMap entry = prefs->value(key).toMap();
        entry.insert("_value", value);
        prefs->insert(key, entry);
    }
    link()->setPref(key, text, k, previous != current ? kFirstSendAfterUpdate : 0);
}

QVariant KlOutputsIFDEFs::getPrefValueForKey(const QString& key) {
    KeloObject* k = kelo();
    if (!k) return {};
    link()->getPrefValue(key, k);
    QString error;
    const std::optional<QVariantMap> entry = k->addPolledPref(key, &error, 2);
    if (!error.isEmpty() || !entry) return {};
    return entry->value("_value");
}

int KlOutputsIFDEFs::win_scale() {
    return getPrefValueForKey(QStringLiteral("win_scale")).toInt();
}

void KlOutputsIFDEFs::set_win_scale(int scale) {
    if (scale != win_scale()) setPref(scale, QStringLiteral("win_scale"));
}

QUndoStack* KlOutputsIFDEFs::undoManager() {
    KeloObject* k = kelo();
    if (!k || k->name().isEmpty()) return nullptr;
    auto& stack = state().undoManagers[k->name()];
    if (!stack) stack = std::make_unique<QUndoStack>();
    return stack.get();
}

bool KlOutputsIFDEFs::mixesAvailable() {
    KeloObject* k = kelo();
    return k && !k->sortedMixes().empty();
}

int KlOutputsIFDEFs::masterCount() {
    const KeloObject* k = kelo();
    return k ? k->DMX_MasterCount() : 0;
}

void KlOutputsIFDEFs::updateConfiguration() {
    MixRectangle::updateConfiguration();
}

void KlOutputsIFDEFs::fetchGraphicsEnvironment() {
    KeloObject* k = kelo();
    if (!k) return;
    k->sendContentEditorMessage(request("graphicsEnvironment", " "), false);
    state().graphicsEnvironmentKelo = k->name();
}

bool KlOutputsIFDEFs::graphicsEnvironmentKeloChanged() {
    const KeloObject* k = kelo();
    if (!k) return false;
    const QString& asked = state().graphicsEnvironmentKelo;
    return asked.isNull() || asked != k->name();
}

void KlOutputsIFDEFs::fetchDecklinkInterfaces(bool wait) {
    sendRequest("decklinkInterfaces", " ");
    if (!wait) return;
    QEventLoop loop;
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
}

void KlOutputsIFDEFs::performScreenOverlay(int display) {
    sendRequest("ScreenIndexOverlayWindow", QString::number(display));
}

QString KlOutputsIFDEFs::serverStatus() {
    KeloObject* k = kelo();
    if (!k) return QStringLiteral("No Server Selected");
    const bool available = mixesAvailable();
    if (k->address() == 0 || k->generalStatusArrived() == 0)
        return QStringLiteral("Kelo Server Offline");
    int major = 0, minor = 0;
    k->getVMajor(&major, &minor);
    if (major == 0) return QStringLiteral("Kelo Server Version Unavailable");
    if (!k->isVersionAtLeast(4, 0)) return QString::asprintf("Kelo Version %d.%d too old", major, minor);
    if (!k->hasPrefsDict()) return QStringLiteral("Kelo Preferences Unavailable");
    if (!available) return QStringLiteral("fetching Kelo Preferences...");
    return {};
}

QString KlOutputsIFDEFs::hideIfNeeded(QWidget* container, GLOverlayView* glOverlayView,
                                      GLOverlayView* glOverlayViewWarp,
                                      KlServerStatusView* statusView) {
    const QString text = serverStatus();
    const bool usable = text.isNull();
    if (container) {
        for (QObject* child : container->children()) {
            auto* view = qobject_cast<QWidget*>(child);
            if (view && view != statusView && !view->isWindow()) view->setVisible(usable);
        }
    }
    for (GLOverlayView* overlay : {glOverlayView, glOverlayViewWarp})
        if (overlay) overlay->updateVisible(usable, true);
    if (!statusView) return text;
    if (usable) {
        statusView->hide();
        statusView->setParent(nullptr);
        return {};
    }
    if (container && statusView->parentWidget() != container) {
        statusView->setParent(container);
        statusView->setGeometry(container->rect());
    }
    if (container) statusView->setGeometry(container->rect());
    statusView->show();
    statusView->raise();
    statusView->setServerStatus(text);
    statusView->update();
    return text;
}

QUrl KlOutputsIFDEFs::urlForContentSubPath(const QString& subPath, QWidget* view, bool doLocal) {
    KeloObject* server = kelo();
    KeloObject* local = link()->keloObjectForAddress(0x7F000001);
    bool isLocal = false;
    if (server && server == local) {
        isLocal = true;
    } else if (doLocal && local) {
        server = local;
        isLocal = true;
    }
    if (!server) return {};
    QVariantMap options{{"targetServerName", server->name()},
                        {"targetServerAddr", server->addressString()},
                        {"doLocalMachine", isLocal}};
    const QVariantMap database = server->contentDatabase();
    if (database.isEmpty()) {
        server->updateContentDatabase();
        return {};
    }
    const auto boot = database.constFind(".KeloBootVolumePath");
    if (boot != database.constEnd()) options.insert(".KeloBootVolumePath", *boot);
    KlOutputsRemoteFiles& files = KlOutputsRemoteFiles::shared();
    bool canceled = false;
    QUrl url = files.urlForContentPath(subPath, view, kRemoteFileTimeout, options, &canceled);
    if (canceled) return {};
    if (!url.isEmpty()) return url;
    const QString parent = QFileInfo(subPath).path();
    if (parent.isEmpty() || parent == ".") return {};
    url = files.urlForContentPath(parent, view, kRemoteFileTimeout, options, &canceled);
    return canceled ? QUrl() : url;
}

QString KlOutputsIFDEFs::getRootPath(QWidget* view) {
    const QUrl url = urlForContentSubPath(QString(""), view, false);
    return url.isEmpty() ? QString() : url.toLocalFile();
}

QStringList KlOutputsIFDEFs::archiveList(const QString& subPath, QString* folder, QWidget* view) {
    const QUrl url = urlForContentSubPath(subPath, view, false);
    const QString path = url.isEmpty() ? QString() : url.toLocalFile();
    if (folder) *folder = path;
    if (path.isEmpty()) return {};
    QFileInfoList entries = QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                     QDir::Hidden | QDir::System);
    entries.removeIf([](const QFileInfo& e) { return !e.lastModified().isValid(); });
    std::stable_sort(entries.begin(), entries.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.lastModified() > b.lastModified();
    });
    QStringList names;
    for (const QFileInfo& e : entries) names << e.fileName();
    return names;
}

QStringList KlOutputsIFDEFs::getArchiveKeloSettingsFiles(QString* folder, QWidget* view) {
    return archiveList(QStringLiteral("archive/KeloSettings"), folder, view);
}

QStringList KlOutputsIFDEFs::getArchiveAllSettingsFiles(QString* folder, QWidget* view) {
    return archiveList(QStringLiteral("archive/AllSettings"), folder, view);
}
