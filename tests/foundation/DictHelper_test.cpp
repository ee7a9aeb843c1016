#include "foundation/DictHelper.h"
#include "foundation/ConvertToPropertyList.h"
#include "foundation/VNSDictionaryCategory.h"
#include "foundation/VNSMutableArrayCategory.h"
#include "platform/UserDefaults.h"

#include "support/TestMain.h"

#include <QDateTime>
#include <QPoint>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class MirroringHelper : public DictHelper {
public:
    QVariant layer;
    QStringList calls;

protected:
    QString className() const override { return QStringLiteral("MirroringHelper"); }
    void setMirroredProperty(const QString& key, const QVariant& value) override {
        calls << key;
        if (key == "layer") layer = value;
    }
};

TEST(SafeSet, SetsRemovesOrIgnores) {
    QVariantMap d{{"a", 1}};
    safeSet(d, 2, "b");
    safeSet(d, 3, QString());
    EXPECT_EQ(d, (QVariantMap{{"a", 1}, {"b", 2}}));
    safeSet(d, QVariant(), "a");
    EXPECT_EQ(d, (QVariantMap{{"b", 2}}));

    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath("defaults.plist"));
    safeSet(defaults, 5, "k");
    EXPECT_EQ(defaults.integer("k"), 5);
    setValue(defaults, QVariant(), "k");
    EXPECT_FALSE(defaults.contains("k"));
}

TEST(DeepCopy, CopiesPropertyListsAndRefusesOtherValues) {
    const QVariantMap source{{"n", int(3)}, {"l", QVariantList{QVariantMap{{"x", 1.5}}}}};
    const auto copy = mutableCopyDeepPropertyList(source);
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(*copy, source);
    EXPECT_EQ((*copy)["n"].typeId(), QMetaType::LongLong);
    EXPECT_EQ(mutableCopyDeepPropertyList(QVariantList{"a", QByteArray("b")}),
              (QVariantList{"a", QByteArray("b")}));
    EXPECT_FALSE(mutableCopyDeepPropertyList(QVariantMap{{"p", QPoint(1, 2)}}).has_value());
    EXPECT_FALSE(mutableCopyFromPlist(QVariantList{QVariant()}).isValid());
}

TEST(MoveOrInsert, FollowsTheReference) {
    using List = QList<QString>;
    struct Case {
        List before;
        QString object;
        std::optional<QString> reference;
        List after;
    } cases[] = {
        {{"a", "b"}, "c", std::nullopt, {"a", "b", "c"}},
        {{"a", "b"}, "a", std::nullopt, {"a", "b", "a"}},
        {{"a", "b"}, "b", "b", {"a", "b"}},
        {{"a", "b"}, "c", "c", {"a", "b", "c"}},
        {{"a", "b", "c"}, "c", "a", {"c", "a", "b"}},
        {{"c", "a", "c", "b"}, "c", "b", {"a", "c", "b"}},
        {{"a", "b"}, "a", "zz", {"b", "a"}},
        {{"a", "b"}, "x", "b", {"a", "x", "b"}},
    };
    for (Case& c : cases) {
        moveOrInsertObject(c.before, c.object, c.reference);
        EXPECT_EQ(c.before, c.after) << qPrintable(c.object);
    }
}

TEST(DictHelper, StoresReadsAndMirrorsDottedKeys) {
    MirroringHelper h;
    EXPECT_EQ(h.dict(), nullptr);
    EXPECT_EQ(h.count(), 0);
    h.setValue(7, "plain");
    ASSERT_NE(h.dict(), nullptr);
    EXPECT_EQ(h.valueForKey("plain"), 7);
    // Leading dots are stripped one by one for lookups...
    EXPECT_EQ(h.valueForKey("..plain"), 7);
    EXPECT_TRUE(h.calls.isEmpty());

    // ...and a dotted store also reaches the subclass, under the key without its dot.
    h.setObject("L1", ".layer");
    EXPECT_EQ(h.layer, "L1");
    EXPECT_EQ(h.objectForKey(".layer"), "L1");
    EXPECT_EQ(h.keyEnumerator(), (QStringList{".layer", "plain"}));
    h.setNilValueForKey(".layer");
    EXPECT_FALSE(h.layer.isValid());
    EXPECT_FALSE(h.contains(".layer"));
    EXPECT_EQ(h.calls, (QStringList{"layer", "layer"}));

    h.setValue(QVariant(), "plain");
    EXPECT_EQ(h.count(), 0);
    h.setValue("x y", "k");
    EXPECT_TRUE(h.description().startsWith("MirroringHelper {")) << qPrintable(h.description());
    EXPECT_TRUE(h.description().contains("k = \"x y\";")) << qPrintable(h.description());
    h.setValue(QDateTime::currentDateTimeUtc(), "when");
    EXPECT_TRUE(h.description().startsWith("MirroringHelper ")) << qPrintable(h.description());
}

TEST(CopyToPropertyList, ReplacesHelpersAndNestedContainers) {
    auto helper = std::make_shared<DictHelper>();
    helper->setValue(
        QVariantList{1, QVariant::fromValue(DictHelperPtr(std::make_shared<DictHelper>()))},
        "inner");
    const QVariant wrapped = QVariant::fromValue(DictHelperPtr(helper));
    const QVariantMap source{
        {"h", wrapped}, {"list", QVariantList{wrapped, wrapped}}, {"s", "keep"}};

    const QVariantMap plain = copyToPropertyList(source);
    const QVariantMap expectedHelper{{"inner", QVariantList{1, QVariantMap()}}};
    EXPECT_EQ(plain["h"].typeId(), QMetaType::QVariantMap);
    EXPECT_EQ(plain["h"].toMap(), expectedHelper);
    EXPECT_EQ(plain["list"], QVariant(QVariantList{expectedHelper, expectedHelper}));
    EXPECT_EQ(plain["s"], "keep");
    // The result is a plain property list: it can be written.
    EXPECT_TRUE(mutableCopyFromPlist(plain).isValid());

    EXPECT_EQ(recursiveCopyToPropertyList(wrapped), QVariant(expectedHelper));
    EXPECT_FALSE(recursiveCopyToPropertyList("scalar").isValid());
    EXPECT_EQ(copyToPropertyList(QVariantList{wrapped, 2}), (QVariantList{expectedHelper, 2}));
}

}  // namespace

KELO_TEST_MAIN_CORE()
