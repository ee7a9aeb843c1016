#include "foundation/KeyedArchive.h"

#include "LogTestSupport.h"
#include "platform/PropertyList.h"
#include "support/TestMain.h"

#include <QDateTime>
#include <QPoint>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

// What a copy of a projection item carries: nested containers and every
// scalar kind, which must come back with their kinds.
TEST(KeyedArchive, RoundTripsAPropertyListTree) {
    const QVariantMap item{
        {"name", QString("Screen 1 \u00e9")},
        {"id", qint64(-7)},
        {"gain", 0.25},
        {"on", true},
        {"made", QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC)},
        {"mesh", QByteArray("\0\1\2\xff", 4)},
        {"controls", QVariantList{QVariant(QVariantMap{{"x", qint64(1)}}), QVariant(QVariantList{}),
                                  QVariant(QString())}}};
    const QVariantMap copied{{"datatype", qint64(2)}, {"data", item}};
    const QByteArray data = archivedDataFromObject(copied);
    ASSERT_FALSE(data.isEmpty());
    const QVariant back = unarchivedObjectFromData(data);
    EXPECT_EQ(back, QVariant(copied));
    const QVariantMap backItem = back.toMap().value("data").toMap();
    EXPECT_EQ(backItem.value("id").typeId(), QMetaType::LongLong);
    EXPECT_EQ(backItem.value("gain").typeId(), QMetaType::Double);
    EXPECT_EQ(backItem.value("on").typeId(), QMetaType::Bool);
    // A bare scalar is a root too.
    EXPECT_EQ(unarchivedObjectFromData(archivedDataFromObject(QString("x"))), QVariant("x"));
}

TEST(KeyedArchive, ValuesWithoutAPropertyListFormAreNotArchived) {
    logtest::Capture out;
    EXPECT_TRUE(archivedDataFromObject(QVariant()).isEmpty());
    EXPECT_TRUE(archivedDataFromObject(QVariantMap{{"at", QPoint(1, 2)}}).isEmpty());
    const QByteArray text = out.text();
    EXPECT_TRUE(text.contains("Keyed archive: nothing to archive")) << text.constData();
    EXPECT_TRUE(text.contains("Keyed archive: cannot archive")) << text.constData();
}

QByteArray binary(const QVariant& top) {
    return PropertyList::write(top, PropertyList::Format::Binary);
}

// Payloads that are not this program's archive: each is refused with a line
// that says why, and nothing of it comes back.
TEST(KeyedArchive, PayloadsOfTheWrongShapeAreRefusedWithALogLine) {
    const QVariantMap good{{"$archiver", "KeloKeyedArchive"},
                           {"$version", qint64(1)},
                           {"root", QVariantMap{{"name", "a"}}}};
    ASSERT_TRUE(unarchivedObjectFromData(binary(good)).isValid());
    auto with = [&good](const QString& key, const QVariant& value) {
        QVariantMap m = good;
        if (value.isValid())
            m.insert(key, value);
        else
            m.remove(key);
        return binary(m);
    };
    QByteArray truncated = binary(good);
    truncated.chop(10);
    const struct {
        const char* label;
        QByteArray data;
        const char* why;
    } cases[] = {
        {"empty", QByteArray(), "not a binary property list"},
        {"text", QByteArray("{ root = x; }"), "not a binary property list"},
        {"xml of the right shape", PropertyList::write(good, PropertyList::Format::Xml),
         "not a binary property list"},
        {"truncated", truncated, "unreadable property list"},
        {"garbage after the magic", QByteArray("bplist00\xff\xff\xff\xff"),
         "unreadable property list"},
        {"array", binary(QVariantList{good}), "the top level is no dictionary"},
        {"string", binary(QString("KeloKeyedArchive")), "the top level is no dictionary"},
        {"no archiver", with("$archiver", QVariant()), "not made by this program"},
        {"other archiver", with("$archiver", "NSKeyedArchiver"), "not made by this program"},
        {"archiver as data", with("$archiver", QByteArray("KeloKeyedArchive")),
         "not made by this program"},
        {"later version", with("$version", qint64(2)), "unknown version"},
        {"version 0", with("$version", qint64(0)), "unknown version"},
        {"version as text", with("$version", "1"), "unknown version"},
        {"no root", with("root", QVariant()), "unexpected keys"},
        {"an extra key", with("$objects", QVariantList{}), "unexpected keys"},
    };
    // Each case in a flood window of its own: the same refusal three times
    // running would be held back as a flood.
    OmLogSetClock(logtest::fakeClock);
    logtest::setNow(logtest::kEpochStart);
    for (const auto& c : cases) {
        logtest::advanceSeconds(6);
        logtest::Capture out;
        EXPECT_FALSE(unarchivedObjectFromData(c.data).isValid()) << c.label;
        const QByteArray text = out.text();
        EXPECT_TRUE(text.contains(QByteArray("Keyed archive refused: ") + c.why))
            << c.label << ": " << text.constData();
    }
    OmLogSetClock(nullptr);
}

}  // namespace

KELO_TEST_MAIN()
