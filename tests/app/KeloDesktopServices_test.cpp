// Where the desktop's URL handler is sent when no file manager answers the
// session bus: folders as they are, files as their folders, each once.

#include "app/KeloDesktopServices.h"

#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(KeloDesktopServices, FilesShowAsTheirFolders) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath("Media/001 Folder"));
    QFile file(dir.filePath("Media/001 Folder/001.Clip.mov"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QUrl folder = QUrl::fromLocalFile(dir.filePath("Media/001 Folder"));
    const QUrl media = QUrl::fromLocalFile(dir.filePath("Media"));
    EXPECT_EQ(KeloDesktopServices::foldersOf(
                  {QUrl::fromLocalFile(file.fileName()), folder, media,
                   QUrl("smb://192.0.2.1/Media/001.Clip.mov")}),
              (QList<QUrl>{folder, media}));
    EXPECT_TRUE(KeloDesktopServices::foldersOf({}).isEmpty());
}

}  // namespace

KELO_TEST_MAIN()
