#include "app/KeloDesktopServices.h"

#include "foundation/OmLog.h"
#include "hud/windows/KeloAlert.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace {

constexpr char kFileManagerService[] = "org.freedesktop.FileManager1";
constexpr char kFileManagerPath[] = "/org/freedesktop/FileManager1";
constexpr char kRemoteContentPath[] = "/com/OMBREL/KeloVerozo";
constexpr char kRemoteContentInterface[] = "com.OMBREL.KeloVerozo";
constexpr char kRemoteContentSignal[] = "RemoteContentID";

void openFolders(const QList<QUrl>& urls) {
    for (const QUrl& folder : KeloDesktopServices::foldersOf(urls))
        if (!QDesktopServices::openUrl(folder))
            OmLogNoFlood(kOmLogWarning, "[Content] cannot open %s\n",
                         qPrintable(folder.toString()));
}

}  // namespace

bool KeloDesktopServices::confirmLaunchPilot() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    return KeloAlert(KeloAlert::kInformational, "Launch?", "Launch Kelo Pilot",
                     {"Launch", "Cancel"}, QApplication::activeWindow())
               .runModal() == 0;
}

void KeloDesktopServices::postRemoteContentID(uint32_t contentID) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage signal =
        QDBusMessage::createSignal(kRemoteContentPath, kRemoteContentInterface, kRemoteContentSignal);
    signal << QString::number(contentID);
    if (!bus.isConnected() || !bus.send(signal))
        OmLogNoFlood(kOmLogWarning, "[Content] cannot post RemoteContentID %u: no session bus\n",
                     contentID);
}

QList<QUrl> KeloDesktopServices::foldersOf(const QList<QUrl>& urls) {
    QList<QUrl> folders;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QFileInfo info(url.toLocalFile());
        const QUrl folder = info.isDir() ? url : QUrl::fromLocalFile(info.path());
        if (!folders.contains(folder)) folders << folder;
    }
    return folders;
}

void KeloDesktopServices::revealInFileManager(const QList<QUrl>& urls) {
    if (urls.isEmpty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolders(urls);
        return;
    }
    QStringList uris;
    for (const QUrl& url : urls) uris << url.toString(QUrl::FullyEncoded);
    QDBusMessage call = QDBusMessage::createMethodCall(kFileManagerService, kFileManagerPath,
                                                       kFileManagerService, "ShowItems");
    call << uris << QString();
    // The file manager may have to start first; the window must not wait.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [urls](QDBusPendingCallWatcher* finished) {
                         const QDBusPendingReply<> reply = *finished;
                         if (reply.isError()) {
                             OmLogNoFlood(kOmLogInfo, "[Content] file manager: %s\n",
                                          qPrintable(reply.error().message()));
                             openFolders(urls);
                         }
                         finished->deleteLater();
                     });
}
