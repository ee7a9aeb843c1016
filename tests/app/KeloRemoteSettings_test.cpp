#include "app/KeloRemoteSettings.h"

#include "platform/PropertyList.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

class KeloRemoteSettingsTest : public ::testing::Test {
protected:
    QString path() const { return dir_.path() + "/sub/KeloRemote.plist"; }
    void writeFile(const QByteArray& data) {
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    void writePlist(const QVariantMap& root) {
        writeFile(PropertyList::write(root, PropertyList::Format::Xml));
    }
    QVariantMap readBack() const {
        QFile f(path());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        PropertyList::Format format{};
        const QVariant v = PropertyList::read(f.readAll(), nullptr, &format);
        EXPECT_EQ(format, PropertyList::Format::Xml);
        return v.toMap();
    }
    QTemporaryDir dir_;
};

TEST_F(KeloRemoteSettingsTest, FirstRunWritesOneDefaultLayout) {
    KeloRemoteSettings s(path());
    s.loadSettings();
    const CurrentLayoutSettings n = s.loadLayoutSettings();
    EXPECT_EQ(n.thumbHeight, 72);
    EXPECT_EQ(n.breakoutHeight, 116.f);
    EXPECT_EQ(n.breakoutNumColumns, 1);
    EXPECT_EQ(n.numColumns, 1);
    EXPECT_TRUE(n.showSelectedServerOnly);
    EXPECT_FLOAT_EQ(n.aspect, 4.f / 3.f);
    ASSERT_TRUE(s.save());

    const QVariantMap root = readBack();
    EXPECT_EQ(root.value("active_keloes"), QVariant(QVariantMap{}));
    EXPECT_EQ(root.value("curr_layout"), QVariant(QString("0")));
    const QVariantList layouts = root.value("layouts").toList();
    ASSERT_EQ(layouts.size(), 1);
    const QVariantMap layout = layouts[0].toMap();
    EXPECT_EQ(layout.value("monitor"), QVariant(QVariantList{}));
    EXPECT_EQ(layout.value("breakouts"), QVariant(QVariantList{QVariant(QVariantList{})}));
    const QVariantMap expected{{"breakout_cols", "1"},
                               {"height", "72"},
                               {"breakoutheight", "116"},
                               {"hud_height", "72"},
                               {"showSelectedServerOnly", "1"}};
    EXPECT_EQ(layout.value("layout_settings").toMap(), expected);
}

TEST_F(KeloRemoteSettingsTest, CurrentLayoutIndex) {
    const QVariantMap two{{"monitor", QVariantList{QVariantMap{{"name", "A"}}}},
                          {"layout_settings", QVariantMap{{"columns", "3"}}}};
    const QVariantMap one{{"monitor", QVariantList{QVariantMap{{"name", "B"}}}},
                          {"layout_settings", QVariantMap{{"columns", 0}}}};
    struct Case {
        QVariant curr;
        QString firstServer;
        int columns;
    } cases[] = {{5, "A", 3}, {-1, "A", 3},        {"1", "B", 1},
                 {1, "B", 1}, {"garbage", "A", 3}, {QVariantList{}, "A", 3}};
    for (const Case& c : cases) {
        writePlist({{"curr_layout", c.curr}, {"layouts", QVariantList{two, one}}});
        KeloRemoteSettings s(path());
        s.loadSettings();
        SCOPED_TRACE(c.curr.toString().toStdString());
        EXPECT_EQ(s.keloList().value(0).toMap().value("name").toString(), c.firstServer);
        EXPECT_EQ(s.loadLayoutSettings().numColumns, c.columns);
    }
}

TEST_F(KeloRemoteSettingsTest, EmptyLayoutsGainsOneAndKeepsCurrLayout) {
    writePlist({{"curr_layout", "3"}, {"layouts", QVariantList{}}});
    KeloRemoteSettings s(path());
    s.loadSettings();
    EXPECT_EQ(s.settings().value("layouts").toList().size(), 1);
    EXPECT_EQ(s.settings().value("curr_layout"), QVariant(QString("3")));
}

TEST_F(KeloRemoteSettingsTest, WrongTypesAreReplacedOneByOne) {
    writePlist(
        {{"active_keloes", QVariantMap{{"srv1", "Stage"}, {"srv2", 7}}},
         {"layouts",
          QVariantList{QVariantMap{{"monitor", QVariantList{QVariantMap{{"name", "srv1"}}, 5}},
                                   {"breakouts", "x"},
                                   {"layout_settings", QVariantList{}}},
                       "not a layout"}}});
    KeloRemoteSettings s(path());
    s.loadSettings();
    EXPECT_EQ(s.activeKeloes(), (QVariantMap{{"srv1", "Stage"}, {"srv2", "srv2"}}));
    EXPECT_EQ(s.keloList(), (QVariantList{QVariantMap{{"name", "srv1"}}}));
    const QVariantList layouts = s.settings().value("layouts").toList();
    ASSERT_EQ(layouts.size(), 2);
    EXPECT_EQ(layouts[0].toMap().value("breakouts"),
              QVariant(QVariantList{QVariant(QVariantList{})}));
    EXPECT_EQ(layouts[0].toMap().value("layout_settings").toMap().value("height"), "72");
    EXPECT_TRUE(layouts[1].toMap().contains("monitor"));
}

TEST_F(KeloRemoteSettingsTest, UnusableFileIsKeptAsBadAndFallbackUsed) {
    const QByteArray good =
        PropertyList::write(QVariantMap{{"layouts", QVariantList{}}}, PropertyList::Format::Xml);
    const QByteArray cases[] = {
        "not a plist at all",
        good.left(good.size() / 2),
        QByteArray("bplist00\xff\xff\x00\x01", 12),
        PropertyList::write(QVariantList{1, 2}, PropertyList::Format::Xml),
    };
    for (const QByteArray& bytes : cases) {
        writeFile(bytes);
        QFile::remove(path() + ".bad");
        KeloRemoteSettings s(path());
        s.loadSettings(QVariantMap{{"active_keloes", QVariantMap{{"old", "Old"}}}});
        EXPECT_EQ(s.activeKeloes().value("old"), "Old");
        QFile bad(path() + ".bad");
        ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
        EXPECT_EQ(bad.readAll(), bytes);
        ASSERT_TRUE(s.save());
        EXPECT_EQ(readBack().value("active_keloes").toMap().value("old"), "Old");
    }
}

TEST_F(KeloRemoteSettingsTest, HugeFileIsRefusedUnread) {
    writeFile({});
    ASSERT_TRUE(QFile::resize(path(), 100 * 1024 * 1024));
    KeloRemoteSettings s(path());
    s.loadSettings();
    EXPECT_EQ(s.settings().value("layouts").toList().size(), 1);
    EXPECT_EQ(QFileInfo(path() + ".bad").size(), 100 * 1024 * 1024);
}

TEST_F(KeloRemoteSettingsTest, FailedWriteLeavesOldFileAndReportsError) {
    writePlist({{"active_keloes", QVariantMap{{"a", "A"}}}});
    KeloRemoteSettings s(path());
    s.loadSettings();
    s.setActiveKeloes({});
    QFile::setPermissions(QFileInfo(path()).absolutePath(), QFile::ReadOwner | QFile::ExeOwner);
    QString error;
    const bool saved = s.save(&error);
    QFile::setPermissions(QFileInfo(path()).absolutePath(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (QFileInfo(path()).isWritable() && saved) GTEST_SKIP() << "running with root rights";
    EXPECT_FALSE(saved);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readBack().value("active_keloes").toMap().value("a"), "A");
}

}  // namespace

KELO_TEST_MAIN_CORE()
