#include "platform/PlistNode.h"

#include "support/TestMain.h"

#include <gtest/gtest.h>

namespace {

using Format = PropertyList::Format;

PlistNode::Ptr sample() {
    return PlistNode::fromVariant(QVariantMap{
        {"configurations",
         QVariantList{QVariantMap{{"name", "A"},
                                  {"screens", QVariantList{QVariantMap{{"ortho", qint64(1)}}}}}}},
        {"scale3D", 1.0},
        {"flag", true},
        {"blob", QByteArray("\x00\x01", 2)}});
}

// A dialog holding a screen and the document holding the same screen see
// each other's edits; a copy does not.
TEST(PlistNode, ContainersAreSharedAndFoundByIdentity) {
    const PlistNode::Ptr doc = sample();
    const PlistNode::Ptr configs = doc->value("configurations");
    const PlistNode::Ptr screens = configs->at(0)->value("screens");
    const PlistNode::Ptr screen = screens->at(0);
    const PlistNode::Ptr copy = doc->deepCopy();

    screen->setValue("name", QString("edited"));
    EXPECT_EQ(doc->value("configurations")->at(0)->value("screens")->at(0)->stringValue("name"),
              "edited");
    EXPECT_FALSE(copy->value("configurations")->at(0)->value("screens")->at(0)->contains("name"));
    EXPECT_FALSE(copy->equals(*doc));

    // An equal but different screen is not found; the screen itself is.
    const PlistNode::Ptr twin = screen->deepCopy();
    screens->append(twin);
    EXPECT_TRUE(twin->equals(*screen));
    EXPECT_EQ(screens->indexOf(screen.get()), 0);
    EXPECT_EQ(screens->indexOf(twin.get()), 1);
    EXPECT_EQ(screens->indexOf(copy.get()), -1);

    // A shallow copy is a new array of the same screens.
    const PlistNode::Ptr shallow = screens->shallowCopy();
    shallow->removeAt(0);
    EXPECT_EQ(screens->count(), 2);
    EXPECT_EQ(shallow->at(0), twin);
}

TEST(PlistNode, RoundTripsThroughEveryWrittenFormKeepingTypes) {
    const PlistNode::Ptr doc = sample();
    for (Format f : {Format::Xml, Format::Binary}) {
        QString error;
        const QByteArray bytes = doc->write(f, &error);
        ASSERT_FALSE(bytes.isEmpty()) << error.toStdString();
        const PlistNode::Ptr back = PlistNode::read(bytes, &error);
        ASSERT_TRUE(back) << error.toStdString();
        EXPECT_TRUE(back->equals(*doc));
        EXPECT_EQ(back->value("scale3D")->scalarValue().typeId(), QMetaType::Double);
        EXPECT_EQ(back->value("flag")->scalarValue().typeId(), QMetaType::Bool);
        EXPECT_EQ(back->toVariant(), doc->toVariant());
    }
}

TEST(PlistNode, BadInputIsRefusedWithAReason) {
    const struct {
        QByteArray data;
        bool containerRoot;
    } cases[] = {
        {"", true},
        {"<?xml version=\"1.0\"?><plist><dict><key>a</key>", true},
        {"bplist00\x01\x02", true},
        {"<?xml version=\"1.0\"?><plist><string>x</string></plist>", true},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(PlistNode::read(c.data, &error, c.containerRoot)) << c.data.constData();
        EXPECT_FALSE(error.isEmpty()) << c.data.constData();
    }
    EXPECT_TRUE(PlistNode::read("<?xml version=\"1.0\"?><plist><string>x</string></plist>", nullptr,
                                false));
    EXPECT_FALSE(PlistNode::fromVariant(QVariant::fromValue(QPointF(1, 2))));
}

// Documents store numbers as numbers or as their text, depending on who wrote
// them last; readers take either, and nothing else.
TEST(PlistNode, ScalarsReadAsNumbersWhetherStoredAsNumbersOrText) {
    const PlistNode::Ptr d = PlistNode::fromVariant(QVariantMap{{"text", "2.000000"},
                                                                {"real", 2.0},
                                                                {"int", qint64(-3)},
                                                                {"neg", " -7 "},
                                                                {"junk", "abc"},
                                                                {"huge", 1e300},
                                                                {"list", QVariantList{}}});
    EXPECT_EQ(d->doubleValue("text"), 2.0);
    EXPECT_EQ(d->doubleValue("real"), 2.0);
    EXPECT_EQ(d->integerValue("int"), -3);
    EXPECT_EQ(d->integerValue("neg"), -7);
    EXPECT_EQ(d->integerValue("junk", 42), 42);
    EXPECT_EQ(d->integerValue("huge"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(d->doubleValue("list", 5), 5);
    EXPECT_EQ(d->doubleValue("missing", 9), 9);
    EXPECT_EQ(d->stringValue("int"), "-3");
    EXPECT_TRUE(d->value("text")->isString());
    EXPECT_FALSE(d->value("real")->isString());
}

}  // namespace

KELO_TEST_MAIN()
