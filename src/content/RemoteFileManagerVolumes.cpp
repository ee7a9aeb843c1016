// The volume side of the remote file manager: which shares are mounted,
// which server a host text or a path belongs to, and mounting a server's
// share for a content path.
#include "content/ContentDefaults.h"
#include "content/MountedVolume.h"
#include "content/RemoteFileManager.h"
#include "content/ShareMountOperation.h"
#include "content/keloRootPath.h"
#include "foundation/OmLog.h"
#include "platform/MainThread.h"
#include "platform/UserDefaults.h"
#include "serverlink/KlE_Control_Status.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <arpa/inet.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>

namespace {

constexpr uint32_t kLoopback = 0x7F000001;
const QString kShareUser = QStringLiteral("ombrel");
const QString kSharePassword = QStringLiteral("kvrd");

// "sUseOmbrelUserForKelo", loaded once per process; any thread.
struct UserChoice {
    std::mutex lock;
    bool loaded = false;
    QVariantMap byAddress;
};

UserChoice& userChoice() {
    static UserChoice c;
    return c;
}

bool useFixedUser(const QString& address) {
    UserChoice& c = userChoice();
    std::lock_guard lock(c.lock);
    if (!c.loaded) {
        c.byAddress = UserDefaults::standard().object(kUseOmbrelUserForKeloKey).toMap();
        c.loaded = true;
    }
    return c.byAddress.value(address).toString() != "0";
}

void recordUser(const QString& address, bool fixedUser) {
    UserChoice& c = userChoice();
    std::lock_guard lock(c.lock);
    if (!c.loaded) {
        c.byAddress = UserDefaults::standard().object(kUseOmbrelUserForKeloKey).toMap();
        c.loaded = true;
    }
    const QString value = fixedUser ? "1" : "0";
    if (c.byAddress.value(address).toString() == value) return;
    c.byAddress.insert(address, value);
    UserDefaults::standard().setObject(kUseOmbrelUserForKeloKey, c.byAddress);
}

// Percent escapes removed; nothing when they do not decode to UTF-8.
std::optional<QString> unescaped(const QString& text) {
    const QByteArray bytes = QByteArray::fromPercentEncoding(text.toUtf8());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString out = decoder(bytes);
    if (decoder.hasError()) return std::nullopt;
    return out;
}

bool isDirectory(const QString& path) {
    return QFileInfo(path).isDir();
}

}  // namespace

KeloObject* RemoteFileManager::keloForHostString(const QString& text,
                                                 const KlE_Control_Status* link) {
    if (text.isEmpty() || !link) return nullptr;
    if (text == "localhost") return link->keloObjectForAddress(kLoopback);
    qsizetype start = text.size();
    while (start > 0 && (text[start - 1].isDigit() || text[start - 1] == '.')) --start;
    if (text.size() - start >= 7) {
        in_addr address{};
        if (inet_pton(AF_INET, text.mid(start).toLatin1().constData(), &address) != 1 ||
            address.s_addr == 0)
            return nullptr;
        return link->keloObjectForAddress(ntohl(address.s_addr));
    }
    if (KeloObject* kelo = link->keloObjectForName(text)) return kelo;
    const auto name = unescaped(text.section('.', 0, 0));
    return name ? link->keloObjectForName(*name) : nullptr;
}

QString RemoteFileManager::guestWarning(const QString& volume) {
    return makeError(
        QString("Careful: volume mounted as guest user.  Expect permissions issues writing to "
                "volume '%1'.\nCan also cause problems mounting additional volumes.\n\nCorrective "
                "action:\nDismount *all* related Kelo volumes using Finder, then remount using "
                "Kelo Verozo.")
            .arg(volume));
}

QList<QUrl> RemoteFileManager::mountedVolumesForServer(const QString& server,
                                                       const QString& hostname, QString* warning) {
    if (server.isEmpty()) return {};
    QList<QUrl> found;
    for (const MountedVolume& v : MountedVolume::mountedVolumes()) {
        const QString host = v.host();
        if (host.isEmpty()) continue;
        bool belongs = host.endsWith(server);
        if (!belongs && !hostname.isEmpty())
            belongs = host == hostname || unescaped(host.section('.', 0, 0)) == hostname;
        if (!belongs) continue;
        if (warning && v.isGuest()) *warning = guestWarning(v.remountPath());
        found.append(QUrl::fromLocalFile(v.path));
    }
    return found;
}

QString RemoteFileManager::hostForPath(const QString& path) {
    if (!path.startsWith('/')) return {};
    for (const MountedVolume& v : MountedVolume::mountedVolumes())
        if (path == v.path || path.startsWith(v.path + "/")) return v.host();
    return QStringLiteral("127.0.0.1");
}

QString RemoteFileManager::searchForMountedVolume(const QString& volumePath,
                                                  const QString& leafPath, const QString& shareName,
                                                  const QString& targetServerAddr,
                                                  const QString& targetServerName,
                                                  const QString& bootVolumePath, bool log,
                                                  QString* warning) {
    for (const MountedVolume& v : MountedVolume::mountedVolumes()) {
        if (log)
            OmLogNoFlood(kOmLogVerbose, "   mountedVolUrl %s mountedVolumeName %s\n",
                         qPrintable(v.remountText), qPrintable(v.remountPath()));
        const QString host = v.host();
        // An empty server name would match every host.
        const bool named = !targetServerName.isEmpty() && host.contains(targetServerName);
        const bool candidate =
            (!targetServerAddr.isEmpty() && host.endsWith(targetServerAddr)) ||
            (!shareName.isEmpty() &&
             v.remountPath().endsWith("/" + shareName, Qt::CaseInsensitive) && named) ||
            (v.remountText.endsWith(v.remountPath()) && named && host.contains("smb"));
        if (!candidate) continue;

        if (v.isGuest()) {
            if (warning) *warning = guestWarning(shareName);
        } else {
            const qsizetype scheme = v.remountText.indexOf("://");
            const qsizetype at = v.remountText.indexOf('@');
            const QString user = scheme >= 0 && at > scheme
                                     ? v.remountText.mid(scheme + 3, at - scheme - 3)
                                     : QString();
            if (!user.isEmpty() && !targetServerAddr.isEmpty())
                recordUser(targetServerAddr, user.contains(kShareUser));
        }

        if (shareName.isEmpty()) {
            if (!leafPath.startsWith("Kelo/") && !leafPath.startsWith("Applications/Kelo/"))
                continue;
            if (!bootVolumePath.isEmpty() && !v.path.startsWith(bootVolumePath))
                OmLogNoFlood(kOmLogInfo,
                             "Mounted Kelo volume %s may be wrong volume.  Expecting %s\n",
                             qPrintable(v.path), qPrintable(bootVolumePath));
            const QString parent = QFileInfo(leafPath).path();
            const QString folder = v.path + "/" + (parent.startsWith("Kelo") ? parent : leafPath);
            for (int i = 0; i < 5; ++i) {
                if (isDirectory(folder)) return v.path;
                std::this_thread::sleep_for(std::chrono::seconds(1));
            }
            continue;
        }
        // Share names are not case-sensitive; GVfs shows them in lower case.
        if (("/Volumes" + v.remountPath()).compare(volumePath, Qt::CaseInsensitive) == 0)
            return v.path;
    }
    return {};
}

int RemoteFileManager::Shared::mountServer(ShareMountOperation* op, const QString& server,
                                           const QString& share, bool credentials) {
    QUrl url;
    url.setScheme("smb");
    url.setHost(server);
    url.setPath("/" + share);
    std::lock_guard guard(lock);
    volumeOp = op;
    volumeOpErr = 0;
    const bool withLogin = credentials && !tryingWithoutPassword;
    const int code =
        op->start(url, withLogin ? kShareUser : QString(), withLogin ? kSharePassword : QString());
    if (code != kMountOK) volumeOp = nullptr;
    return code;
}

QUrl RemoteFileManager::Shared::fileUrl(RfmTask* task) {
    {
        std::lock_guard guard(lock);
        userCanceledVolumeOp = false;
        tryingWithoutPassword = false;
    }
    const QString path = task->fileName;
    const QString remote = task->remotePath;
    if (path.isEmpty() || task->targetServerAddr.isEmpty()) return {};

    if (task->doLocalMachine) {
        const QString root = keloRootPath(false);
        if (root.isEmpty()) return {};
        const QString candidate = remote.isEmpty() ? root + path : remote;
        if (QFileInfo::exists(candidate)) return QUrl::fromLocalFile(candidate);
        if (candidate.startsWith("/.") && path.size() > 2) {
            const QString rest = path.mid(2);
            const qsizetype slash = rest.indexOf('/');
            const QString under = root + (slash < 0 ? QString() : rest.mid(slash));
            if (slash >= 0 && QFileInfo::exists(under)) return QUrl::fromLocalFile(under);
        }
        return {};
    }

    // "/Volumes/<share>/<leaf>" names a share; any other path lies on the
    // server's boot volume.
    if (!remote.startsWith('/')) return {};
    const QStringList parts = remote.mid(1).split('/', Qt::SkipEmptyParts);
    if (parts.size() < 2) return {};
    QString share, volumePath, leafPath;
    if (parts.size() >= 3 && parts[0] == "Volumes") {
        share = parts[1];
        volumePath = "/Volumes/" + share;
        leafPath = parts.mid(2).join('/');
    } else {
        volumePath = "/";
        leafPath = parts.join('/');
    }
    QString hostName = task->targetServerName;
    if (hostName.startsWith("Kelo on ")) hostName = hostName.mid(8);
    const QString address = task->targetServerAddr;
    QString* const noWarning = nullptr;
    const qsizetype before = mountedVolumesForServer(address, hostName, noWarning).size();

    QString warning;
    auto search = [&](bool log) {
        return searchForMountedVolume(volumePath, leafPath, share, address, hostName,
                                      task->bootVolumePath, log, &warning);
    };
    QString found = search(true);
    while (found.isEmpty() && !bgThreadCheckIsCanceled(*task)) {
        ShareMountOperation op;
        const int code = mountServer(&op, address, share, useFixedUser(address));
        if (code == kMountOK) {
            for (;;) {
                const bool ended = op.waitForEnd(100);
                if (ended) {
                    std::lock_guard guard(lock);
                    if (volumeOp == &op) {
                        volumeOpErr = op.resultCode();
                        if (volumeOpErr == kMountBusy || volumeOpErr == kMountCancelled)
                            userCanceledVolumeOp = true;
                        volumeOp = nullptr;
                    }
                }
                found = search(false);
                if (!found.isEmpty() || ended) break;
                if (bgThreadCheckIsCanceled(*task)) op.cancel();
            }
            {
                std::lock_guard guard(lock);
                if (volumeOp == &op) volumeOp = nullptr;
            }
            if (!found.isEmpty()) break;
        } else if (code == kMountBusy || code == kMountCancelled) {
            std::lock_guard guard(lock);
            userCanceledVolumeOp = true;
            break;
        }
        if (mountedVolumesForServer(address, hostName, noWarning).size() > before) {
            for (int i = 0; i < 5 && found.isEmpty(); ++i) {
                std::this_thread::sleep_for(std::chrono::seconds(1));
                found = search(false);
            }
            break;
        }
        std::lock_guard guard(lock);
        if (volumeOpErr >= 0 || tryingWithoutPassword) break;
        tryingWithoutPassword = true;
    }
    task->warning = warning;
    if (found.isEmpty()) return {};
    return QUrl::fromLocalFile(leafPath.isEmpty() ? found : found + "/" + leafPath);
}

void RemoteFileManager::cancelVolumeOp() {
    if (MainThread::isMainThread()) {
        {
            std::lock_guard lock(shared_->lock);
            if (!shared_->volumeOp) return;
            shared_->mainThreadCancellingVolumeOp = true;
            shared_->volumeOp->cancel();
        }
        for (int i = 0; i < 10; ++i) {
            {
                std::lock_guard lock(shared_->lock);
                if (!shared_->volumeOp) break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        shared_->mainThreadCancellingVolumeOp = false;
        return;
    }
    std::lock_guard lock(shared_->lock);
    if (shared_->volumeOp) shared_->volumeOp->cancel();
}
