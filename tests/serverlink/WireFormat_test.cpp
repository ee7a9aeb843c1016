#include "serverlink/BftpBeacon.h"
#include "serverlink/CitpMessage.h"
#include "serverlink/KlECMessage.h"
#include "serverlink/KlEStatMessage.h"
#include "serverlink/StatusReplyWalker.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace WireBuilders;

namespace {

const QByteArray kMagic("KlEStat", 8);

QByteArray hex(const char* h) {
    return QByteArray::fromHex(h);
}

// Header bytes 0-13 as a server message carries them.
QByteArray head(const char* lengthHex, uint8_t op, const char* flagsHex) {
    return hex(lengthHex) + kMagic + QByteArray(1, '\0') + QByteArray(1, char(op)) + hex(flagsHex);
}

std::vector<StatusRecord> walk(const QByteArray& d, bool* malformed = nullptr) {
    std::vector<StatusRecord> out;
    StatusReplyWalker w(d.constData(), size_t(d.size()));
    StatusRecord r;
    while (w.next(&r)) out.push_back(r);
    EXPECT_FALSE(w.next(&r)) << "a finished walk stays finished";
    if (malformed) *malformed = w.malformed();
    return out;
}

TEST(WireFormat, BuiltDatagramsByteForByte) {
    // Every byte of the header is written, whatever the memory held.
    const auto filled = [](uint8_t op, const KlReqV4* request) {
        kle_v3_statreq h;
        std::memset(&h, 0xAA, sizeof h);
        initStatusRequest(&h, op, request);
        return QByteArray(reinterpret_cast<const char*>(&h), sizeof h);
    };
    const KlReqV4 mix{0x2000, 2, 0};
    struct Case {
        const char* what;
        QByteArray built;
        QByteArray expected;
    };
    const Case cases[] = {
        {"status request, layer detail word", KlEStatMessage::statusRequest(0x8001),
         head("000e", 10, "8001")},
        {"status request, plain status", KlEStatMessage::statusRequest(KlReqV4{1, 7, 9}),
         head("000e", 10, "0001")},
        {"status request, packed", KlEStatMessage::statusRequest(KlReqV4{2, 0x505, 0}),
         head("000e", 10, "0505")},
        {"status request, output with options",
         KlEStatMessage::statusRequest(KlReqV4{0x4000, 3, 0x400}), head("000e", 10, "4403")},
        {"header filled for a mix picture", filled(10, &mix), head("000e", 10, "2002")},
        {"header filled without a request", filled(10, nullptr), head("000e", 10, "0000")},
        {"preference dictionary request", KlEStatMessage::prefsDictRequest(),
         head("000e", 16, "0000")},
        {"get preference: length is the whole datagram", KlEStatMessage::getPrefRequest("ab"),
         head("0013", 18, "0000") + hex("0003") + QByteArray("ab\0", 3)},
        {"set preference: length field 14, flags carried",
         KlEStatMessage::setPrefRequest("k", "v", 0xFE),
         head("000e", 20, "00fe") + hex("0004") + QByteArray("k\0v\0", 4)},
        {"set preference, empty value", KlEStatMessage::setPrefRequest("alias", "", 0),
         head("000e", 20, "0000") + hex("0007") + QByteArray("alias\0\0", 7)},
        {"remote command: high bits in bytes 12-13", KlEStatMessage::remoteCommand(0x1F2),
         head("000e", 0xF2, "0001")},
        {"remote command with data: data from byte 12",
         KlEStatMessage::remoteCommandWithData(239, hex("010203")),
         hex("000f") + kMagic + hex("00ef010203")},
        {"daemon command", KlECMessage::command(0x41424344),
         QByteArray("KlEC") + hex("0c000000") + hex("41424344")},
        {"daemon command with a one-character text",
         KlECMessage::commandWithData(0x52455354, QByteArray("x\0", 2)),
         QByteArray("KlEC") + hex("12000000") + hex("52455354") + hex("00000002") +
             QByteArray("x\0", 2)},
        {"collection assignment", KlECMessage::collectionAssignment(7),
         QByteArray("KlEC") + hex("0d000000") + QByteArray("COLL") + hex("07")},
    };
    for (const Case& c : cases) EXPECT_EQ(c.built.toHex(' '), c.expected.toHex(' ')) << c.what;
}

TEST(WireFormat, ManagerBeacon) {
    const QByteArray b = BftpBeacon::managerBeacon(200, "studio mgr");
    QByteArray expected(175, '\0');
    expected.replace(0, 4, "BFTP");
    expected.replace(24, 4, hex("00000001"));
    expected.replace(32, 4, "BFTM");
    expected[62] = char(200);
    expected.replace(63, 10, "studio mgr");
    EXPECT_EQ(b.toHex(), expected.toHex());

    // The identity always keeps a NUL within its field, and a NUL inside it
    // ends it.
    const QByteArray longIdentity = BftpBeacon::managerBeacon(1, QByteArray(300, 'm'));
    ASSERT_EQ(longIdentity.size(), 175);
    EXPECT_EQ(longIdentity.mid(63, 111), QByteArray(111, 'm'));
    EXPECT_EQ(longIdentity[174], '\0');
    EXPECT_EQ(BftpBeacon::managerBeacon(1, QByteArray("ab\0cd", 5)).mid(63, 4),
              QByteArray("ab\0\0", 4));
}

TEST(WireFormat, BuildersRefuseWhatCannotBeSent) {
    EXPECT_EQ(KlEStatMessage::getPrefRequest(QByteArray(239, 'k')).size(), 256);
    EXPECT_TRUE(KlEStatMessage::getPrefRequest(QByteArray(240, 'k')).isEmpty());

    // A set-preference datagram's sizes are 16-bit; the largest UDP datagram is
    // the limit rather than a wrapped length.
    EXPECT_EQ(KlEStatMessage::setPrefRequest("k", QByteArray(65488, 'v'), 0).size(), 65507);
    EXPECT_TRUE(KlEStatMessage::setPrefRequest("k", QByteArray(65489, 'v'), 0).isEmpty());
    EXPECT_TRUE(KlEStatMessage::setPrefRequest("k", QByteArray(70000, 'v'), 0).isEmpty());
    EXPECT_EQ(KlEStatMessage::remoteCommandWithData(1, QByteArray(65495, 'd')).size(), 65507);
    EXPECT_TRUE(KlEStatMessage::remoteCommandWithData(1, QByteArray(65496, 'd')).isEmpty());
    EXPECT_EQ(KlECMessage::commandWithData(1, QByteArray(65491, 'd')).size(), 65507);
    EXPECT_TRUE(KlECMessage::commandWithData(1, QByteArray(65492, 'd')).isEmpty());
}

TEST(WireFormat, AcceptanceFilter) {
    QByteArray bftp = QByteArray("BFTP") + QByteArray(28, '\0');
    QByteArray citp = QByteArray("CITP") + QByteArray(12, '\0');
    struct Case {
        const char* what;
        QByteArray datagram;
        KlDatagramKind kind;
    };
    const Case cases[] = {
        {"transfer beacon", bftp + "BFTT", KlDatagramKind::BftpBeacon},
        {"manager beacon", bftp + "BFTM", KlDatagramKind::BftpBeacon},
        {"other BFTP message", bftp + "BFTX", KlDatagramKind::Dropped},
        {"BFTP cut before its sub-magic ends", bftp + "BFT", KlDatagramKind::Dropped},
        {"CITP presence", citp + "PINFPLoc", KlDatagramKind::CitpPresence},
        {"other CITP message", citp + "PINFPNam", KlDatagramKind::Dropped},
        {"CITP cut short", citp + "PINFPLo", KlDatagramKind::Dropped},
        {"server message, magic only", hex("000e") + kMagic, KlDatagramKind::ServerMessage},
        {"server message", head("000e", 11, "0000"), KlDatagramKind::ServerMessage},
        {"magic without its NUL", hex("000e") + QByteArray("KlEStatX"), KlDatagramKind::Dropped},
        {"magic cut short", hex("000e") + QByteArray("KlEStat"), KlDatagramKind::Dropped},
        {"empty", QByteArray(), KlDatagramKind::Dropped},
        {"noise", QByteArray(64, 'x'), KlDatagramKind::Dropped},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KlEStatMessage::acceptDatagram(c.datagram.constData(), size_t(c.datagram.size())),
                  c.kind)
            << c.what;
    }
}

TEST(WireFormat, RecordClassification) {
    using K = StatusRecord::Kind;
    struct Case {
        uint16_t word;
        K kind;
        KlReqV4 request;
        int layer;
    };
    const Case cases[] = {
        {0x8801, K::LayerDetail, {0x8000, 1, 0x800}, 0},
        {0x8820, K::LayerDetail, {0x8000, 0x20, 0x800}, 31},
        {0x8001, K::PreviewImage, {0x8000, 1, 0}, -1},
        {0x8800, K::GeneralStatus, {0x8000, 0, 0x800}, -1},  // layer detail needs num >= 1
        {0x4800, K::GeneralStatus, {0x4000, 0, 0x800}, -1},
        {0x4000, K::PreviewImage, {0x4000, 0, 0}, -1},
        {0x2405, K::PreviewImage, {0x2000, 5, 0x400}, -1},
        {0x2C05, K::GeneralStatus, {0x2000, 5, 0xC00}, -1},
        {0x0001, K::GeneralStatus, {2, 1, 0}, -1},
        {0x0002, K::GeneralStatus, {2, 2, 0}, -1},
        {0x0003, K::LayerDetail, {2, 3, 0}, 0},
        {0x000F, K::LayerDetail, {2, 0xF, 0}, 12},
        {0x0100, K::PreviewImage, {2, 0x100, 0}, -1},
        {0x0505, K::PreviewImage, {2, 0x505, 0}, -1},
        {0x0000, K::Unreported, {2, 0, 0}, -1},
        {0x0010, K::Unreported, {2, 0x10, 0}, -1},
    };
    for (const Case& c : cases) {
        const StatusRecord r = StatusRecord::classify(c.word);
        EXPECT_EQ(r.kind, c.kind) << std::hex << c.word;
        EXPECT_EQ(r.request, c.request) << std::hex << c.word;
        EXPECT_EQ(r.layer, c.layer) << std::hex << c.word;
    }
}

TEST(WireFormat, WalkYieldsEachRecordWithItsBytes) {
    const QByteArray general(456, 'g');
    const QByteArray detail(192, 'd');
    const QByteArray reply =
        statusReply({statusRecord(0x0000, "xxxx"),  // logged and skipped
                     statusRecord(0x0001, general), statusRecord(0x8801, detail),
                     previewRecord(0x8001, 320, 180, 1920, 1080, "JPEGDATA")});
    const auto records = walk(reply);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].kind, StatusRecord::GeneralStatus);
    EXPECT_EQ(QByteArray(records[0].body, qsizetype(records[0].bodySize)), general);
    EXPECT_EQ(records[1].kind, StatusRecord::LayerDetail);
    EXPECT_EQ(records[1].layer, 0);
    EXPECT_EQ(QByteArray(records[1].body, qsizetype(records[1].bodySize)), detail);
    const StatusRecord& p = records[2];
    EXPECT_EQ(p.kind, StatusRecord::PreviewImage);
    EXPECT_EQ(p.request, (KlReqV4{0x8000, 1, 0}));
    EXPECT_EQ(p.imageWidth, 320);
    EXPECT_EQ(p.imageHeight, 180);
    EXPECT_EQ(p.originalWidth, 1920);
    EXPECT_EQ(p.originalHeight, 1080);
    EXPECT_EQ(QByteArray(p.jpeg, qsizetype(p.jpegSize)), "JPEGDATA");

    // A record may carry bytes after its JPEG; the next record still follows
    // the record length.
    QByteArray padded = previewRecord(0x4000, 2, 2, 2, 2, "AB123", 2);
    const auto two = walk(statusReply({padded, statusRecord(0x0002, general)}));
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(QByteArray(two[0].jpeg, qsizetype(two[0].jpegSize)), "AB");
    EXPECT_EQ(two[1].kind, StatusRecord::GeneralStatus);
}

TEST(WireFormat, WalkEndsCleanly) {
    const QByteArray detail(192, 'd');
    struct Case {
        const char* what;
        QByteArray reply;
        size_t records;
    };
    const Case cases[] = {
        {"first record length 0",
         statusReply({statusRecord(0x0003, detail)}).left(14) + hex("0000") +
             statusRecord(0x0003, detail),
         0},
        {"header only", serverHeader(11), 0},
        {"shorter than the header", serverHeader(11).left(12), 0},
        {"no terminating zero", statusReply({statusRecord(0x0003, detail)}, false), 1},
        {"one stray byte after the records",
         statusReply({statusRecord(0x0003, detail)}, false) + hex("07"), 1},
    };
    for (const Case& c : cases) {
        bool malformed = true;
        EXPECT_EQ(walk(c.reply, &malformed).size(), c.records) << c.what;
        EXPECT_FALSE(malformed) << c.what;
    }
}

TEST(WireFormat, WalkStopsAtALyingRecordKeepingEarlierOnes) {
    const QByteArray detail = statusRecord(0x8801, QByteArray(192, 'd'));
    struct Case {
        const char* what;
        QByteArray bad;
        bool last;  // the lie only shows at the end of the datagram
    };
    const Case cases[] = {
        {"general status of 459 bytes", statusRecord(0x0001, QByteArray(455, 'g')), false},
        {"general status of 461 bytes", statusRecord(0x0001, QByteArray(457, 'g')), false},
        {"layer detail of general status length", statusRecord(0x0003, QByteArray(456, 'd')),
         false},
        {"record length past the datagram", statusRecord(0x0001, QByteArray(40, 'g'), 460), false},
        {"record length one past the datagram", statusRecord(0x8801, QByteArray(191, 'd'), 196),
         true},
        {"record length below its head", statusRecord(0x0001, "", 2), false},
        {"record length 1", hex("0001"), false},
        {"head cut off", hex("001080"), true},
        {"preview data past its record", previewRecord(0x8001, 1, 1, 1, 1, "abc", 4), false},
        {"preview data claims the whole datagram", previewRecord(0x8001, 1, 1, 1, 1, "abc", 0xFFFF),
         false},
        {"preview record without its fields", statusRecord(0x8001, "123456"), false},
    };
    for (const Case& c : cases) {
        bool malformed = false;
        // Nothing after the lie is read, not even a good record.
        const QByteArray reply = c.last ? statusReply({detail, c.bad}, false)
                                        : statusReply({detail, c.bad, detail}, false);
        const auto records = walk(reply, &malformed);
        ASSERT_EQ(records.size(), 1u) << c.what;
        EXPECT_EQ(records[0].kind, StatusRecord::LayerDetail) << c.what;
        EXPECT_TRUE(malformed) << c.what;
    }
}

TEST(WireFormat, ServerMessageReaders) {
    EXPECT_EQ(KlEStatMessage::op(head("000e", 17, "0000").constData(), 12), 17);
    EXPECT_EQ(KlEStatMessage::op(head("000e", 17, "0000").constData(), 11), -1);

    struct PrefsCase {
        const char* what;
        QByteArray datagram;
        bool ok;
        QByteArray text;
    };
    const PrefsCase prefs[] = {
        {"text and NUL", serverMessage(17, 0, QByteArray("<dict/>\0", 8)), true, "<dict/>"},
        {"text without NUL", serverMessage(17, 0, "<dict/>"), true, "<dict/>"},
        {"payload length shorter than the text", serverMessage(17, 0, "<dict/>", 3), true, "<di"},
        {"empty payload", serverMessage(17, 0, ""), true, ""},
        {"payload length past the datagram", serverMessage(17, 0, "<dict/>", 8), false, ""},
        {"no payload length", serverHeader(17) + hex("00"), false, ""},
    };
    for (const PrefsCase& c : prefs) {
        QByteArray text("untouched");
        EXPECT_EQ(
            KlEStatMessage::readPrefsDict(c.datagram.constData(), size_t(c.datagram.size()), &text),
            c.ok)
            << c.what;
        if (c.ok) {
            EXPECT_EQ(text, c.text) << c.what;
        }
    }

    struct PrefCase {
        const char* what;
        QByteArray payload;
        bool ok;
    };
    const PrefCase onePref[] = {
        {"key and value",
         QByteArray("level\0"
                    "42\0",
                    9),
         true},
        {"value without NUL",
         QByteArray("level\0"
                    "42",
                    8),
         false},
        {"key without NUL", QByteArray("level"), false},
        {"nothing", QByteArray(), false},
    };
    for (const PrefCase& c : onePref) {
        const QByteArray d = serverMessage(19, 0, c.payload);
        QByteArray key, value;
        EXPECT_EQ(KlEStatMessage::readOnePref(d.constData(), size_t(d.size()), &key, &value), c.ok)
            << c.what;
        if (c.ok) {
            EXPECT_EQ(key, "level");
            EXPECT_EQ(value, "42");
        }
    }
}

TEST(WireFormat, ContentItemData) {
    struct Case {
        const char* what;
        QByteArray datagram;
        bool ok;
        bool fragment;
        QByteArray bytes;
    };
    const QByteArray fragmentPayload = QByteArray(24, 'u') + "chunk";
    const Case cases[] = {
        {"plain text", serverMessage(23, 0, QByteArray("a\vb\0\0", 5)), true, false, "a\vb"},
        // 01 00 is the sender's little-endian 1; 00 01 is not the flag.
        {"fragment flag", serverMessage(23, 0x0100, fragmentPayload), true, true, fragmentPayload},
        {"flag written big-endian", serverMessage(23, 0x0001, QByteArray("t\0", 2)), true, false,
         "t"},
        {"fragment payload past the datagram", serverMessage(23, 0x0100, fragmentPayload, 30),
         false, true, ""},
        {"text without NUL", serverMessage(23, 0, "abc"), false, false, ""},
        {"no payload", serverHeader(23), false, false, ""},
    };
    for (const Case& c : cases) {
        bool fragment = false;
        QByteArray bytes;
        EXPECT_EQ(KlEStatMessage::readContentItem(c.datagram.constData(), size_t(c.datagram.size()),
                                                  &fragment, &bytes),
                  c.ok)
            << c.what;
        if (!c.ok) continue;
        EXPECT_EQ(fragment, c.fragment) << c.what;
        EXPECT_EQ(bytes, c.bytes) << c.what;
    }
}

TEST(WireFormat, CitpPresence) {
    struct Case {
        const char* what;
        QByteArray datagram;
        bool ok;
        bool running;
    };
    const QByteArray good = citpPLoc(0x1234, "MediaServer", "Kelo Stage Left", "Running");
    const Case cases[] = {
        {"running server", good, true, true},
        {"stopped server", citpPLoc(80, "MediaServer", "Kelo", "Stopped"), true, false},
        {"empty state", citpPLoc(80, "MediaServer", "Kelo", ""), true, false},
        {"name with only three characters", citpPLoc(80, "MediaServer", "Kel", "Running"), false,
         false},
        {"name of another maker", citpPLoc(80, "MediaServer", "Other", "Running"), false, false},
        {"type longer than MediaServer", citpPLoc(80, "MediaServerX", "Kelo", "Running"), false,
         false},
        {"type of a console", citpPLoc(80, "LightingConsole", "Kelo", "Running"), false, false},
        {"message size 41", citpPLoc(80, "MediaServer", "Kelo", "Running", 41), false, false},
        {"message size past the datagram", citpPLoc(80, "MediaServer", "Kelo", "Running", 4096),
         false, false},
        {"state without its NUL", good.left(good.size() - 1) + "x", false, false},
        {"state cut off by the message size",
         citpPLoc(80, "MediaServer", "Kelo", "Running", 45) + "pad", false, false},
        {"message size one past the datagram", good.left(good.size() - 1), false, false},
        {"bytes after the message", good + "trailing", true, true},
        {"header only", good.left(26), false, false},
        {"too short for the port", good.left(20), false, false},
    };
    for (const Case& c : cases) {
        CitpPresence p;
        EXPECT_EQ(CitpMessage::readPLoc(c.datagram.constData(), size_t(c.datagram.size()), &p),
                  c.ok)
            << c.what;
        if (c.ok) {
            EXPECT_EQ(p.running, c.running) << c.what;
        }
    }
    CitpPresence p;
    ASSERT_TRUE(CitpMessage::readPLoc(good.constData(), size_t(good.size()), &p));
    EXPECT_EQ(p.tcpPort, 0x1234);  // little-endian on the wire
    EXPECT_EQ(p.name, "Kelo Stage Left");
}

TEST(WireFormat, TransferBeacon) {
    const QByteArray v4 =
        transferBeacon(0x04000000, 0x0402, 12, 300, 0xFFFFFF00, 5005, 7, "2026-12-10 13:00");
    BftpTransferBeacon b;
    ASSERT_TRUE(BftpBeacon::readTransferBeacon(v4.constData(), size_t(v4.size()), &b));
    EXPECT_EQ(b.daemonVersion, 0x04000000u);
    EXPECT_EQ(b.keloVersion, 0x0402u);
    EXPECT_EQ(b.progressSecs, 12);
    EXPECT_EQ(b.progressMax, 300);
    EXPECT_EQ(b.subnetMask, 0xFFFFFF00u);
    EXPECT_EQ(b.bftpTcpPort, 5005);
    EXPECT_EQ(b.collectionID, 7);
    EXPECT_EQ(b.contentTimeStamp, "2026-12-10 13:00");

    // Older daemons do not send progress or mask, whatever the bytes hold.
    const QByteArray v3 = transferBeacon(0x03FFFFFF, 1, 12, 300, 0xFFFFFF00, 5005, 7, "");
    ASSERT_TRUE(BftpBeacon::readTransferBeacon(v3.constData(), size_t(v3.size()), &b));
    EXPECT_EQ(b.progressSecs, 0);
    EXPECT_EQ(b.progressMax, 0);
    EXPECT_EQ(b.subnetMask, 0u);
    EXPECT_EQ(b.contentTimeStamp, "");

    for (const QByteArray& bad : {v4.left(v4.size() - 1), v4.left(63), v4.left(40)}) {
        EXPECT_FALSE(BftpBeacon::readTransferBeacon(bad.constData(), size_t(bad.size()), &b))
            << bad.size();
    }
}

TEST(WireFormat, ManagerBeaconRead) {
    BftpManagerBeacon m;
    const QByteArray sent = BftpBeacon::managerBeacon(9, "controller A");
    ASSERT_TRUE(BftpBeacon::readManagerBeacon(sent.constData(), size_t(sent.size()), &m));
    EXPECT_EQ(m.collectionID, 9);
    EXPECT_EQ(m.identity, "controller A");

    // A full field needs no NUL: the identity is its 112 bytes, no more.
    QByteArray full = sent;
    full.replace(63, 112, QByteArray(112, 'z'));
    full += "beyond";
    ASSERT_TRUE(BftpBeacon::readManagerBeacon(full.constData(), size_t(full.size()), &m));
    EXPECT_EQ(m.identity, QByteArray(112, 'z'));

    // A short beacon must end its text within what arrived.
    const QByteArray shortEnded = sent.left(80);
    ASSERT_TRUE(
        BftpBeacon::readManagerBeacon(shortEnded.constData(), size_t(shortEnded.size()), &m));
    EXPECT_EQ(m.identity, "controller A");
    const QByteArray cut = full.left(100);
    EXPECT_FALSE(BftpBeacon::readManagerBeacon(cut.constData(), size_t(cut.size()), &m));
    const QByteArray noText = sent.left(63);
    EXPECT_FALSE(BftpBeacon::readManagerBeacon(noText.constData(), size_t(noText.size()), &m));
}

}  // namespace

KELO_TEST_MAIN()
