// The complete simulated servers that kelo-server-sim runs: their
// preferences and the value rule, the transfer request reader against a
// byte table and the link's own builder, the content database and
// transfers over real loopback TCP, and the commands of standard input.

#include "support/KeloServerSimCommands.h"
#include "support/KeloServerSimHost.h"
#include "support/LoopbackNamespace.h"
#include "support/SimPreferences.h"
#include "support/SimRequests.h"
#include "support/TestMain.h"

#include "platform/PropertyList.h"
#include "serverlink/BftpTransferMessage.h"
#include "serverlink/KeloObjectTCP.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/KlEStatMessage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

TEST(SimPreferences, StandardDictionaryHasEveryTypeInItsGroups) {
    SimPreferences::Identity id;
    id.name = "Kelo Sim 1";
    id.alias = "Stage 1";
    id.outputs = 2;
    const QVariantMap prefs = SimPreferences::standardDictionary(id);
    QSet<QString> types;
    for (auto it = prefs.begin(); it != prefs.end(); ++it) {
        const QVariantMap e = it->toMap();
        types << e.value("_type").toString();
        EXPECT_FALSE(e.value("_group").toString().isEmpty()) << it.key().toStdString();
        EXPECT_FALSE(e.value("_alias").toString().isEmpty()) << it.key().toStdString();
        EXPECT_TRUE(e.contains("_value")) << it.key().toStdString();
        bool hex = false;
        e.value("_pref_incr_t").toString().toInt(&hex, 16);
        EXPECT_TRUE(hex) << it.key().toStdString();
    }
    EXPECT_EQ(types, (QSet<QString>{"int", "float", "bool", "str", "list", "s_array", "dict"}));
    EXPECT_EQ(prefs.value("DMX_Univ").toMap().value("_rng").toString(), "{0, 32767}");
    EXPECT_TRUE(prefs.value("DMX_Protocol").toMap().contains("_list"));
    EXPECT_EQ(prefs.value("edgeBlend").toMap().value("_editor").toString(), "effect");

    // The mix configuration: the global surface, two outputs, children of
    // both, and a multi-mix of two of them.
    const QVariantMap mixesEntry = prefs.value("mixes").toMap();
    EXPECT_EQ(mixesEntry.value("_alias").toString(), "Outputs & Mixes");
    const QVariantMap mixes = mixesEntry.value("_value").toMap();
    ASSERT_EQ(mixes.keys(), (QStringList{"000", "001", "002", "003", "004", "005", "006"}));
    EXPECT_EQ(mixes["000"].toMap().value("kKlMixVersion").toString(), "4100");
    EXPECT_EQ(mixes["001"].toMap().value("is_output").toString(), "1");
    EXPECT_EQ(mixes["002"].toMap().value("screen_index").toString(), "2");
    EXPECT_EQ(mixes["003"].toMap().value("parent").toString(), "1");
    EXPECT_EQ(mixes["004"].toMap().value("parent").toString(), "1");
    EXPECT_EQ(mixes["005"].toMap().value("parent").toString(), "2");
    EXPECT_EQ(mixes["006"].toMap().value("multi_mix").toList(),
              (QVariantList{QString("3"), QString("5")}));
    // The text form reads back to the same dictionary.
    EXPECT_EQ(PropertyList::readOpenStep(SimPreferences::mixesText(2, 1920, 1080)), QVariant(mixes));
}

TEST(SimPreferences, ValueRuleByType) {
    struct Case {
        const char* type;
        QByteArray text;
        bool stored;
        QVariant value;
    };
    const QVariantList two{QString("Front"), QString("Rear")};
    const Case cases[] = {
        {"str", "abc", true, QString("abc")},
        {"int", "12x", true, QString("12x")},  // kept as typed, as the controller sends it
        {"s_array", "(\"Front\", \"Rear\")", true, two},
        {"s_array",
         "<plist version=\"1.0\"><array><string>Front</string><string>Rear</string></array></plist>",
         true, two},
        {"s_array", "{ a = b; }", false, QVariant()},  // a dictionary is no item list
        {"s_array", "(\"unclosed", false, QVariant()},
        {"dict", "{ \"001\" = { name = A; }; }", true,
         QVariantMap{{"001", QVariantMap{{"name", QString("A")}}}}},
        {"dict", "plain text", false, QVariant()},
    };
    for (const Case& c : cases) {
        QVariantMap entry{{"_type", QString(c.type)}, {"_value", QString("before")}};
        bool changed = false;
        EXPECT_EQ(SimPreferences::applyValue(entry, c.text, &changed), c.stored) << c.text.constData();
        EXPECT_EQ(entry.value("_value"), c.stored ? c.value : QVariant(QString("before")))
            << c.text.constData();
        EXPECT_EQ(changed, c.stored) << c.text.constData();
    }
    // The text sent back reads, by the link's own rule, to the same value.
    QVariantMap item{{"_type", QString("s_array")}, {"_value", QVariantList{}}};
    KlE_Control_Status::setPrefValue(QString::fromUtf8(SimPreferences::valueText(two)),
                                     "outputNames", &item);
    EXPECT_EQ(item.value("_value"), QVariant(two));
}

TEST(SimRequests, TransferRequestByteTable) {
    // ID 0x42, collection 2, bit rate 0x50, reply port 0x1234, opcode 1,
    // item {0, 0, 1, 3}, receivers 127.0.0.3 and 127.0.0.4.
    const QByteArray bytes = hex(
        "42465450 00000034 00000042 00000000 02000000 0050 1234 00000001 00000000"
        "42465453 01 02 0001 00000103 7f000003 7f000004");
    const auto r = SimRequests::readTransferRequest(bytes);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->transferID, 0x42u);
    EXPECT_EQ(r->collectionID, 2);
    EXPECT_EQ(r->bitRate, 0x50);
    EXPECT_EQ(r->replyPort, 0x1234);
    EXPECT_EQ(r->opcode, 1);
    EXPECT_EQ(r->item, (SimContentRef{0, 0, 1, 3}));
    EXPECT_EQ(r->receivers, (std::vector<uint32_t>{0x7F000003, 0x7F000004}));

    // The link's own request reads the same.
    BftpTransferRequest mine;
    mine.transferID = 0x42;
    mine.collectionID = 2;
    mine.bitRate = 0x50;
    mine.udpPort = 0x1234;
    mine.opcode = 1;
    mine.content = KlContentRef{0, 0, 1, 3};
    mine.receivers = {0x7F000003, 0x7F000004};
    EXPECT_EQ(BftpTransferMessage::request(mine).toHex(), bytes.toHex());

    auto broken = [&](int at, char byte) {
        QByteArray b = bytes;
        b[at] = byte;
        return b;
    };
    const QByteArray refused[] = {
        bytes.left(51),         // cut inside a receiver
        bytes + QByteArray(4, '\0'),  // a receiver more than the length says
        broken(0, 'X'),         // not "BFTP"
        broken(35, 'X'),        // not "BFTS"
        broken(37, 3),          // three receivers in the room of two
        broken(7, 0x35),        // a length that is no request's
        hex("4246545000000010"),
        QByteArray(),
    };
    for (const QByteArray& b : refused) EXPECT_FALSE(SimRequests::readTransferRequest(b)) << b.toHex().constData();
    EXPECT_EQ(SimRequests::transferRequestLength(hex("42465450ffffffff")), 0u);
}

// Each test takes an address block and ports of its own from its line.
KeloServerSimHost::Options hostOptions(int line) {
    KeloServerSimHost::Options o;
    o.count = 3;
    o.base = 0x7F200002 + (uint32_t(line) << 8);
    o.network.statusPort = uint16_t(40000 + 6 * line);
    o.network.prefsPort = uint16_t(40001 + 6 * line);
    o.network.citpPort = uint16_t(40002 + 6 * line);
    o.productPort = uint16_t(40003 + 6 * line);
    o.bftpPort = uint16_t(40004 + 6 * line);
    o.intervalMs = 5;
    return o;
}

int connectTo(uint32_t address, uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Everything the peer sends until it closes (or 5 s pass).
QByteArray readAll(int fd) {
    QByteArray out;
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) break;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, n);
    }
    return out;
}

QVariantMap fetchDatabase(uint32_t address, uint16_t port) {
    const int fd = connectTo(address, port);
    if (fd < 0) return {};
    const QByteArray request = keloDatabaseRequest(kGetDatabase, KlContentRef{});
    (void)!write(fd, request.constData(), size_t(request.size()));
    const QByteArray reply = readAll(fd);
    close(fd);
    const auto length = reply.size() >= 16 ? keloDatabaseReplyLength(reply.constData()) : std::nullopt;
    if (!length || qsizetype(*length) != reply.size() - 16) return {};
    return PropertyList::read(reply.mid(16)).toMap();
}

TEST(KeloServerSimHost, MediaTreesDifferAndTransfersCopyFilesWithProgress) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    const KeloServerSimHost::Options o = hostOptions(__LINE__);
    QString root;
    {
        KeloServerSimHost host(o);
        QString error;
        ASSERT_TRUE(host.start(&error)) << error.toStdString();
        root = host.mediaRoot();
        ASSERT_TRUE(QFileInfo(root).isDir());

        // The databases tell the trees, and they differ as set up.
        const QVariantMap master = fetchDatabase(o.base, o.bftpPort);
        const QVariantMap second = fetchDatabase(o.base + 1, o.bftpPort);
        const QVariantMap third = fetchDatabase(o.base + 2, o.bftpPort);
        ASSERT_TRUE(master.contains("Media_000_003"));
        EXPECT_EQ(master.value(".DatabaseTimestamp").toString().toUtf8(), host.sim().config(0).contentTimeStamp);
        EXPECT_TRUE(master.value("Media_000_001").toMap().contains("002"));
        EXPECT_FALSE(second.value("Media_000_001").toMap().contains("002"));
        EXPECT_FALSE(third.contains("Media_000_003"));
        EXPECT_TRUE(third.value("Media_000_002").toMap().contains("004"));
        const QVariantMap file = master.value("Media_000_001").toMap().value("002").toMap();
        EXPECT_EQ(file.value("Length").toLongLong(), 18000);
        EXPECT_TRUE(QFile::exists(file.value("Path").toString()));

        // The master sends folder 1's clip 2 to the two others, with the
        // link's own request, and reports start, progress and the end.
        BftpTransferRequest request;
        request.transferID = 66;
        request.collectionID = 1;
        request.content = KlContentRef{0, 0, 1, 2};
        request.receivers = {o.base + 1, o.base + 2};
        const QByteArray secondStamp = host.sim().config(1).contentTimeStamp;
        const int fd = connectTo(o.base, o.bftpPort);
        ASSERT_GE(fd, 0);
        const QByteArray bytes = BftpTransferMessage::request(request);
        ASSERT_EQ(write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        const QByteArray replies = readAll(fd);
        close(fd);
        std::vector<BftpProgressReply> got;
        for (qsizetype at = 0; at + 8 <= replies.size();) {
            BftpProgressReply r;
            ASSERT_EQ(BftpTransferMessage::readReply(replies.constData() + at, size_t(replies.size() - at), &r), 0);
            got.push_back(r);
            at += r.length;
        }
        ASSERT_EQ(got.size(), size_t(o.progressReplies + 2));
        EXPECT_EQ(got.front().status, fourCharCode("strt"));
        EXPECT_EQ(got[1].status, kTransferStatusProgress);
        EXPECT_LT(got[1].progress, got[2].progress);
        EXPECT_EQ(got.back().status, fourCharCode("sent"));
        EXPECT_EQ(got.back().name, "002.Clouds.mov");
        ASSERT_EQ(got.back().receivers.size(), 2u);
        EXPECT_EQ(got.back().receivers[0].status, fourCharCode("sent"));
        EXPECT_EQ(host.transfersServed(0), 1);

        // The receivers now have the file, as the master has it, and
        // announce a new database.
        const QVariantMap after = fetchDatabase(o.base + 1, o.bftpPort);
        const QVariantMap copied = after.value("Media_000_001").toMap().value("002").toMap();
        EXPECT_EQ(copied.value("Length"), file.value("Length"));
        EXPECT_EQ(copied.value("Modified"), file.value("Modified"));
        EXPECT_NE(host.sim().config(1).contentTimeStamp, secondStamp);
        EXPECT_EQ(after.value(".DatabaseTimestamp").toString().toUtf8(), host.sim().config(1).contentTimeStamp);
        EXPECT_TRUE(fetchDatabase(o.base + 2, o.bftpPort).contains("Media_000_001"));

        // A request for a file the master lacks fails for every receiver
        // and copies nothing.
        request.content = KlContentRef{0, 0, 9, 9};
        const int again = connectTo(o.base, o.bftpPort);
        const QByteArray missing = BftpTransferMessage::request(request);
        (void)!write(again, missing.constData(), size_t(missing.size()));
        const QByteArray failed = readAll(again);
        close(again);
        BftpProgressReply last;
        for (qsizetype at = 0; at + 8 <= failed.size(); at += last.length)
            ASSERT_EQ(BftpTransferMessage::readReply(failed.constData() + at, size_t(failed.size() - at), &last), 0);
        EXPECT_EQ(last.status, fourCharCode("fail"));
        EXPECT_FALSE(QDir(root).entryList().isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(root)) << "the media trees go with the host";
}

// A UDP socket on 127.0.0.1 that talks to one server's preference port.
struct PrefPeer {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ~PrefPeer() { close(fd); }
    void send(const QByteArray& d, uint32_t address, uint16_t port) {
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(address);
        sa.sin_port = htons(port);
        sendto(fd, d.constData(), size_t(d.size()), 0, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    }
    QByteArray receive() {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 3000) <= 0) return {};
        QByteArray b(65536, '\0');
        const ssize_t n = recv(fd, b.data(), size_t(b.size()), 0);
        return n > 0 ? b.left(n) : QByteArray();
    }
};

TEST(KeloServerSimHost, PreferenceSetsAreStoredByTheValueRuleAndEchoed) {
    KELO_NEEDS_LOOPBACK_NAMESPACE();
    const KeloServerSimHost::Options o = hostOptions(__LINE__);
    KeloServerSimHost host(o);
    ASSERT_TRUE(host.start());
    PrefPeer peer;
    struct Case {
        QByteArray key, value;
        QVariant stored;
    };
    const Case cases[] = {
        {"outputNames", "(\n\t\"Front\",\n\t\"Rear \\\"B\\\"\"\n)\n",
         QVariantList{QString("Front"), QString("Rear \"B\"")}},
        {"layerCount", "6", QString("6")},
        {"mixes", "{ \"000\" = { rect = \"0,0,1920,1080\"; name = g; }; }",
         QVariantMap{{"000", QVariantMap{{"rect", QString("0,0,1920,1080")}, {"name", QString("g")}}}}},
    };
    for (const Case& c : cases) {
        peer.send(KlEStatMessage::setPrefRequest(c.key, c.value, 0), o.base, o.network.prefsPort);
        const QByteArray echo = peer.receive();
        QByteArray key, value;
        ASSERT_TRUE(KlEStatMessage::readOnePref(echo.constData(), size_t(echo.size()), &key, &value))
            << c.key.constData();
        EXPECT_EQ(key, c.key);
        EXPECT_EQ(host.sim().preference(0, c.key).value("_value"), c.stored) << c.key.constData();
        // What comes back is what the controller's rule stores.
        QVariantMap item = host.sim().preference(0, c.key);
        item.insert("_value", QString("stale"));
        KlE_Control_Status::setPrefValue(QString::fromUtf8(value), c.key, &item);
        EXPECT_EQ(item.value("_value"), c.stored) << value.constData();
    }
    EXPECT_EQ(host.sim().config(0).layerCount, 6);
    EXPECT_TRUE(host.sim().config(0).prefUpdates & 0x40);

    // A value the type cannot take leaves the server's value, and the echo
    // tells the controller so.
    peer.send(KlEStatMessage::setPrefRequest("outputNames", "not a list (", 0), o.base, o.network.prefsPort);
    const QByteArray echo = peer.receive();
    QByteArray key, value;
    ASSERT_TRUE(KlEStatMessage::readOnePref(echo.constData(), size_t(echo.size()), &key, &value));
    EXPECT_EQ(PropertyList::read(value), QVariant(cases[0].stored));

    // The server's own operator: no controller mark.
    ASSERT_TRUE(host.sim().setPreference(1, "frameRate", "50.0"));
    EXPECT_EQ(host.sim().preference(1, "frameRate").value("_value"), QVariant(QString("50.0")));
    EXPECT_FALSE(host.sim().config(1).prefUpdates & 0x40);
}

TEST(KeloServerSimCommands, BadLinesChangeNothingAndSayWhy) {
    KeloServerSimHost::Options o;
    o.count = 3;
    KeloServerSimHost host(o);  // not started: no sockets
    ASSERT_TRUE(host.makeMediaTrees());
    KeloServerSimCommands commands(host);
    // The media as the database tells it; the volume's free space moves
    // with whatever else runs.
    auto media = [&] {
        QVariantMap db = host.mediaTree(0)->database();
        db.remove(".VolumeFreeSpace");
        return db;
    };
    const QVariantMap dbBefore = media();
    const KeloServerSim::Config before = host.sim().config(0);
    const QByteArray bad[] = {
        "fly 1",
        "alias 0 X",
        "alias 4 X",
        "alias -1 X",
        "layers 1 25",
        "layers 1 many",
        "running 1 maybe",
        "announce 1",
        "pref 1 noSuchKey 1",
        "pref 1 outputNames { a = b; }",
        "pref 1 layerCount",
        "add 1 0 1 x.mov",
        "add 1 1 256 x.mov",
        "add 1 1 1",
        "add 1 1 9 x.mov -5",
        "remove 1 1 99",
        "touch 3 3 1",  // server 3 has no folder 3
        QByteArray("alias 1 \x01\x02junk", 14),
        "alias 1 \xff\xfe",
        QByteArray(KeloServerSimCommands::kMaxLine + 1, 'a'),
    };
    for (const QByteArray& line : bad) {
        const KeloServerSimCommands::Result r = commands.run(line);
        EXPECT_FALSE(r.error.isEmpty()) << line.left(40).toHex().constData();
        EXPECT_FALSE(r.error.contains('\n'));
        EXPECT_FALSE(r.quit);
    }
    EXPECT_EQ(media(), dbBefore);
    EXPECT_EQ(host.sim().config(0).alias, before.alias);
    EXPECT_EQ(host.sim().config(0).layerCount, before.layerCount);
    EXPECT_EQ(host.sim().config(0).prefUpdates, before.prefUpdates);

    // And the good ones act.
    EXPECT_TRUE(commands.run("alias 1 Main  Stage").error.isEmpty());
    EXPECT_EQ(host.sim().config(0).alias, "Main Stage");
    EXPECT_TRUE(commands.run("pref 2 outputNames (\"A\", \"B\", \"C\")").error.isEmpty());
    EXPECT_EQ(host.sim().preference(1, "outputNames").value("_value").toList().size(), 3);
    EXPECT_TRUE(commands.run("add 1 4 1 New.mov 2000").error.isEmpty());
    EXPECT_EQ(QFileInfo(host.mediaTree(0)->pathOf(4, 1)).size(), 2000);
    EXPECT_NE(host.sim().config(0).contentTimeStamp, before.contentTimeStamp);
    EXPECT_TRUE(commands.run("remove 1 4 1").error.isEmpty());
    EXPECT_TRUE(host.mediaTree(0)->pathOf(4, 1).isEmpty());
    EXPECT_TRUE(commands.run("touch 1 1 1").error.isEmpty());
    EXPECT_TRUE(commands.run("  ").error.isEmpty());
    EXPECT_TRUE(commands.run("quit").quit);
}

}  // namespace

KELO_TEST_MAIN()
