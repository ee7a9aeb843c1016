// The share mount against a real Samba server on loopback, mounted through
// GVfs ("gio mount", gvfsd and its FUSE folder) on a D-Bus session bus of
// the test's own. Runs only from scripts/samba-test.sh, which gives it
// network and mount namespaces of its own as real root (Samba cannot switch
// groups inside the user namespace the rest of the suite runs in).
#include "content/RemoteFileManager.h"
#include "platform/UserDefaults.h"
#include "serverlink/KlE_Control_Status.h"
#include "support/TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

bool smbListening() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(445);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    ::close(s);
    return ok;
}

bool waitUntil(const std::function<bool()>& condition, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < ms) QThread::msleep(50);
    return condition();
}

void stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

class RealShareMount : public ::testing::Test {
protected:
    void SetUp() override {
        if (qgetenv("KELO_SAMBA_TEST") != "1")
            GTEST_SKIP() << "run by scripts/samba-test.sh in namespaces of its own";
        for (const char* tool : {"smbd", "smbpasswd", "dbus-daemon", "gio"})
            if (QStandardPaths::findExecutable(tool, {"/usr/sbin", "/usr/bin"}).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        ASSERT_TRUE(tmp.isValid());
        const QString d = tmp.path();
        share = d + "/share/Media";
        QDir().mkpath(share + "/1.A");
        for (const char* sub : {"private", "lock", "state", "cache", "run", "log"})
            QDir().mkpath(d + "/" + sub);
        ASSERT_TRUE(writeFile(share + "/1.A/001.clip.mov", "clip"));
        // The fixed login's user name stands for this computer's root.
        ASSERT_TRUE(writeFile(d + "/usermap", "root = ombrel\n"));
        const QString conf = d + "/smb.conf";
        ASSERT_TRUE(writeFile(
            conf, QString("[global]\n interfaces = lo\n bind interfaces only = yes\n"
                          " smb ports = 445\n disable netbios = yes\n load printers = no\n"
                          " printcap name = /dev/null\n server role = standalone server\n"
                          " private dir = %1/private\n lock directory = %1/lock\n"
                          " state directory = %1/state\n cache directory = %1/cache\n"
                          " pid directory = %1/run\n log file = %1/log/smbd.log\n"
                          " passdb backend = tdbsam:%1/private/passdb.tdb\n"
                          " username map = %1/usermap\n"
                          "[Media]\n path = %2\n read only = no\n")
                      .arg(d, share)
                      .toUtf8()));
        QProcess passwd;
        passwd.start("smbpasswd", {"-c", conf, "-s", "-a", "root"});
        passwd.write("kvrd\nkvrd\n");
        passwd.closeWriteChannel();
        ASSERT_TRUE(passwd.waitForFinished(10000));
        ASSERT_EQ(passwd.exitCode(), 0) << passwd.readAllStandardError().constData();

        smbd.start("smbd", {"-F", "-s", conf});
        ASSERT_TRUE(waitUntil(smbListening, 15000)) << "smbd does not listen";

        const QString bus = d + "/bus";
        dbus.start("dbus-daemon",
                   {"--session", "--nofork", "--nopidfile", "--address=unix:path=" + bus});
        ASSERT_TRUE(waitUntil([&] { return QFile::exists(bus); }, 10000));
        qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + bus).toUtf8());
        UserDefaults::setStandardFile(d + "/defaults.plist");
    }
    void TearDown() override {
        if (dbus.state() != QProcess::NotRunning) {
            QProcess::execute("gio", {"mount", "-u", "smb://127.0.0.1/media"});
            stop(dbus);
        }
        stop(smbd);
    }

    QTemporaryDir tmp;
    QString share;
    QProcess smbd;
    QProcess dbus;
};

TEST_F(RealShareMount, ContentPathOfAServerMountsItsShare) {
    KlE_Control_StatusOptions options;
    options.timer = false;
    KlE_Control_Status link(options);
    link.addKeloForName("Kelo on samba")->setAddress(0x7F000001, 0x7F000001);
    link.updateAddresses();
    RemoteFileManagerDelegate delegate;
    RemoteFileManager rfm(&delegate, &link);

    const QVariantMap server{{"targetServerName", "Kelo on samba"},
                             {"targetServerAddr", "127.0.0.1"}};
    const auto task = rfm.klAsyncOp(kRfmOpFileUrl, "/Volumes/Media/1.A/001.clip.mov", 60, server);
    ASSERT_TRUE(task);
    const QString local = task->asyncUrl.toLocalFile();
    ASSERT_FALSE(local.isEmpty()) << "no volume found after the mount";
    EXPECT_TRUE(local.contains("/gvfs/smb-share:")) << qPrintable(local);

    const auto read = rfm.klAsyncOp(kRfmOpRead, local, 10);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->asyncReadFileData, "clip");

    // A save through the mounted share lands in the server's folder.
    const QString written = QFileInfo(local).path() + "/002.saved.txt";
    EXPECT_TRUE(rfm.mainThreadSave("saved", written, true));
    QFile onServer(share + "/1.A/002.saved.txt");
    ASSERT_TRUE(onServer.open(QIODevice::ReadOnly));
    EXPECT_EQ(onServer.readAll(), "saved");

    bool canceled = false;
    EXPECT_EQ(rfm.hostForPath(local, &canceled), "127.0.0.1");
    EXPECT_EQ(rfm.mountedVolumesForServer("127.0.0.1", "", &canceled).size(), 1);
}

}  // namespace

KELO_TEST_MAIN_CORE()
