#include "content/keloRootPath.h"

#include "content/MountedVolumeThread.h"
#include "support/TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace {

class RootPath : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path();
    }
    void TearDown() override {
        setKeloRootPathSearchList({});
        setKeloRootPathVolumeLister(nullptr);
        setKeloRootPathVolumeQuery(nullptr);
    }
    QString mkdir(const QString& rel) {
        EXPECT_TRUE(QDir(root).mkpath(rel));
        return root + "/" + rel;
    }
    void touch(const QString& rel) {
        QFile f(root + "/" + rel);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    }

    QTemporaryDir tmp;
    QString root;
};

TEST_F(RootPath, SearchListFirstThenVolumesInOrder) {
    mkdir("vol1/NotKelo");
    mkdir("vol2/Kelo");
    mkdir("vol3/Kelo");
    touch("file");
    setKeloRootPathSearchList({root + "/missing", root + "/file"});
    setKeloRootPathVolumeLister([this] {
        return QStringList{root + "/vol1", root + "/vol2/", root + "/vol3"};
    });
    EXPECT_EQ(keloRootPath(true), root + "/vol2/Kelo");

    // A candidate of the list wins over every volume.
    const QString app = mkdir("Applications/Kelo");
    setKeloRootPathSearchList({root + "/missing", app});
    EXPECT_EQ(keloRootPath(true), app);
}

// A network mount whose server has gone: its stat blocks until the server
// comes back. The search passes it over after its time-out, a second search
// neither waits for it nor stats it again, and once it answers it counts in
// its place in the volume order again.
TEST_F(RootPath, ADeadMountCostsTheSearchOneTimeOutAndThenNothing) {
    mkdir("dead/Kelo");
    mkdir("live/Kelo");
    struct Dead {
        std::mutex lock;
        std::condition_variable back;
        bool up = false;
        int stats = 0;
    };
    auto dead = std::make_shared<Dead>();
    const QString deadVolume = root + "/dead";
    setKeloRootPathVolumeLister([=] { return QStringList{deadVolume, root + "/live"}; });
    setKeloRootPathVolumeQuery([dead, deadVolume](const QString& volume) {
        if (volume == deadVolume) {
            std::unique_lock lock(dead->lock);
            ++dead->stats;
            dead->back.wait(lock, [&] { return dead->up; });
        }
        return QDir(volume + "/Kelo").exists() ? volume + "/Kelo" : QString();
    });
    setKeloRootPathSearchList({root + "/missing"});

    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(keloRootPath(true), root + "/live/Kelo");
    EXPECT_LT(clock.elapsed(), 2000);
    clock.restart();
    EXPECT_EQ(keloRootPath(true), root + "/live/Kelo");
    EXPECT_LT(clock.elapsed(), 150) << "the hanging volume is not waited for twice";
    EXPECT_EQ(MountedVolumeThread::runningQueries(), 1);
    {
        std::lock_guard lock(dead->lock);
        EXPECT_EQ(dead->stats, 1) << "no second stat while the first hangs";
        dead->up = true;
    }
    dead->back.notify_all();
    for (int i = 0; i < 200 && MountedVolumeThread::runningQueries() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(keloRootPath(true), deadVolume + "/Kelo");
}

// The start-up asks for the root several times before the log opens, so
// the search's lines went to the console once per ask.
TEST_F(RootPath, RepeatedSearchesThatFindNothingAreToldOnce) {
    setKeloRootPathSearchList({root + "/missing"});
    setKeloRootPathVolumeLister([] { return QStringList{}; });
    ::testing::internal::CaptureStdout();
    keloRootPath(true);
    keloRootPath(false);
    keloRootPath(false);
    std::fflush(stdout);
    const QString out = QString::fromStdString(::testing::internal::GetCapturedStdout());
    EXPECT_EQ(out.count("Searching for Kelo Folder"), 1) << out.toStdString();
    EXPECT_EQ(out.count("checking '"), 1) << out.toStdString();
}

TEST_F(RootPath, CachedUntilForcedAndKeptWhenNothingFound) {
    const QString first = mkdir("first");
    setKeloRootPathSearchList({first});
    setKeloRootPathVolumeLister([] { return QStringList{}; });
    EXPECT_EQ(keloRootPath(true), first);

    const QString second = mkdir("second");
    setKeloRootPathSearchList({second});
    EXPECT_EQ(keloRootPath(false), first);
    EXPECT_EQ(keloRootPath(true), second);

    setKeloRootPathSearchList({root + "/gone"});
    EXPECT_EQ(keloRootPath(true), second);
}

TEST_F(RootPath, TildeLinksAndTrailingSlashes) {
    const QString target = mkdir("real/Kelo");
    ASSERT_TRUE(QFile::link(target, root + "/link"));
    setKeloRootPathVolumeLister([] { return QStringList{}; });
    setKeloRootPathSearchList({root + "/link"});
    EXPECT_EQ(keloRootPath(true), target);

    setKeloRootPathSearchList({root + "/real/Kelo///"});
    EXPECT_EQ(keloRootPath(true), target);

    const QString home = QDir::homePath();
    setKeloRootPathSearchList({"~"});
    EXPECT_EQ(keloRootPath(true), home.size() > 1 && home.endsWith('/') ? home.chopped(1) : home);
}

TEST_F(RootPath, LowerLayersAskThroughTheInstalledProvider) {
    const QString dir = mkdir("hooked");
    setKeloRootPathSearchList({dir});
    EXPECT_TRUE(KeloRootPathProvider::shared().keloRootPath(true).isEmpty());
    KeloRootPathFinder finder;
    KeloRootPathProvider::install(&finder);
    EXPECT_EQ(KeloRootPathProvider::shared().keloRootPath(true), dir);
    KeloRootPathProvider::install(nullptr);
}

TEST(MountTable, MountPointsInOrderWithoutPseudoFileSystems) {
    const QByteArray table =
        "proc /proc proc rw 0 0\n"
        "/dev/sda1 / ext4 rw 0 0\n"
        "sysfs /sys sysfs rw 0 0\n"
        "/dev/sdb1 /media/user/My\\040Disk vfat rw 0 0\n"
        "server:/x /mnt/nfs nfs4 rw 0 0\n"
        "/dev/sda1 / ext4 rw 0 0\n"
        "broken\n"
        "\n";
    EXPECT_EQ(keloMountPointsFromTable(table),
              (QStringList{"/", "/media/user/My Disk", "/mnt/nfs"}));
    EXPECT_TRUE(keloMountedVolumes().contains("/"));
}

}  // namespace

KELO_TEST_MAIN()
