#include "content/keloRootPath.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
