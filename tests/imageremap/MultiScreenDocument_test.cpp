#include "imageremap/MultiScreenDocument.h"

#include "foundation/VNSDataCategory.h"
#include "support/TestMain.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace {

PlistNode::Ptr screenWith(const QVariantMap& values) {
    return PlistNode::fromVariant(values);
}

TEST(MultiScreenDocument, NewDocumentHasItsFiveKeys) {
    const PlistNode::Ptr doc = MultiScreenDocument::newDocument();
    EXPECT_EQ(doc->keys(),
              (QStringList{"configurations", "posnGain", "scale3D", "texGain", "universes"}));
    EXPECT_EQ(doc->value("universes")->toVariant(), QVariant(QVariantList{"0"}));
    EXPECT_EQ(doc->value("configurations")->count(), 0);
    EXPECT_EQ(doc->value("scale3D")->scalarValue(), QVariant(1.0));
    // And it survives its own serialisation.
    const PlistNode::Ptr back = PlistNode::read(doc->write(PropertyList::Format::Xml));
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->equals(*doc));
    EXPECT_TRUE(MultiScreenDocument::validate(*doc));
}

TEST(MultiScreenDocument, VertexTextsReadAndWriteTheirShortestForm) {
    using V = MultiScreenVertex;
    const struct {
        const char* text;
        std::optional<V> vertex;
    } reads[] = {
        {"{10,20}", V{10, 20, 0, 10, 20}},
        {"{10,20,5}", V{10, 20, 5, 10, 20}},
        {"{10,20,0,1,2}", V{10, 20, 0, 1, 2}},
        {"{0.5,-1e2}", V{0.5f, -100, 0, 0.5f, -100}},
        {"{1}", std::nullopt},
        {"{1,2,3,4}", std::nullopt},
        {"{1,2,3,4,5,6}", std::nullopt},
        {"{1,2", std::nullopt},
        {"{1,2}x", std::nullopt},
        {"{nan,2}", std::nullopt},
        {"{1e99,2}", std::nullopt},
        {"1,2", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& r : reads)
        EXPECT_EQ(MultiScreenDocument::vertexFromString(r.text), r.vertex) << r.text;

    EXPECT_EQ(MultiScreenDocument::stringFromVertex({10, 20, 5, 10, 20}), "{10,20,5}");
    EXPECT_EQ(MultiScreenDocument::stringFromVertex({10, 20, 0, 1, 2}), "{10,20,0,1,2}");
    EXPECT_EQ(MultiScreenDocument::stringFromVertex({10, 20, 0, 10, 20}), "{10,20}");
    EXPECT_EQ(MultiScreenDocument::stringFromVertex({0.1f, 100, 0, 0.1f, 100}), "{0.1,100}");

    const PlistNode::Ptr screen =
        screenWith({{"vertices", QVariantList{"{1,2}", qint64(3), "{1,2,3,4}"}}});
    EXPECT_TRUE(MultiScreenDocument::vertexAt(*screen, 0));
    EXPECT_FALSE(MultiScreenDocument::vertexAt(*screen, 1)) << "not text";
    EXPECT_FALSE(MultiScreenDocument::vertexAt(*screen, 2));
    EXPECT_FALSE(MultiScreenDocument::vertexAt(*screen, 3)) << "no such row";
}

// Two configurations, the second with three screens and the last screen with
// two controls; a second pass changes nothing.
TEST(MultiScreenDocument, IdentifiersFollowPositions) {
    const PlistNode::Ptr doc = MultiScreenDocument::newDocument();
    const PlistNode::Ptr configs = doc->value("configurations");
    configs->append(PlistNode::fromVariant(QVariantMap{{"UID", "[7]"}}));
    configs->append(PlistNode::fromVariant(QVariantMap{
        {"screens",
         QVariantList{QVariantMap{}, QVariantMap{},
                      QVariantMap{{"controls", QVariantList{QVariantMap{}, QVariantMap{}}}}}}}));
    EXPECT_TRUE(MultiScreenDocument::assignUIDs(*doc));
    QStringList uids;
    for (const PlistNode::Ptr& c : configs->items()) {
        uids << c->stringValue("UID");
        if (const PlistNode::Ptr screens = c->value("screens"))
            for (const PlistNode::Ptr& s : screens->items()) {
                uids << s->stringValue("UID");
                if (const PlistNode::Ptr controls = s->value("controls"))
                    for (const PlistNode::Ptr& k : controls->items()) uids << k->stringValue("UID");
            }
    }
    EXPECT_EQ(uids, (QStringList{"[0]", "[1]", "[1.0]", "[1.1]", "[1.2]", "[1.2.0]", "[1.2.1]"}));
    EXPECT_FALSE(MultiScreenDocument::assignUIDs(*doc));

    const PlistNode::Ptr control =
        configs->at(1)->value("screens")->at(2)->value("controls")->at(1);
    const MultiScreenLocation where = MultiScreenDocument::locate(*doc, control.get());
    EXPECT_EQ(where.configuration, 1);
    EXPECT_EQ(where.screen, 2);
    EXPECT_EQ(where.control, 1);
    EXPECT_EQ(MultiScreenDocument::locate(*doc, control->deepCopy().get()).configuration, -1);
}

TEST(MultiScreenDocument, GainsAndGeometryTextsReadWhateverFormTheyHave) {
    const PlistNode::Ptr doc = PlistNode::fromVariant(
        QVariantMap{{"texGain", "2.000000"}, {"posnGain", 2.0}, {"scale3D", 0.0}});
    EXPECT_EQ(MultiScreenDocument::gain(*doc, "texGain"), 2.0);
    EXPECT_EQ(MultiScreenDocument::gain(*doc, "posnGain"), 2.0);
    EXPECT_EQ(MultiScreenDocument::gain(*doc, "scale3D"), 1.0) << "0 counts as 1";
    EXPECT_EQ(MultiScreenDocument::gain(*doc, "missing"), 1.0);

    auto node = [](const QVariant& v) { return PlistNode::scalar(v); };
    EXPECT_EQ(MultiScreenDocument::rectFromNode(node("{{1, 2}, {30, 40}}")), QRectF(1, 2, 30, 40));
    EXPECT_EQ(MultiScreenDocument::rectFromNode(node("{{-1.5, 2}}")), QRectF(-1.5, 2, 0, 0));
    EXPECT_EQ(MultiScreenDocument::rectFromNode(node(qint64(5))), QRectF());
    EXPECT_EQ(MultiScreenDocument::sizeFromNode(node("{720, 480}")), QSizeF(720, 480));
    EXPECT_EQ(MultiScreenDocument::stringFromRect(QRectF(0, 0, 100, 100)), "{{0, 0}, {100, 100}}");
    EXPECT_EQ(MultiScreenDocument::stringFromSize(QSizeF(720, 480)), "{720, 480}");

    EXPECT_EQ(preventLargeTexSizeCrash(QSizeF(20000, 100)), QSizeF(16384, 100));
    EXPECT_TRUE(checkForSizeBeyondLimit(QSizeF(100, 16385), 16384));
    EXPECT_FALSE(checkForSizeBeyondLimit(QSizeF(16384, 16384), 16384));
}

// The whole-document form: the outer 4-byte length is that of the
// once-compressed data, and undoing both gives the XML property list back.
TEST(MultiScreenDocument, KitchenSinkIsTheXmlCompressedTwice) {
    const PlistNode::Ptr doc = MultiScreenDocument::newDocument();
    const std::optional<QByteArray> sink = MultiScreenDocument::kitchenSink(*doc);
    ASSERT_TRUE(sink);
    const std::optional<QByteArray> once = decompress(*sink);
    ASSERT_TRUE(once);
    EXPECT_EQ(qFromLittleEndian<quint32>(sink->constData()), quint32(once->size()));
    const std::optional<QByteArray> xml = decompress(*once);
    ASSERT_TRUE(xml);
    EXPECT_TRUE(xml->startsWith("<?xml"));
    EXPECT_TRUE(PlistNode::read(*xml)->equals(*doc));
    EXPECT_TRUE(MultiScreenDocument::readKitchenSink(*sink)->equals(*doc));
}

TEST(MultiScreenDocument, DamagedKitchenSinksAreRefused) {
    const QByteArray xml = MultiScreenDocument::newDocument()->write(PropertyList::Format::Xml);
    QByteArray lying = compress(xml);
    qToLittleEndian<quint32>(quint32(xml.size() - 10), lying.data());  // inflates past its prefix
    QByteArray bomb = compress(QByteArray(4 << 20, 'a'));              // 4 MB of nothing
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"empty", {}},
        {"short", QByteArray("\x05\0\0\0", 4)},
        {"once only", compress(xml)},
        {"inner lies about its length", compress(lying)},
        {"inflates beyond the limit", compress(bomb)},
        {"not a plist", compress(compress("hello"))},
        {"root not a dictionary",
         compress(compress(PropertyList::write(QVariantList{1}, PropertyList::Format::Xml)))},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(MultiScreenDocument::readKitchenSink(c.data, &error, 1 << 20)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
    }
}

TEST(MultiScreenDocument, ValidationNamesTheFirstBadValue) {
    auto docWithScreen = [](const QVariantMap& screen) {
        return PlistNode::fromVariant(QVariantMap{
            {"configurations", QVariantList{QVariantMap{{"texSize", "{720, 480}"},
                                                        {"screens", QVariantList{screen}}}}},
            {"universes", QVariantList{"0", qint64(3)}}});
    };
    const QVariantMap control{{"universe", "-1"}, {"address", qint64(10)}, {"scale", "0.5"}};
    EXPECT_TRUE(MultiScreenDocument::validate(
        *docWithScreen({{"activeRect", "{{0, 0}, {10, 10}}"},
                        {"vertices", QVariantList{"{1,2}", "{1,2,3}"}},
                        {"controls", QVariantList{control}}})));

    const struct {
        const char* name;
        QVariantMap screen;
        const char* expected;
    } bad[] = {
        {"rect not text", {{"activeRect", qint64(4)}}, "activeRect"},
        {"vertex of four numbers", {{"vertices", QVariantList{"{1,2,3,4}"}}}, "vertex 0"},
        {"vertices not an array", {{"vertices", "{1,2}"}}, "vertices"},
        {"controls a dictionary", {{"controls", QVariantMap{}}}, "controls"},
        {"address text", {{"controls", QVariantList{QVariantMap{{"address", "ten"}}}}}, "address"},
        {"address negative",
         {{"controls", QVariantList{QVariantMap{{"address", qint64(-1)}}}}},
         "address"},
        {"universe below -1",
         {{"controls", QVariantList{QVariantMap{{"universe", qint64(-2)}}}}},
         "universe"},
        {"stride huge",
         {{"controls", QVariantList{QVariantMap{{"layerstride", qint64(1) << 40}}}}},
         "layerstride"},
    };
    for (const auto& b : bad) {
        QString error;
        EXPECT_FALSE(MultiScreenDocument::validate(*docWithScreen(b.screen), &error)) << b.name;
        EXPECT_TRUE(error.contains(b.expected)) << b.name << ": " << error.toStdString();
    }
    QString error;
    EXPECT_FALSE(MultiScreenDocument::validate(
        *PlistNode::fromVariant(QVariantMap{{"configurations", "3"}}), &error));
    EXPECT_FALSE(MultiScreenDocument::validate(
        *PlistNode::fromVariant(QVariantMap{{"universes", QVariantList{"x"}}}), &error));
}

}  // namespace

KELO_TEST_MAIN()
