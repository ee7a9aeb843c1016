#include "platform/UserDefaults.h"
#include "platform/PropertyList.h"

#include "support/TestMain.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QVariantMap fileContents(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return PropertyList::read(f.readAll()).toMap();
}

TEST(UserDefaults, ValuesKeepTheirTypesThroughTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("prefs.plist");
    const QVariantMap values{
        {"ThrottlePercentage", qint64(75)},
        {"Contrast", 0.5},
        {"isAlwaysOnTop Main Window", true},
        {"isAlwaysOnTop In/Out", true},
        {"name", QString::fromUtf8("Bühne \u2713")},
        {"when", QDateTime(QDate(2024, 3, 1), QTime(10, 20, 30), Qt::UTC)},
        {"blob", QByteArray("\x00\x01", 2)},
        {"windowframe", QVariantList{1, 2.5, "x"}},
        {"nested", QVariantMap{{"a", QVariantMap{{"b", false}}}}},
    };
    {
        UserDefaults defaults(path);
        for (auto it = values.begin(); it != values.end(); ++it)
            defaults.setObject(it.key(), it.value());
        defaults.synchronize();
    }
    EXPECT_EQ(fileContents(path), values);
    UserDefaults again(path);
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QVariant v = again.object(it.key());
        EXPECT_EQ(v, it.value()) << qPrintable(it.key());
        const int want = it.value().typeId();
        EXPECT_EQ(v.typeId(), want) << qPrintable(it.key());
    }
    EXPECT_EQ(again.integer("ThrottlePercentage"), 75);
    EXPECT_TRUE(again.boolValue("isAlwaysOnTop Main Window"));
    EXPECT_EQ(again.doubleValue("Contrast"), 0.5);
}

TEST(UserDefaults, RegisteredDefaultsAnswerButAreNotWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("prefs.plist");
    {
        UserDefaults defaults(path);
        defaults.registerDefaults({{"TextBrightness", 0.8}, {"Contrast", 1.0}});
        EXPECT_TRUE(defaults.contains("TextBrightness"));
        EXPECT_EQ(defaults.doubleValue("TextBrightness"), 0.8);
        defaults.setObject("Contrast", 0.25);
        EXPECT_EQ(defaults.doubleValue("Contrast"), 0.25);
        defaults.synchronize();
    }
    EXPECT_EQ(fileContents(path), (QVariantMap{{"Contrast", 0.25}}));
    UserDefaults again(path);
    EXPECT_FALSE(again.contains("TextBrightness"));
    again.registerDefaults({{"Contrast", 1.0}});
    // A removed own value falls back to the registered one.
    again.setObject("Contrast", QVariant());
    EXPECT_EQ(again.doubleValue("Contrast"), 1.0);
    again.synchronize();
    EXPECT_EQ(fileContents(path), QVariantMap());
}

TEST(UserDefaults, NullRemovesAndStandardFollowsItsFile) {
    QTemporaryDir dir;
    UserDefaults::setStandardFile(dir.filePath("standard.plist"));
    UserDefaults& d = UserDefaults::standard();
    d.setObject("k", "v");
    d.setObject("", "ignored");
    EXPECT_EQ(d.string("k"), "v");
    d.setObject("k", QVariant());
    EXPECT_FALSE(d.contains("k"));
    d.setObject("k2", 3);
    d.remove("k2");
    EXPECT_FALSE(d.object("k2").isValid());
    EXPECT_EQ(d.filePath(), dir.filePath("standard.plist"));
}

TEST(UserDefaults, ADamagedFileIsNotTakenForValues) {
    QTemporaryDir dir;
    const QString path = dir.filePath("prefs.plist");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<?xml version=\"1.0\"?><plist><dict><key>a</key><integer>1");
    f.close();
    UserDefaults defaults(path);
    EXPECT_FALSE(defaults.contains("a"));
}

}  // namespace

KELO_TEST_MAIN_CORE()
