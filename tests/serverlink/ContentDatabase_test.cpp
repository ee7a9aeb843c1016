// Product query and content-database queries over TCP: the wire pieces on
// their own, then the server object against the simulated server's TCP side
// on loopback (only inside a loopback-only network namespace).

#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloObjectTCP.h"
#include "serverlink/KlE_Control_Status.h"
#include "support/ProcessUntil.h"
#include "support/LoopbackNamespace.h"
#include "support/KeloServerSim.h"
#include "support/LoopbackLinkPorts.h"
#include "support/KeloServerSimTcp.h"
#include "support/TestMain.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// --- Wire pieces -------------------------------------------------------------------

TEST(ProductQuery, NameFromServerInformation) {
    const QByteArray full = KeloServerSimTcp::serverInformation("Kelo Heron XL");
    EXPECT_EQ(productNameFromServerInfo(full.constData(), size_t(full.size())), "Kelo Heron XL");

    const QByteArray longName = KeloServerSimTcp::serverInformation(QByteArray(80, 'n'));
    EXPECT_EQ(productNameFromServerInfo(longName.constData(), size_t(longName.size())),
              QString(63, 'n'));

    // Cut inside the name: what arrived, whole characters only.
    const QByteArray cut = full.left(26 + 9);
    EXPECT_EQ(productNameFromServerInfo(cut.constData(), size_t(cut.size())), "Kelo");

    EXPECT_FALSE(productNameFromServerInfo(full.constData(), 34));
    for (int offset : {0, 16, 22}) {
        QByteArray wrong = full;
        wrong[offset] = 'X';
        EXPECT_FALSE(productNameFromServerInfo(wrong.constData(), size_t(wrong.size())))
            << "magic at " << offset;
    }
}

TEST(DatabaseQuery, RequestBytes) {
    const KlContentRef item{3, 1, 2, 7};
    const struct {
        int opcode;
        const char* command;
        bool carriesItem;
    } cases[] = {{0, "GtDB", false},
                 {1, "GtTh", true},
                 {2, "GtFD", true},
                 {3, "GtLD", true},
                 {4, "CLNP", false}};
    for (const auto& c : cases) {
        const QByteArray r = keloDatabaseRequest(c.opcode, item);
        ASSERT_EQ(r.size(), 20) << c.command;
        EXPECT_EQ(r.left(4), "KlEC");
        EXPECT_EQ(r.mid(4, 4), QByteArray::fromHex("00000014"));
        EXPECT_EQ(r.mid(8, 4), c.command);
        EXPECT_EQ(r.mid(12, 4), c.carriesItem ? item.data() : QByteArray(4, '\0')) << c.command;
        EXPECT_EQ(r.mid(16, 4), QByteArray(4, '\0'));
    }
    EXPECT_TRUE(keloDatabaseRequest(5, item).isEmpty());
    EXPECT_TRUE(keloDatabaseRequest(-1, item).isEmpty());
}

TEST(DatabaseQuery, ReplyHeader) {
    const QByteArray good = KeloServerSimTcp::dataReply(QByteArray(300, 'x'));
    EXPECT_EQ(keloDatabaseReplyLength(good.constData()), 300u);
    QByteArray tag = good;
    tag[11] = 'B';
    EXPECT_FALSE(keloDatabaseReplyLength(tag.constData()));
    QByteArray magic = good;
    magic[0] = 'k';
    EXPECT_FALSE(keloDatabaseReplyLength(magic.constData()));
}

TEST(DatabaseQuery, FullPathToFile) {
    const QVariantMap db{
        {".KeloFolderPath", "/Users/kelo/Kelo"},
        {".ExtraVolumes",
         QVariantMap{{"Media2", QVariantMap{{"path", "/Volumes/M2"}}}, {"Plain", "/mnt/plain"}}}};
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"/.Media2.clips/a.mov", "/Volumes/M2/clips/a.mov"},
        {"/.Plain.x/b.mov", "/mnt/plain/x/b.mov"},
        {"/.Unknown.clips/a.mov", "/.Unknown.clips/a.mov"},
        {"/.Media2", "/.Media2"},
        {"clips/a.mov", "/Users/kelo/Kelo/clips/a.mov"},
        {"/abs/a.mov", "/abs/a.mov"},
    };
    for (const auto& c : cases) EXPECT_EQ(KeloObject::fullPathToFile(c.in, db), c.out) << c.in;
    EXPECT_EQ(KeloObject::fullPathToFile("clips/a.mov", {}), "clips/a.mov");
    EXPECT_EQ(KeloObject::fullPathToFile("clips/a.mov", {{"x", 1}}), "clips/a.mov");
}

TEST(BlockingIo, ReadnAndWriten) {
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, sv), 0);
    EXPECT_EQ(writen(sv[0], "abcdef", 6), 6);
    EXPECT_EQ(writen(sv[0], "x", 0), 0);
    char buf[16] = {};
    EXPECT_EQ(readn(sv[1], buf, 0), 0);
    EXPECT_EQ(readn(sv[1], buf, 4), 4);
    EXPECT_EQ(std::memcmp(buf, "abcd", 4), 0);
    // End of stream gives what had arrived.
    shutdown(sv[0], SHUT_WR);
    EXPECT_EQ(readn(sv[1], buf, 10), 2);
    // A closed peer is an error, not a SIGPIPE that ends the process.
    close(sv[1]);
    EXPECT_EQ(writen(sv[0], "abc", 3), -1);
    close(sv[0]);
    // Not a socket: plain writes.
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    EXPECT_EQ(writen(p[1], "pipe", 4), 4);
    EXPECT_EQ(readn(p[0], buf, 4), 4);
    close(p[0]);
    close(p[1]);
}

// --- Against the simulated server ------------------------------------------------

// Each test takes addresses and ports of its own, from its line number, so
// that test processes may run side by side in one namespace.
class TcpQueries : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        address_ = 0x7F050001 + (uint32_t(line) << 8);  // 127.5.x.1 and up
        productPort_ = uint16_t(40000 + 2 * line);
        bftpPort_ = uint16_t(productPort_ + 1);
        limits_ = keloTcpLimits();
        KeloTcpLimits quick;
        quick.connectTimeoutMs = 500;
        quick.ioTimeoutMs = 400;
        quick.queryDeadlineMs = 3000;
        quick.maxReplyData = 1 << 20;
        setKeloTcpLimits(quick);

        KeloServerSimTcp::Config config;
        config.address = address_;
        config.productPort = productPort_;
        config.bftpPort = bftpPort_;
        config.database = database("T1");
        sim = std::make_unique<KeloServerSimTcp>(config);
        QString error;
        ASSERT_TRUE(sim->start(&error)) << error.toStdString();

        kelo = std::make_unique<KeloObject>();
        kelo->setAddress(address_, address_);
        kelo->setIsReachable(true);
        kelo->setTcpPort(productPort_);
        kelo->setBftpTcpPort(bftpPort_);
    }

    void TearDown() override {
        sim.reset();  // closes held connections, so every query ends
        EXPECT_TRUE(processUntil([] { return keloTcpQueriesRunning() == 0; }, 5000));
        kelo.reset();
        setKeloTcpLimits(limits_);
    }

    static QVariantMap database(const QString& stamp) {
        return {{".DatabaseTimestamp", stamp},
                {".KeloFolderPath", "/srv/Kelo"},
                {"Media_000_001", QVariantMap{{"001", QVariantMap{{"name", "001.Clip.mov"}}}}}};
    }

    // Every notification the server object posts, in order.
    struct Recorder {
        explicit Recorder(const KeloObject* kelo)
            : token(NotificationCenter::defaultCenter().addObserver(
                  {}, kelo, [this](const Notification& n) { seen.push_back(n); })) {}
        std::vector<Notification> seen;
        NotificationCenter::Token token;
    };

    bool waitIdle(int ms = 3000) {
        return processUntil([&] { return !kelo->isUpdating() && keloTcpQueriesRunning() == 0; },
                            ms);
    }

    uint32_t address_ = 0;
    uint16_t productPort_ = 0, bftpPort_ = 0;
    KeloTcpLimits limits_;
    std::unique_ptr<KeloServerSimTcp> sim;
    std::unique_ptr<KeloObject> kelo;
};

TEST_F(TcpQueries, DatabaseFetchedOnceWhenNewer) {
    // No announced time stamp: never fetched.
    kelo->updateContentDatabase();
    EXPECT_FALSE(kelo->isUpdating());

    kelo->setContentTimeStamp("T1");
    EXPECT_TRUE(kelo->needsContentUpdate());
    EXPECT_FALSE(kelo->contentDatabaseValid());
    kelo->updateContentDatabase();
    EXPECT_TRUE(kelo->isUpdating());
    EXPECT_FALSE(kelo->needsContentUpdate());
    kelo->updateContentDatabase();  // one fetch at a time
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(sim->requests("GtDB"), 1);
    EXPECT_TRUE(kelo->contentDatabaseValid());
    EXPECT_EQ(kelo->contentDatabase(), database("T1"));
    EXPECT_EQ(kelo->fullPathToFile("a/b.mov"), "/srv/Kelo/a/b.mov");

    // Current: nothing to fetch.
    kelo->updateContentDatabase();
    EXPECT_FALSE(kelo->isUpdating());

    // The server announces a newer one.
    sim->setDatabase(database("T2"));
    kelo->setContentTimeStamp("T2");
    EXPECT_TRUE(kelo->needsContentUpdate());
    kelo->updateContentDatabase();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(sim->requests("GtDB"), 2);
    EXPECT_TRUE(kelo->contentDatabaseValid());
}

TEST_F(TcpQueries, ItemQueriesPostTheirReplies) {
    Recorder rec(kelo.get());
    const KlContentRef item{0, 1, 2, 7};
    kelo->fetchThumbnailData(item);
    ASSERT_TRUE(processUntil([&] { return rec.seen.size() == 1; }, 3000));
    kelo->fetchDatabaseEntry(item);
    ASSERT_TRUE(processUntil([&] { return rec.seen.size() == 2; }, 3000));
    EXPECT_EQ(sim->lastItem().bytes(), item.data());
    kelo->fetchDatabaseFolderEntry(item);
    ASSERT_TRUE(processUntil([&] { return rec.seen.size() == 3; }, 3000));
    kelo->cleanUpAfterSync();
    ASSERT_TRUE(processUntil([&] { return rec.seen.size() == 4; }, 3000));
    kelo->fetchThumbnailData(4, 9, 200);
    ASSERT_TRUE(processUntil([&] { return rec.seen.size() == 5; }, 3000));
    EXPECT_EQ(sim->lastItem().bytes(), (KlContentRef{4, 0, 9, 200}).data());

    const struct {
        const char* name;
        QVariant data;
        bool hasFile;
    } expected[] = {
        {"KeloThumbnailDataNotification", KeloServerSimTcp::thumbnailFor(SimContentRef::fromBytes(item.data())), true},
        {"KeloDatabaseEntryNotification", KeloServerSimTcp::fileEntryFor(SimContentRef::fromBytes(item.data())), true},
        {"KeloDatabaseFolderEntryNotification", KeloServerSimTcp::folderEntryFor(SimContentRef::fromBytes(item.data())), true},
        {"KeloSyncCleanUpNotification", QByteArray("nothing to clean up\n"), false},
        {"KeloThumbnailDataNotification",
         KeloServerSimTcp::thumbnailFor(SimContentRef{4, 0, 9, 200}), true},
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        const Notification& n = rec.seen[i];
        EXPECT_EQ(n.name, expected[i].name);
        EXPECT_EQ(n.sender, kelo.get());
        EXPECT_EQ(n.userInfo.value("notificationName").toString(), expected[i].name);
        EXPECT_EQ(n.userInfo.value("data"), expected[i].data) << expected[i].name;
        EXPECT_EQ(n.userInfo.contains("file"), expected[i].hasFile) << expected[i].name;
    }
    EXPECT_EQ(rec.seen[0].userInfo.value("file").toByteArray(), item.data());
    // Item queries leave the database fetch's flag alone.
    EXPECT_FALSE(kelo->isUpdating());
    EXPECT_EQ(sim->requests("GtDB"), 0);
}

TEST_F(TcpQueries, MisbehavingServerEndsEveryQuery) {
    using B = KeloServerSimTcp::Behaviour;
    Recorder rec(kelo.get());
    kelo->setContentDatabase(database("T0"));
    kelo->setContentTimeStamp("T1");
    for (B behaviour :
         {B::Silent, B::HalfClosed, B::LyingSize, B::Oversized, B::Garbage, B::WrongTag}) {
        SCOPED_TRACE(int(behaviour));
        sim->setBehaviour(behaviour);
        QElapsedTimer t;
        t.start();
        kelo->updateContentDatabase();
        kelo->fetchThumbnailData(KlContentRef{0, 0, 1, 1});
        kelo->fetchDatabaseFolderEntry(KlContentRef{0, 0, 1, 0});
        ASSERT_TRUE(waitIdle(5000));
        // Bounded by the read time-out, not by the server.
        EXPECT_LT(t.elapsed(), 3000);
        EXPECT_TRUE(rec.seen.empty());
        EXPECT_EQ(kelo->contentDatabase(), database("T0"));
        EXPECT_TRUE(kelo->needsContentUpdate());
    }
    // Good again: the next fetch succeeds.
    sim->setBehaviour(B::Normal);
    kelo->updateContentDatabase();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(kelo->contentDatabaseValid());
}

TEST_F(TcpQueries, TricklingReplyEndsAtTheDeadline) {
    KeloTcpLimits limits = keloTcpLimits();
    limits.queryDeadlineMs = 700;  // each byte comes well within the I/O time-out
    setKeloTcpLimits(limits);
    sim->setBehaviour(KeloServerSimTcp::Behaviour::Trickle);
    kelo->setContentTimeStamp("T1");
    QElapsedTimer t;
    t.start();
    kelo->updateContentDatabase();
    ASSERT_TRUE(waitIdle());
    EXPECT_LT(t.elapsed(), 1500);
    EXPECT_TRUE(kelo->contentDatabase().isEmpty());
}

TEST_F(TcpQueries, ConnectTimesOutWhenTheServerNeverAccepts) {
    // A listener whose accept queue is full drops further connection
    // requests, so a connect would wait for the system's own retries.
    const uint16_t port = uint16_t(bftpPort_ + 200);
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address_);
    sa.sin_port = htons(port);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        fillers.push_back(fd);
    }
    usleep(50000);

    kelo->setContentTimeStamp("T1");
    kelo->setBftpTcpPort(port);
    QElapsedTimer t;
    t.start();
    kelo->updateContentDatabase();
    ASSERT_TRUE(waitIdle());
    EXPECT_GE(t.elapsed(), 400);  // the connect time-out of 500 ms, not a refusal
    EXPECT_LT(t.elapsed(), 1500);
    for (int fd : fillers) close(fd);
    close(listener);
}

TEST_F(TcpQueries, UnreachableServerOrClosedPort) {
    Recorder rec(kelo.get());
    kelo->setContentTimeStamp("T1");
    kelo->setBftpTcpPort(uint16_t(bftpPort_ + 100));  // nothing listens there
    kelo->updateContentDatabase();
    EXPECT_TRUE(kelo->isUpdating());
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(kelo->contentDatabase().isEmpty());

    kelo->setBftpTcpPort(bftpPort_);
    kelo->setIsReachable(false);
    kelo->updateContentDatabase();
    EXPECT_FALSE(kelo->isUpdating());
    kelo->updateWithTCP({{"opcode", "9"}});
    kelo->setIsReachable(true);
    kelo->updateWithTCP({{"opcode", "9"}});
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(rec.seen.empty());
    EXPECT_EQ(sim->requests("GtDB"), 0);
}

TEST_F(TcpQueries, ProductQueryAndMisbehaviour) {
    using B = KeloServerSimTcp::Behaviour;
    for (B behaviour : {B::Silent, B::HalfClosed, B::Garbage}) {
        sim->setBehaviour(behaviour);
        kelo->setNeedsProductUpdate(true);
        kelo->doProductUpdate();
        EXPECT_FALSE(kelo->needsProductUpdate());
        ASSERT_TRUE(waitIdle());
        EXPECT_TRUE(kelo->productName().isEmpty()) << int(behaviour);
    }
    sim->setBehaviour(B::Normal);
    kelo->doProductUpdate();  // not wanted: nothing asked
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(sim->requests("SInf"), 3);
    kelo->setNeedsProductUpdate(true);
    kelo->doProductUpdate();
    ASSERT_TRUE(processUntil([&] { return !kelo->productName().isEmpty(); }, 3000));
    EXPECT_EQ(kelo->productName(), "Kelo Sim Media Server");
    EXPECT_EQ(kelo->keloVariant(), "Kelo Sim Media Server");
}

TEST_F(TcpQueries, ResultForAServerObjectThatIsGoneIsDropped) {
    kelo->setContentTimeStamp("T1");
    kelo->updateContentDatabase();
    kelo->fetchThumbnailData(KlContentRef{0, 0, 1, 1});
    kelo.reset();
    EXPECT_TRUE(processUntil([] { return keloTcpQueriesRunning() == 0; }, 3000));
}

// Discovery asks a newly found server for its product name.
TEST_F(TcpQueries, DiscoveryAsksForTheProductName) {
    const int line = __LINE__;
    KlE_Control_Status::Options options = loopbackLinkOptions(uint16_t(36000 + 3 * line));
    KlE_Control_Status link(options);

    const KeloServerSim::Network network = simNetworkFor(options);
    KeloServerSim udp(network);
    KeloServerSim::Config config;
    config.name = "Kelo Product";
    config.address = address_;
    config.tcpPort = productPort_;
    config.bftpPort = bftpPort_;
    udp.addServer(config);
    ASSERT_TRUE(udp.start());

    KeloObject* found = nullptr;
    ASSERT_TRUE(processUntil(
        [&] {
            found = link.keloObjectForName("Kelo Product");
            return found && !found->productName().isEmpty();
        },
        4000));
    EXPECT_EQ(found->productName(), "Kelo Sim Media Server");
    EXPECT_FALSE(found->needsProductUpdate());
    udp.stop();
    EXPECT_TRUE(processUntil([] { return keloTcpQueriesRunning() == 0; }, 3000));
}

}  // namespace

KELO_TEST_MAIN_CORE()
