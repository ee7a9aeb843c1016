#include "content/RemoteFileManager.h"
#include "content/ContentDefaults.h"
#include "content/MountedVolume.h"
#include "content/ShareMountOperation.h"
#include "platform/UserDefaults.h"
#include "serverlink/KlE_Control_Status.h"
#include "support/TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>
#include <csignal>

namespace {

// The login choices this suite records go to a file of its own.
[[maybe_unused]] const bool gDefaultsRedirected = [] {
    static QTemporaryDir dir;
    UserDefaults::setStandardFile(dir.path() + "/defaults.plist");
    return true;
}();

struct RecordingDelegate : RemoteFileManagerDelegate {
    void showOverlay(const QString& text, const QList<RfmOverlayButton>& b) override {
        overlays << text;
        buttons = b;
        if (onOverlay) QTimer::singleShot(0, onOverlay);
    }
    void dismissOverlay() override { ++dismissals; }
    void showSuppressableWarning(const QString& text) override { warnings << text; }
    void showAlert(const QString& message, const QString& text, const QString&) override {
        alerts << message + ": " + text;
    }
    void notifySaveSuccessful(const QDateTime& date) override { saves << date; }
    void notifyAbort(bool saveAs) override { aborts << saveAs; }

    QStringList overlays;
    QList<RfmOverlayButton> buttons;
    int dismissals = 0;
    QStringList warnings;
    QStringList alerts;
    QList<QDateTime> saves;
    QList<bool> aborts;
    std::function<void()> onOverlay;
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Waits on the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return condition();
}

class FileManager : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        rfm = std::make_unique<RemoteFileManager>(&delegate);
    }
    QString path(const QString& name) const { return tmp.path() + "/" + name; }
    QString fifo(const QString& name) {
        const QString p = path(name);
        EXPECT_EQ(mkfifo(QFile::encodeName(p).constData(), 0600), 0);
        return p;
    }
    // Lets a worker blocked opening the fifo go on.
    void release(const QString& fifoPath) {
        QFile writer(fifoPath);
        ASSERT_TRUE(writer.open(QIODevice::WriteOnly));
        writer.write("late");
    }
    void pressOnOverlay(int tag) {
        delegate.onOverlay = [this, tag] { rfm->cancelOverlayView(tag); };
    }

    QTemporaryDir tmp;
    RecordingDelegate delegate;
    std::unique_ptr<RemoteFileManager> rfm;
};

TEST_F(FileManager, OperationsReturnTheirResults) {
    ASSERT_TRUE(writeFile(path("a.txt"), "alpha"));
    QDir().mkpath(path("dir/sub"));
    bool canceled = true;
    auto task = rfm->klAsyncOp(kRfmOpRead, path("a.txt"), 5, {}, &canceled);
    ASSERT_TRUE(task);
    EXPECT_EQ(task->asyncReadFileData, "alpha");
    EXPECT_FALSE(canceled);

    bool isDir = true;
    EXPECT_TRUE(rfm->fileExistsAtPath(path("a.txt"), &isDir));
    EXPECT_FALSE(isDir);
    EXPECT_EQ(rfm->lastKnownFile(), path("a.txt"));
    EXPECT_TRUE(rfm->lastKnownModDate().isValid());
    EXPECT_FALSE(rfm->fileExistsAtPath(path("missing"), &isDir));
    EXPECT_TRUE(rfm->fileDateAtPath(path("dir"), &isDir).isValid());
    EXPECT_TRUE(isDir);

    const auto listing = rfm->contentsOfDirectoryAtPath(path("dir"));
    ASSERT_TRUE(listing.has_value());
    EXPECT_EQ(*listing, QList<QUrl>{QUrl::fromLocalFile(path("dir/sub"))});
    EXPECT_FALSE(rfm->contentsOfDirectoryAtPath(path("missing")).has_value());

    EXPECT_EQ(rfm->hostForPath(path("a.txt"), &canceled), "127.0.0.1");
    EXPECT_TRUE(rfm->hostForPath("relative/path", &canceled).isEmpty());
    EXPECT_TRUE(rfm->mountedVolumesForServer("", "host", &canceled).isEmpty());
    EXPECT_FALSE(rfm->klAsyncOp(kRfmOpWrite, path("a.txt"), 1));
    EXPECT_TRUE(delegate.overlays.isEmpty());
    EXPECT_FALSE(rfm->isBlockingMainThread());
}

TEST_F(FileManager, ReadErrorShowsTheWarningAlert) {
    bool canceled = true;
    EXPECT_FALSE(rfm->klAsyncOp(kRfmOpRead, "/Volumes/none/file", 5, {}, &canceled));
    EXPECT_FALSE(canceled);
    ASSERT_EQ(delegate.alerts.size(), 1);
    EXPECT_TRUE(delegate.alerts[0].startsWith("Warning: "));
    EXPECT_TRUE(delegate.alerts[0].contains("\n\nPath:\n/Volumes/none/file\n\n"));
    EXPECT_TRUE(
        delegate.alerts[0].endsWith("Check network connections if this is a network volume."));
}

// Each operation code past its time-out shows its own overlay; Cancel ends
// the wait, and the result that arrives later is thrown away.
TEST_F(FileManager, TimeOutOverlayCancelAndStaleResult) {
    const QString slow = fifo("slow");
    pressOnOverlay(0);
    bool canceled = false;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(rfm->klAsyncOp(kRfmOpRead, slow, 0.2, {}, &canceled));
    EXPECT_TRUE(canceled);
    EXPECT_LT(timer.elapsed(), 3000);
    ASSERT_EQ(delegate.overlays.size(), 1);
    EXPECT_EQ(delegate.overlays[0], "Reading File...\t\t\t\t\t\n\nFile read is taking a long time");
    ASSERT_EQ(delegate.buttons.size(), 1);
    EXPECT_EQ(delegate.buttons[0].title, "Cancel");
    EXPECT_EQ(delegate.aborts, QList<bool>{false});

    release(slow);
    // The late result changes nothing; the next operation is served.
    ASSERT_TRUE(writeFile(path("b.txt"), "beta"));
    QThread::msleep(100);
    auto next = rfm->klAsyncOp(kRfmOpRead, path("b.txt"), 5);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->asyncReadFileData, "beta");
    EXPECT_TRUE(delegate.alerts.isEmpty());
}

TEST_F(FileManager, NewOperationSupersedesTheOneWaitedFor) {
    const QString slow = fifo("slow");
    ASSERT_TRUE(writeFile(path("c.txt"), "gamma"));
    std::shared_ptr<RfmTask> inner;
    QTimer::singleShot(150, [&] { inner = rfm->klAsyncOp(kRfmOpRead, path("c.txt"), 5); });
    bool canceled = false;
    EXPECT_FALSE(rfm->klAsyncOp(kRfmOpRead, slow, 10, {}, &canceled));
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->asyncReadFileData, "gamma");
    EXPECT_TRUE(delegate.overlays.isEmpty());
    release(slow);
}

TEST_F(FileManager, SavesAreCoalescedAndOnlyTheLastReports) {
    const QString target = path("save.bin");
    EXPECT_TRUE(rfm->mainThreadSave("one", target, false));
    EXPECT_TRUE(rfm->mainThreadSave("two", target, false));
    EXPECT_TRUE(rfm->mainThreadSave("three", target, false));
    ASSERT_TRUE(waitFor([&] { return !rfm->isWriting() && !delegate.saves.isEmpty(); }));
    QThread::msleep(50);
    QCoreApplication::processEvents();
    EXPECT_EQ(delegate.saves.size(), 1);
    EXPECT_EQ(readAll(target), "three");

    // A waited save that fails reports the failure and the alert.
    EXPECT_FALSE(rfm->mainThreadSave("x", path("no/such/folder/file"), true));
    EXPECT_EQ(delegate.alerts.size(), 1);
    EXPECT_TRUE(rfm->mainThreadSave("four", target, true));
    EXPECT_EQ(readAll(target), "four");
    EXPECT_EQ(delegate.saves.size(), 2);
}

TEST_F(FileManager, DelayedBlocksAndSuppressibleWarnings) {
    int ran = 0;
    rfm->performBlockOnMainThread([&] { ++ran; }, 0);
    rfm->performBlockOnMainThread([&] { ++ran; }, 60);
    EXPECT_TRUE(rfm->isBusy());
    rfm->processDelayedQueue();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(rfm->delayedQueueCount(), 1);

    rfm->showSuppressableWarning("first");
    rfm->showSuppressableWarning("second");
    EXPECT_EQ(delegate.warnings, QStringList{"first"});
    EXPECT_EQ(RemoteFileManager::makeError(), "General RemoteFileManager error");
}

// --- Volumes --------------------------------------------------------------

TEST(MountedVolumes, MountTableAndGvfsNames) {
    const QByteArray table =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 0:50 / /mnt/kelo\\040media rw - cifs //10.0.0.5/Media rw,vers=3.1.1,"
        "username=ombrel,uid=0\n"
        "41 22 0:51 / /mnt/guest rw - smb3 //alpha.local/Share rw,sec=none\n"
        "42 22 0:52 / /mnt/bad rw - cifs nonsense rw\n"
        "43 22 0:53 / /run/user/0/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
        "short line\n";
    const auto volumes = MountedVolume::fromMountInfo(table);
    ASSERT_EQ(volumes.size(), 2);
    EXPECT_EQ(volumes[0].path, "/mnt/kelo media");
    EXPECT_EQ(volumes[0].host(), "10.0.0.5");
    EXPECT_EQ(volumes[0].remountPath(), "/Media");
    EXPECT_EQ(volumes[0].remountText, "smb://ombrel@10.0.0.5/Media");
    EXPECT_FALSE(volumes[0].isGuest());
    EXPECT_TRUE(volumes[1].isGuest());
    EXPECT_EQ(MountedVolume::gvfsFolderFromMountInfo(table), "/run/user/0/gvfs");

    const auto share =
        MountedVolume::fromGvfsName("/g", "smb-share:server=10.0.0.7,share=My%20Media,user=ombrel");
    ASSERT_TRUE(share);
    EXPECT_EQ(share->remountPath(), "/My Media");
    EXPECT_EQ(share->path, "/g/smb-share:server=10.0.0.7,share=My%20Media,user=ombrel");
    for (const char* bad : {"smb-share:server=a%00b,share=x", "smb-share:server=h,share=a%2Fb",
                            "smb-share:server=,share=x", "smb-share:share=x", "smb-share:garbage",
                            "sftp:host=h", "smb-share:server=h%zz@x,share=y"})
        EXPECT_FALSE(MountedVolume::fromGvfsName("/g", bad)) << bad;
}

TEST(HostStrings, ServersByHostText) {
    KlE_Control_StatusOptions options;
    options.timer = false;
    KlE_Control_Status link(options);
    KeloObject* alpha = link.addKeloForName("alpha");
    alpha->setAddress(0x0A000005, 0x0A000005);
    KeloObject* beta = link.addKeloForName("beta gamma");
    link.updateAddresses();

    EXPECT_EQ(RemoteFileManager::keloForHostString("10.0.0.5", &link), alpha);
    EXPECT_EQ(RemoteFileManager::keloForHostString("smb-host-10.0.0.5", &link), alpha);
    EXPECT_EQ(RemoteFileManager::keloForHostString("alpha", &link), alpha);
    EXPECT_EQ(RemoteFileManager::keloForHostString("alpha.local.", &link), alpha);
    EXPECT_EQ(RemoteFileManager::keloForHostString("beta%20gamma._smb._tcp", &link), beta);
    EXPECT_FALSE(RemoteFileManager::keloForHostString("0.0.0.0", &link));
    EXPECT_FALSE(RemoteFileManager::keloForHostString("999.1.1.1", &link));
    EXPECT_FALSE(RemoteFileManager::keloForHostString("%ff%fe.local", &link));
    EXPECT_FALSE(RemoteFileManager::keloForHostString("", &link));
    EXPECT_FALSE(RemoteFileManager::keloForHostString("alpha", nullptr));
}

// Share mounting against a program standing in for "gio": it reads the
// login from its input and "mounts" by making the share's GVfs folder.
class ShareMount : public ::testing::Test {
protected:
    static constexpr const char* kFakeGio = R"(#!/bin/sh
echo "$*" >> "$FAKE_MOUNT_DIR/calls"
IFS= read -r user || user=""
IFS= read -r domain || domain=""
IFS= read -r pass || pass=""
echo "user=$user domain=$domain pass=$pass" >> "$FAKE_MOUNT_DIR/input"
url="$2"; rest="${url#smb://}"; host="${rest%%/*}"; share="${rest#*/}"
echo $$ > "$FAKE_MOUNT_DIR/pid"
case "$FAKE_MOUNT_MODE" in
  hang) exec sleep 600 ;;
  reject) echo "gio: $url: Failed to mount Windows share: Permission denied" >&2; exit 2 ;;
esac
if [ -n "$user" ] && [ "$pass" != "kvrd" ]; then echo "denied" >&2; exit 2; fi
name="smb-share:server=$host,share=$share${user:+,user=$user}"
mkdir -p "$FAKE_GVFS/$name/1.A" && touch "$FAKE_GVFS/$name/1.A/clip.mov"
)";

    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        gvfs = tmp.path() + "/gvfs";
        QDir().mkpath(gvfs);
        ASSERT_TRUE(writeFile(tmp.path() + "/mountinfo", ""));
        const QString gio = tmp.path() + "/fake-gio";
        ASSERT_TRUE(writeFile(gio, kFakeGio));
        QFile::setPermissions(gio, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        ShareMountOperation::setMounterProgram(gio);
        MountedVolume::setSources(tmp.path() + "/mountinfo", gvfs);
        qputenv("FAKE_MOUNT_DIR", tmp.path().toUtf8());
        qputenv("FAKE_GVFS", gvfs.toUtf8());
        qputenv("FAKE_MOUNT_MODE", "");

        KlE_Control_StatusOptions options;
        options.timer = false;
        link = std::make_unique<KlE_Control_Status>(options);
        for (const auto& [name, address] : {std::pair{"Kelo on alpha", 0x0A000105u},
                                            {"Kelo on guest", 0x0A000106u},
                                            {"Kelo on hang", 0x0A000107u}})
            link->addKeloForName(name)->setAddress(address, address);
        link->updateAddresses();
        rfm = std::make_unique<RemoteFileManager>(&delegate, link.get());
    }
    void TearDown() override {
        ShareMountOperation::setMounterProgram({});
        MountedVolume::setSources({}, {});
    }
    QUrl fileUrl(const char* server, const char* address, const QString& path, double timeout = 20,
                 bool* canceled = nullptr) {
        const auto task =
            rfm->klAsyncOp(kRfmOpFileUrl, path, timeout,
                           {{"targetServerName", server}, {"targetServerAddr", address}}, canceled);
        return task ? task->asyncUrl : QUrl();
    }
    QStringList lines(const char* file) const {
        return QString::fromUtf8(readAll(tmp.path() + "/" + file)).split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir tmp;
    QString gvfs;
    RecordingDelegate delegate;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<RemoteFileManager> rfm;
};

TEST_F(ShareMount, MountsOnceWithTheLoginOnStandardInput) {
    const QString share = gvfs + "/smb-share:server=10.0.1.5,share=Media,user=ombrel";
    EXPECT_EQ(fileUrl("Kelo on alpha", "10.0.1.5", "/Volumes/Media/1.A/clip.mov"),
              QUrl::fromLocalFile(share + "/1.A/clip.mov"));
    EXPECT_EQ(lines("calls"), QStringList{"mount smb://10.0.1.5/Media"});
    EXPECT_EQ(lines("input"), QStringList{"user=ombrel domain= pass=kvrd"});

    // Mounted now: found without a second mount.
    EXPECT_EQ(fileUrl("Kelo on alpha", "10.0.1.5", "/Volumes/Media/1.A"),
              QUrl::fromLocalFile(share + "/1.A"));
    EXPECT_EQ(lines("calls").size(), 1);
    EXPECT_TRUE(
        UserDefaults::standard().object(kUseOmbrelUserForKeloKey).toMap().value("10.0.1.5") == "1");
    bool canceled = false;
    EXPECT_EQ(rfm->hostForPath(share + "/1.A/clip.mov", &canceled), "10.0.1.5");
    EXPECT_EQ(rfm->mountedVolumesForServer("10.0.1.5", "", &canceled),
              QList<QUrl>{QUrl::fromLocalFile(share)});

    // Too few components, and no server address: nothing, and no mount.
    EXPECT_FALSE(fileUrl("Kelo on alpha", "10.0.1.5", "/Volumes").isValid());
    EXPECT_FALSE(fileUrl("Kelo on alpha", "", "/Volumes/Media/x").isValid());
    EXPECT_EQ(lines("calls").size(), 1);
}

TEST_F(ShareMount, RefusedLoginIsRetriedOnceWithout) {
    qputenv("FAKE_MOUNT_MODE", "reject");
    EXPECT_FALSE(fileUrl("Kelo on alpha", "10.0.1.5", "/Volumes/Other/1.A/clip.mov").isValid());
    EXPECT_EQ(lines("calls").size(), 2);
    EXPECT_EQ(lines("input"),
              (QStringList{"user=ombrel domain= pass=kvrd", "user= domain= pass="}));
    EXPECT_TRUE(delegate.alerts.isEmpty());
}

TEST_F(ShareMount, ServerMountedUnderAnotherUserMountsWithoutLogin) {
    // Seen mounted under another user: recorded, and later mounts of that
    // server go without the fixed login.
    QDir().mkpath(gvfs + "/smb-share:server=10.0.1.6,share=Old,user=someone");
    EXPECT_TRUE(fileUrl("Kelo on guest", "10.0.1.6", "/Volumes/Old/none").isValid());
    EXPECT_TRUE(lines("calls").isEmpty());
    EXPECT_EQ(UserDefaults::standard().object(kUseOmbrelUserForKeloKey).toMap().value("10.0.1.6"),
              "0");
    EXPECT_TRUE(fileUrl("Kelo on guest", "10.0.1.6", "/Volumes/New/1.A").isValid());
    EXPECT_EQ(lines("input").last(), "user= domain= pass=");
}

TEST_F(ShareMount, HangingMountIsCancelledFromTheOverlay) {
    qputenv("FAKE_MOUNT_MODE", "hang");
    delegate.onOverlay = [this] { rfm->cancelOverlayView(0); };
    bool canceled = false;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(fileUrl("Kelo on hang", "10.0.1.7", "/Volumes/Slow/x", 0.3, &canceled).isValid());
    EXPECT_TRUE(canceled);
    EXPECT_LT(timer.elapsed(), 5000);
    ASSERT_FALSE(delegate.overlays.isEmpty());
    EXPECT_TRUE(delegate.overlays[0].startsWith("Mounting volume:\t"));
    // The mounter was stopped.
    ASSERT_TRUE(waitFor([&] { return !lines("pid").isEmpty(); }));
    const pid_t pid = lines("pid").first().toInt();
    EXPECT_TRUE(waitFor([&] { return ::kill(pid, 0) != 0; }));
}

TEST_F(ShareMount, OneMountJobAtATime) {
    qputenv("FAKE_MOUNT_MODE", "hang");
    RecordingDelegate otherDelegate;
    RemoteFileManager other(&otherDelegate, link.get());
    bool secondCanceled = true;
    QUrl second;
    bool secondDone = false;
    // While the first job hangs in its mount, a second manager's job gives
    // up after its wait for the lock, and the first one still holds it.
    QTimer::singleShot(300, [&] {
        const auto task = other.klAsyncOp(
            kRfmOpFileUrl, "/Volumes/B/x", 20,
            {{"targetServerName", "Kelo on alpha"}, {"targetServerAddr", "10.0.1.5"}},
            &secondCanceled);
        second = task ? task->asyncUrl : QUrl();
        secondDone = true;
        EXPECT_EQ(lines("calls").size(), 1);
        rfm->cancelOverlayView(0);
    });
    delegate.onOverlay = [] {};
    EXPECT_FALSE(fileUrl("Kelo on hang", "10.0.1.7", "/Volumes/Slow/x", 0.2).isValid());
    EXPECT_TRUE(secondDone);
    EXPECT_FALSE(second.isValid());
    EXPECT_FALSE(secondCanceled);
}

}  // namespace

KELO_TEST_MAIN_CORE()
