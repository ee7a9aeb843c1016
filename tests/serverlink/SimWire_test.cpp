// The simulated server's own readers and builders against byte tables, and
// against what the link makes of them: the two sides share no code.

#include "serverlink/KeloStatusRecords.h"
#include "serverlink/KlDataSender.h"
#include "support/ContentEditorSim.h"
#include "support/SimRequests.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

TEST(SimWire, LayerStatusBytes) {
    WireBuilders::LayerStatus s;
    s.level = 0xC8;
    s.mediaFolder = 2;
    s.mediaFile = 3;
    s.objectFile = 1;
    s.flags = 0x80;
    s.length = 0x1400;
    s.position = 0x0A80;
    s.inPoint = 0x10;
    s.outPoint = 0x1400;
    EXPECT_EQ(WireBuilders::layerStatus(s).toHex(),
              hex("c8000203000180 00 00001400 00000a80 00000010 00001400").toHex());
}

TEST(SimWire, GeneralStatusFieldsAtTheirOffsets) {
    WireBuilders::GeneralStatus g;
    g.flags = 0x81;
    g.usbStat = 1;
    g.universe = 0x0102;
    g.profile = 17;
    g.width = 1920;
    g.height = 1080;
    g.dmxSourceIp = 0x7F000001;
    g.fps = 60;
    g.timeCode = 0x01020304;
    g.expanded = 0xA2;
    g.layerCount = 8;
    g.vMajor = 4;
    g.vMinor = 2;
    g.groups[2] = 3;
    g.prefUpdates = 0x41;
    g.prefIncrType = 12;
    g.outputCount = 2;
    g.flexBlock = 1;
    g.layers.resize(2);
    g.layers[1].level = 0x7E;
    g.version = "4.2.0 sim";
    g.alias = QByteArray(70, 'a');  // longer than its field
    const QByteArray b = WireBuilders::generalStatus(g);
    ASSERT_EQ(b.size(), 456);
    const struct {
        int offset;
        const char* bytes;
    } table[] = {
        {0, "81010102110007800438 7f000001 0000 003c 0000 01020304 a2 08 0000 0402"},
        {34, "03 41 0c 02 00 01"},
        {40 + 24, "7e"},
        {376, "342e322e302073696d00"},
        {396, "61"},
        {455, "61"},
    };
    for (const auto& t : table) {
        const QByteArray want = hex(t.bytes);
        EXPECT_EQ(b.mid(t.offset, want.size()).toHex(), want.toHex()) << "offset " << t.offset;
    }
    // What the link reads out of the same bytes.
    kle_general_stat s;
    std::memcpy(&s, b.constData(), sizeof s);
    EXPECT_EQ(s.universe.value(), 0x0102);
    EXPECT_EQ(s.tc_value.value(), 0x01020304u);
    EXPECT_EQ(s.layercount, 8);
    EXPECT_EQ(s.flex_layer_stats[1].level, 0x7E);
    EXPECT_EQ(s.DMX_MasterCount, 2);
    EXPECT_STREQ(s.version, "4.2.0 sim");
}

TEST(SimWire, LayerDetailFieldsAtTheirOffsets) {
    WireBuilders::LayerDetail d;
    d.level = 9;
    d.width = 0x0780;
    d.codec = "avc1";
    d.position = 0x00000A00;
    d.fileFps = 25 << 8;
    d.fileMs = 2;
    d.clipName = "clip_01.mov";
    d.objectName = "quad";
    const QByteArray b = WireBuilders::layerDetail(d);
    ASSERT_EQ(b.size(), 192);
    EXPECT_EQ(b.mid(0, 1).toHex(), "09");
    EXPECT_EQ(b.mid(14, 8).toHex(), hex("07800000 61766331").toHex());
    EXPECT_EQ(b.mid(28, 4).toHex(), "00000a00");
    EXPECT_EQ(b.mid(44, 8).toHex(), "1900000000000002");
    EXPECT_EQ(b.mid(64, 12), QByteArray("clip_01.mov\0", 12));
    EXPECT_EQ(b.mid(128, 5), QByteArray("quad\0", 5));
}

TEST(SimWire, ContentItemDatagrams) {
    const std::vector<QByteArray> one = ContentEditorSim::contentItemDatagrams("a\vb");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].toHex(), hex("0016 4b6c455374617400 00 17 0000 0004 610b6200 0000").toHex());

    const QUuid id("{0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0}");
    const QByteArray text(70000, 'x');
    const std::vector<QByteArray> parts = ContentEditorSim::contentItemDatagrams(text, id);
    ASSERT_EQ(parts.size(), 2u);
    // First: flag 1 (little-endian), payload 24 + 64960, UUID, offset 0, total 70001.
    EXPECT_EQ(parts[0].left(40).toHex().toStdString(),
              hex("fdea 4b6c455374617400 00 17 0100 fdd8"
                  "0f1e2d3c4b5a69788796a5b4c3d2e1f0 00000000 71110100")
                  .toHex()
                  .toStdString());
    EXPECT_EQ(parts[1].mid(32, 4).toHex(), "c0fd0000");  // offset 64960
    EXPECT_EQ(parts[1].size(), 16 + 20 + 70001 - 64960 + 2);
    // The link's own fragmenter makes the same bytes.
    std::vector<QByteArray> product;
    uint8_t header[16] = {0, 14, 'K', 'l', 'E', 'S', 't', 'a', 't', 0, 0, 23, 0, 0, 0, 0};
    KlDataSender::send(
        header, text.constData(), uint32_t(text.size() + 1),
        [&](const uint8_t* d, size_t n) {
            product.emplace_back(reinterpret_cast<const char*>(d), qsizetype(n));
            return true;
        },
        id);
    EXPECT_EQ(product, parts);
}

TEST(SimWire, RequestReaders) {
    const QByteArray status = hex("000e 4b6c455374617400 00 0a 8002");
    EXPECT_EQ(SimRequests::serverMessageOp(status.constData(), size_t(status.size())), 10);
    EXPECT_EQ(SimRequests::requestWord(status.constData(), size_t(status.size())), 0x8002);
    const QByteArray noMagic = hex("000e 4b6c455374617458 00 0a 8002");
    EXPECT_FALSE(SimRequests::serverMessageOp(noMagic.constData(), size_t(noMagic.size())));
    EXPECT_FALSE(SimRequests::serverMessageOp(status.constData(), 11));

    const QByteArray set =
        hex("000e 4b6c455374617400 00 14 0000 0008") + QByteArray("alias\0B\0", 8);
    QByteArray key, value;
    size_t end = 0;
    ASSERT_TRUE(SimRequests::readText(set.constData(), size_t(set.size()), 16, &key, &end));
    ASSERT_TRUE(SimRequests::readText(set.constData(), size_t(set.size()), end, &value, nullptr));
    EXPECT_EQ(key, "alias");
    EXPECT_EQ(value, "B");
    EXPECT_FALSE(
        SimRequests::readText(set.constData(), size_t(set.size()) - 1, end, &value, nullptr));

    const QByteArray query = hex("000e 4b6c455374617400 00 16 0000 0005") + QByteArray("item\0", 5);
    ContentEditorSim editor;
    ASSERT_TRUE(editor.receive(query.constData(), size_t(query.size())));
    ASSERT_EQ(editor.messages().size(), 1u);
    EXPECT_EQ(editor.messages()[0].op, 22);
    EXPECT_EQ(editor.messages()[0].text, "item");
    const QByteArray lying = hex("000e 4b6c455374617400 00 16 0000 0050") + QByteArray("item\0", 5);
    EXPECT_FALSE(editor.receive(lying.constData(), size_t(lying.size())));
}

}  // namespace

KELO_TEST_MAIN()
