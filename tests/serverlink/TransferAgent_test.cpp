// Content transfers over BFTP: the request and reply formats on their own,
// then the agent against a simulated collection master on loopback (only
// inside a loopback-only network namespace), with shortened durations.

#include "LinkTestSupport.h"
#include "foundation/OmLog.h"
#include "platform/NotificationCenter.h"
#include "serverlink/BftpTransferMessage.h"
#include "serverlink/KeloContentTransferAgent.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "support/LoopbackNamespace.h"
#include "support/BftpServerSim.h"
#include "support/KeloServerSim.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtEndian>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void processFor(int ms) {
    processUntil([] { return false; }, ms);
}

const KlContentRef kItem{1, 2, 3, 4};

// --- Wire formats --------------------------------------------------------------

TEST(BftpTransferRequest, BytesOfARequestWithThreeReceivers) {
    BftpTransferRequest r;
    r.transferID = 66;
    r.collectionID = 7;
    r.bitRate = 8000;
    r.udpPort = 0xC001;
    r.opcode = 2;
    r.content = kItem;
    r.receivers = {0xC0000217, 0xC0000218, 0xC0000219};
    const QByteArray expected = QByteArray::fromHex(
        "42465450"
        "00000038"
        "00000042"
        "00000000"
        "07000000"
        "1f40c001"
        "00000001"
        "00000000"
        "42465453"
        "02030001"
        "01020304"
        "c0000217c0000218c0000219");
    EXPECT_EQ(BftpTransferMessage::request(r).toHex(), expected.toHex());
}

TEST(BftpTransferRequest, ReceiverCountAndLength) {
    struct Case {
        size_t receivers;
        size_t size;
        uint8_t count;
    };
    for (const Case c :
         {Case{0, 44, 0}, Case{1, 48, 1}, Case{255, 1064, 255}, Case{300, 1064, 255}}) {
        BftpTransferRequest r;
        for (size_t i = 0; i < c.receivers; ++i) r.receivers.push_back(0x0A000000u + uint32_t(i));
        const QByteArray bytes = BftpTransferMessage::request(r);
        EXPECT_EQ(size_t(bytes.size()), c.size) << c.receivers;
        EXPECT_EQ(qFromBigEndian<uint32_t>(bytes.constData() + 4), c.size) << c.receivers;
        EXPECT_EQ(uint8_t(bytes[37]), c.count) << c.receivers;
        if (c.receivers) {
            EXPECT_EQ(qFromBigEndian<uint32_t>(bytes.constData() + 44), 0x0A000000u);
        }
    }
}

QByteArray reply(const QByteArray& name, std::vector<SimReceiverReport> receivers = {},
                 uint32_t status = kTransferStatusProgress) {
    return BftpServerSim::progressReply(66, status, 7, 80, 32768,
                                        SimContentRef::fromBytes(kItem.data()), name, receivers);
}

TEST(BftpProgressReply, FieldsAndReceivers) {
    // "abc" ends at 59, its NUL at 59: count at 60. "abcd": NUL at 60, count at 62.
    for (const QByteArray& name : {QByteArray("abc"), QByteArray("abcd")}) {
        const QByteArray bytes =
            reply(name, {{0xC0000217, 0x70726f67, 1}, {0xC0000218, 0x646f6e65, 2}});
        BftpProgressReply r;
        ASSERT_EQ(BftpTransferMessage::readReply(bytes.constData(), size_t(bytes.size()), &r), 0);
        EXPECT_EQ(r.transferID, 66u);
        EXPECT_EQ(r.status, kTransferStatusProgress);
        EXPECT_EQ(r.collectionID, 7);
        EXPECT_EQ(r.flags, 80);
        EXPECT_EQ(r.progress, 32768);
        EXPECT_EQ(r.content, kItem);
        EXPECT_EQ(r.name, name);
        ASSERT_EQ(r.receivers.size(), 2u) << name.constData();
        EXPECT_EQ(r.receivers[1].address, 0xC0000218u);
        EXPECT_EQ(r.receivers[1].status, 0x646f6e65u);
        EXPECT_EQ(r.receivers[1].resetCount, 2u);
    }
}

TEST(BftpProgressReply, BadRepliesEndWithTheirReason) {
    const QByteArray good = reply("clip.mov", {{0xC0000217, 1, 0}});
    const auto withLength = [&](uint32_t length) {
        QByteArray b = good;
        qToBigEndian(length, b.data() + 4);
        return b;
    };
    const auto patched = [&](int offset, char c) {
        QByteArray b = good;
        b[offset] = c;
        return b;
    };
    QByteArray overrun = good;
    qToBigEndian(uint16_t(2), overrun.data() + overrun.size() - 14);
    QByteArray bigCount = good;
    qToBigEndian(uint16_t(0xFFFF), bigCount.data() + bigCount.size() - 14);

    struct Case {
        const char* what;
        QByteArray bytes;
        int reason;
    };
    const std::vector<Case> cases = {
        {"good", good, 0},
        {"header only", good.left(7), kTransferShortHeader},
        {"wrong BFTP", patched(3, 'p'), kTransferBadMagic},
        {"wrong BFTp", patched(35, 'P'), kTransferBadReplyMagic},
        {"length 0", withLength(0), kTransferNothingToRead},
        {"length 8", withLength(8), kTransferNothingToRead},
        {"length 9", withLength(9), kTransferShortBody},
        {"length 55", withLength(55), kTransferShortBody},
        {"length past the buffer", withLength(16385), kTransferShortBody},
        {"length past the bytes", withLength(uint32_t(good.size() + 1)), kTransferShortBody},
        {"receivers past the end", overrun, kTransferShortBody},
        {"receiver count 65535", bigCount, kTransferShortBody},
    };
    for (const Case& c : cases) {
        BftpProgressReply r;
        EXPECT_EQ(BftpTransferMessage::readReply(c.bytes.constData(), size_t(c.bytes.size()), &r),
                  c.reason)
            << c.what;
    }
}

TEST(BftpProgressReply, ShortTailsAndMissingNul) {
    // Fewer than 3 bytes after the name: no receiver list.
    QByteArray bytes = reply("ab").left(60);
    qToBigEndian(uint32_t(bytes.size()), bytes.data() + 4);
    BftpProgressReply r;
    ASSERT_EQ(BftpTransferMessage::readReply(bytes.constData(), size_t(bytes.size()), &r), 0);
    EXPECT_EQ(r.name, "ab");
    EXPECT_TRUE(r.receivers.empty());

    // A name without its NUL runs to the end of the reply, never beyond.
    QByteArray open = reply("abcdef").left(60);
    qToBigEndian(uint32_t(open.size()), open.data() + 4);
    open.append("zz");
    ASSERT_EQ(BftpTransferMessage::readReply(open.constData(), size_t(open.size()), &r), 0);
    EXPECT_EQ(r.name, "abcd");
    EXPECT_TRUE(r.receivers.empty());
}

// --- Agent without a peer -------------------------------------------------------

TEST(KeloContentTransferAgent, DefaultsAndDescription) {
    const KeloContentTransferAgent::Options o;
    EXPECT_EQ(o.stopGrace, 3.0);
    EXPECT_EQ(o.stallTimeout, 10.0);
    EXPECT_EQ(o.stallSettle, 0.1);
    EXPECT_EQ(o.idlePoll, 0.1);
    EXPECT_EQ(o.link, nullptr);

    KeloContentTransferAgent agent;
    EXPECT_EQ(agent.transferID(), 66);
    EXPECT_FALSE(agent.isActive());
    agent.setTaskName("clip.mov");
    agent.setTaskStatus(int32_t(kTransferStatusProgress));
    agent.setTaskProgress(0.25f);
    EXPECT_EQ(agent.description(), "TransferAgent clip.mov (prog, 0.250)");
    // Anything but a task or a list of them queues nothing and uses no ID.
    EXPECT_EQ(agent.performTransfers(QVariant("task")), 66);
    EXPECT_EQ(agent.performTransfers(QVariant()), 66);
    EXPECT_FALSE(agent.isActive());
}

TEST(KeloContentTransferAgent, SetKeepAlive) {
    EXPECT_EQ(setKeepAlive(0, "x"), -1);
    EXPECT_EQ(setKeepAlive(-1, nullptr), -1);

    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    EXPECT_EQ(setKeepAlive(pipeFds[0], "[Content] sender"), -1);
    EXPECT_EQ(fcntl(pipeFds[0], F_GETFD), -1) << "a failing descriptor is closed";
    close(pipeFds[1]);

    const int s = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(s, 0);
    EXPECT_EQ(setKeepAlive(s, nullptr), 0);
    int on = 0;
    socklen_t size = sizeof on;
    getsockopt(s, SOL_SOCKET, SO_KEEPALIVE, &on, &size);
    EXPECT_EQ(on, 1);
    close(s);
}

// --- Agent against a simulated master ------------------------------------------

constexpr uint32_t kR1 = 0xC0000217;  // 192.0.2.23
constexpr uint32_t kR2 = 0xC0000218;
constexpr uint32_t kR3 = 0xC0000219;
constexpr uint32_t kR4 = 0xC000021A;  // known but unreachable

class TransferAgentTest : public ::testing::Test {
protected:
    // Tests read the log; flood control would fold its repeated lines.
    static void SetUpTestSuite() { OmLog::toggleAllowFlood(); }
    static void TearDownTestSuite() { OmLog::toggleAllowFlood(); }

    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        linktest::useTestInterfaces();
        KlE_Control_Status::Options options;
        options.timer = false;
        options.socketFactory = sockets.factory();
        link = std::make_unique<KlE_Control_Status>(options);
    }

    void TearDown() override {
        tokens.clear();
        agent.reset();
        for (auto& sim : sims) sim->stop();
    }

    BftpServerSim& startMaster(const char* name = "Kelo Master",
                               BftpServerSim::Config config = {}) {
        sims.push_back(std::make_unique<BftpServerSim>(config));
        QString error;
        EXPECT_TRUE(sims.back()->start(&error)) << error.toStdString();
        addServer(name, linktest::kLoopback, true, sims.back()->port());
        return *sims.back();
    }

    KeloObject* addServer(const char* name, uint32_t address, bool reachable, int bftpPort = 0) {
        KeloObject* k = link->addKeloForName(name);
        k->setAddress(address, address);
        k->setIsReachable(reachable);
        k->setBftpTcpPort(bftpPort);
        k->setCollectionID(7);
        link->updateAddresses();
        return k;
    }

    void addReceivers() {
        addServer("Kelo R1", kR1, true);
        addServer("Kelo R2", kR2, true);
        addServer("Kelo R3", kR3, true);
        addServer("Kelo R4", kR4, false);
        addServer("Kelo R5", 0, true);
    }

    void makeAgent(double stopGrace = 0.3, double stallTimeout = 10.0) {
        KeloContentTransferAgent::Options o;
        o.stopGrace = stopGrace;
        o.stallTimeout = stallTimeout;
        o.link = link.get();
        agent = std::make_unique<KeloContentTransferAgent>(o);
        tokens.push_back(NotificationCenter::defaultCenter().addObserver(
            kKeloContentTransferAgentNotification, agent.get(),
            [this](const Notification& n) { notes.push_back(n.userInfo); }));
        tokens.push_back(NotificationCenter::defaultCenter().addObserver(
            kKeloContentTransferAgentPauseNotification, agent.get(),
            [this](const Notification& n) { pauses.push_back(n.userInfo); }));
    }

    static QVariantMap task(const char* master = "Kelo Master", qint64 length = 1000) {
        return {{"master", master},
                {"slaves",
                 QStringList{"Kelo R1", "Kelo R2", "Kelo R4", "Kelo R5", "Nobody", "Kelo R3"}},
                {"length", length},
                {"bitRate", 8000},
                {"opcode", 2},
                {"file", kItem.data()}};
    }

    // Idle, with the progress the thread handed over before delivered.
    bool waitIdle(int ms = 5000) {
        if (!processUntil([&] { return !agent->isActive() && !agent->stopping(); }, ms)) {
            return false;
        }
        QCoreApplication::processEvents();
        return true;
    }

    int forceStops() const {
        return int(std::count_if(notes.begin(), notes.end(),
                                 [](const QVariantMap& n) { return n.contains("forceStop"); }));
    }

    linktest::FakeSockets sockets;
    std::unique_ptr<KlE_Control_Status> link;
    std::vector<std::unique_ptr<BftpServerSim>> sims;
    std::unique_ptr<KeloContentTransferAgent> agent;
    std::vector<QVariantMap> notes;
    std::vector<QVariantMap> pauses;
    std::vector<NotificationCenter::Token> tokens;
};

TEST_F(TransferAgentTest, TransferFromMasterToReceivers) {
    BftpServerSim& master = startMaster();
    addReceivers();
    makeAgent();

    EXPECT_EQ(agent->performTransfers(task()), 66);
    ASSERT_TRUE(waitIdle());

    // The request names the reachable receivers only, in order.
    const auto requests = master.requests();
    ASSERT_EQ(requests.size(), 1u);
    QByteArray want = QByteArray::fromHex(
        "42465450"
        "00000038"
        "00000042"
        "00000000"
        "07000000"
        "1f400000"
        "00000001"
        "00000000"
        "42465453"
        "02030001"
        "01020304"
        "c0000217c0000218c0000219");
    EXPECT_NE(agent->udpPort(), 0);
    qToBigEndian(uint16_t(agent->udpPort()), want.data() + 22);
    EXPECT_EQ(requests[0].toHex(), want.toHex());

    // Three progress replies, then the final report.
    ASSERT_EQ(notes.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        const QVariantMap& n = notes[size_t(i)];
        EXPECT_EQ(n.value("status").toLongLong(), kTransferStatusProgress);
        EXPECT_EQ(n.value("mbps").toInt(), 80);
        EXPECT_FALSE(n.contains("reportFlags"));
        EXPECT_NEAR(n.value("progress").toDouble(), i / 3.0, 0.001);
        EXPECT_EQ(n.value("name").toString(), "clip.mov");
        EXPECT_EQ(n.value("transfer").toLongLong(), 66);
        EXPECT_EQ(n.value("collection").toLongLong(), 7);
        EXPECT_EQ(n.value("task").value<KlContentRef>(), kItem);
        EXPECT_EQ(n.value("taskDictionary").toMap().value("master").toString(), "Kelo Master");
        const QVariantList receivers = n.value("receivers").toList();
        ASSERT_EQ(receivers.size(), 3);
        EXPECT_EQ(receivers[2].toMap().value("address").toLongLong(), kR3);
        EXPECT_EQ(receivers[2].toMap().value("resetCount").toLongLong(), 2);
    }
    const QVariantMap& last = notes.back();
    EXPECT_EQ(last.value("status").toLongLong(), fourCharCode("done"));
    EXPECT_EQ(last.value("reportFlags").toInt(), 3);
    EXPECT_FALSE(last.contains("mbps"));
    EXPECT_DOUBLE_EQ(last.value("progress").toDouble(), 1.0);

    EXPECT_EQ(agent->taskStatus(), int32_t(fourCharCode("done")));
    EXPECT_EQ(agent->taskName(), "clip.mov");
    EXPECT_EQ(agent->taskCount(), 3);
    EXPECT_EQ(agent->description(), "TransferAgent clip.mov (done, 1.000)");

    // The master closes after its report: the task counts as aborted.
    const QVariantList done = agent->tasksDone();
    ASSERT_EQ(done.size(), 1);
    const QVariantMap t = done[0].toMap();
    EXPECT_EQ(t.value("status").toLongLong(), kTransferStatusAborted);
    EXPECT_EQ(t.value("ip_address").toLongLong(), linktest::kLoopback);
    EXPECT_EQ(t.value("bftpTcpPort").toInt(), master.port());
    EXPECT_EQ(t.value("coll_id").toInt(), 7);
    EXPECT_EQ(t.value("transfer").toInt(), 66);
    EXPECT_EQ(t.value("slave_ips").toList(),
              (QVariantList{qint64(kR1), qint64(kR2), qint64(kR4), qint64(kR3)}));
    EXPECT_EQ(agent->queueLength(), 0u);
}

TEST_F(TransferAgentTest, QueueBookkeeping) {
    startMaster();
    addServer("Kelo Other", 0xC0000230, true, 1);
    addReceivers();
    makeAgent();

    // A long pause keeps the thread from taking the tasks.
    agent->pauseAndNotify(30, {{"why", "hold"}});
    ASSERT_TRUE(processUntil([&] { return pauses.size() == 1; }, 2000));

    EXPECT_EQ(agent->performTransfers(task("Kelo Master", 1000)), 66);
    const QVariantList two{task("Kelo Master", 200), task("Nobody", 50), task("Kelo Other", 30)};
    EXPECT_EQ(agent->performTransfers(two), 67);
    // Only an unknown master: nothing queued, the ID is used up all the same.
    EXPECT_EQ(agent->performTransfers(QVariantList{task("Nobody")}), 68);
    EXPECT_EQ(agent->performTransfers(task()), 69);

    const QVariantList queued = agent->tasksQueued();
    ASSERT_EQ(queued.size(), 4);
    EXPECT_EQ(queued[0].toMap().value("status").toLongLong(), kTransferStatusPending);
    EXPECT_EQ(queued[2].toMap().value("master").toString(), "Kelo Other");
    EXPECT_EQ(queued[2].toMap().value("transfer").toInt(), 67);
    EXPECT_EQ(agent->queueLength(), 2230u);
    EXPECT_EQ(agent->lengthOfQueuedTasksWithValue("Kelo Master", "master"), 2200u);
    EXPECT_EQ(agent->lengthOfQueuedTasksWithValue(67, "transfer"), 230u);
    EXPECT_EQ(agent->queueLengthForTransferID(67), 230u);
    EXPECT_EQ(agent->queueLengthForTransferID(0x40, 0xF0), 2230u);
    EXPECT_EQ(agent->queueLengthForTransferID(68), 0u);
    EXPECT_TRUE(agent->isActive());

    // A stop refuses new tasks until the thread has aborted the queue.
    agent->stop();
    EXPECT_EQ(agent->performTransfers(task()), 0);
    agent->resume();
    ASSERT_TRUE(waitIdle());
    const QVariantList done = agent->tasksDone();
    ASSERT_EQ(done.size(), 4) << "the pause is not listed";
    for (const QVariant& t : done) {
        EXPECT_EQ(t.toMap().value("status").toLongLong(), kTransferStatusAborted);
    }
    EXPECT_EQ(agent->queueLength(), 0u);
    EXPECT_EQ(agent->transferID(), 70);
    EXPECT_EQ(agent->performTransfers(task()), 70);
    ASSERT_TRUE(waitIdle());
}

TEST_F(TransferAgentTest, EveryAbortReason) {
    BftpServerSim& master = startMaster();
    addReceivers();
    // A master whose port takes no connection.
    const int closed = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(linktest::kLoopback);
    bind(closed, reinterpret_cast<sockaddr*>(&sin), sizeof sin);
    socklen_t size = sizeof sin;
    getsockname(closed, reinterpret_cast<sockaddr*>(&sin), &size);
    close(closed);
    addServer("Kelo Dead", linktest::kLoopback, true, ntohs(sin.sin_port));
    makeAgent();

    using B = BftpServerSim::Behaviour;
    struct Case {
        const char* master;
        B behaviour;
        int reason;
    };
    const std::vector<Case> cases = {
        {"Kelo Master", B::NoBody, kTransferNothingToRead},
        {"Kelo Master", B::Close, kTransferShortHeader},
        {"Kelo Master", B::ShortReply, kTransferShortBody},
        {"Kelo Master", B::LongReply, kTransferShortBody},
        {"Kelo Master", B::ReceiversOverrun, kTransferShortBody},
        {"Kelo Master", B::Garbage, kTransferBadMagic},
        {"Kelo Master", B::WrongReplyMagic, kTransferBadReplyMagic},
        {"Kelo Dead", B::Normal, kTransferSocketFailure},
    };
    QVariantList tasks;
    for (const Case& c : cases) {
        if (QByteArray(c.master) == "Kelo Master") master.pushBehaviour(c.behaviour);
        tasks.append(task(c.master));
    }
    testing::internal::CaptureStdout();
    agent->performTransfers(tasks);
    const bool idle = waitIdle();
    const std::string log = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(idle);

    std::vector<int> reasons;
    for (size_t at = 0; (at = log.find("abortCurrentTask reason: ", at)) != std::string::npos;) {
        at += strlen("abortCurrentTask reason: ");
        reasons.push_back(std::atoi(log.c_str() + at));
    }
    std::vector<int> expected;
    for (const Case& c : cases) expected.push_back(c.reason);
    EXPECT_EQ(reasons, expected) << log;
    EXPECT_EQ(agent->tasksDone().size(), qsizetype(cases.size()));
    EXPECT_NE(log.find("Connect socket failure"), std::string::npos);
    EXPECT_TRUE(notes.empty()) << "no bad reply becomes a notification";
}

TEST_F(TransferAgentTest, StopBetweenRepliesEndsTheTaskWithItsNextReply) {
    BftpServerSim::Config slow;
    slow.progressReplies = 100;
    slow.intervalMs = 20;
    startMaster("Kelo Master", slow);
    addReceivers();
    makeAgent(2.0);

    agent->performTransfers(QVariantList{task(), task()});
    ASSERT_TRUE(processUntil([&] { return !notes.empty(); }, 3000));
    agent->stop();
    ASSERT_TRUE(waitIdle(1500)) << "ended well before the forced stop";
    EXPECT_EQ(notes.back().value("status").toLongLong(), kTransferStatusAborted);
    EXPECT_EQ(forceStops(), 0);
    const QVariantList done = agent->tasksDone();
    ASSERT_EQ(done.size(), 2);
    EXPECT_EQ(done[0].toMap().value("status").toLongLong(), kTransferStatusAborted);
    EXPECT_EQ(done[1].toMap().value("status").toLongLong(), kTransferStatusAborted);
}

TEST_F(TransferAgentTest, StopBeforeTheFirstReply) {
    BftpServerSim& master = startMaster();
    addReceivers();
    makeAgent();

    testing::internal::CaptureStdout();
    agent->performTransfers(task());
    // The thread waits for this (main) thread to name the reachable
    // receivers; stopping now, before the request goes out, is seen at once.
    ASSERT_TRUE(master.waitForConnections(1, 3000));
    agent->stop();
    const bool idle = waitIdle();
    processFor(400);
    const std::string log = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(idle);
    EXPECT_NE(log.find("abortCurrentTask reason: 2"), std::string::npos) << log;
    EXPECT_NE(log.find("[Content] received STOP"), std::string::npos) << log;
    EXPECT_EQ(forceStops(), 0) << "a finished stop needs no forced one";
    EXPECT_TRUE(notes.empty());
}

TEST_F(TransferAgentTest, ForcedStopWakesABlockedTransfer) {
    BftpServerSim::Config one;
    one.progressReplies = 1;
    BftpServerSim& master = startMaster("Kelo Master", one);
    master.pushBehaviour(BftpServerSim::Behaviour::Stall);
    addReceivers();
    makeAgent(0.3);

    agent->performTransfers(QVariantList{task(), task()});
    ASSERT_TRUE(processUntil([&] { return notes.size() == 1; }, 3000));
    testing::internal::CaptureStdout();
    QElapsedTimer t;
    t.start();
    agent->stop();
    // During the stop nothing is queued; the request only pushes the forced stop back.
    EXPECT_EQ(agent->performTransfers(task()), 0);
    const bool idle = waitIdle(3000);
    const qint64 took = t.elapsed();
    const std::string log = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(idle);
    EXPECT_GE(took, 250);
    EXPECT_LT(took, 2000);
    EXPECT_NE(log.find("[Content] agent force stop"), std::string::npos) << log;
    EXPECT_NE(log.find("abortCurrentTask reason: 3"), std::string::npos) << log;
    ASSERT_GE(forceStops(), 1);
    const auto it = std::find_if(notes.begin(), notes.end(),
                                 [](const QVariantMap& n) { return n.contains("forceStop"); });
    EXPECT_EQ(*it, (QVariantMap{{"forceStop", "1"}}));
    EXPECT_EQ(agent->tasksDone().size(), 2);
    EXPECT_EQ(master.requests().size(), 1u);

    // The agent takes tasks again.
    EXPECT_EQ(agent->performTransfers(task()), 67);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(master.requests().size(), 2u);
}

TEST_F(TransferAgentTest, StallAbortsTheQueueButNotTheNewTask) {
    BftpServerSim::Config one;
    one.progressReplies = 1;
    BftpServerSim& master = startMaster("Kelo Master", one);
    master.pushBehaviour(BftpServerSim::Behaviour::Stall);
    addReceivers();
    makeAgent(3.0, 0.5);

    agent->performTransfers(QVariantList{task(), task("Kelo Master", 77)});
    ASSERT_TRUE(processUntil([&] { return notes.size() == 1; }, 3000));
    // Recent progress: no stall yet.
    EXPECT_EQ(agent->performTransfers(QVariantMap{{"master", "Nobody"}}), 67);
    EXPECT_EQ(forceStops(), 0);
    processFor(650);

    EXPECT_EQ(agent->performTransfers(task("Kelo Master", 5)), 68);
    EXPECT_EQ(forceStops(), 1);
    ASSERT_TRUE(waitIdle());
    const QVariantList done = agent->tasksDone();
    ASSERT_EQ(done.size(), 3);
    EXPECT_EQ(done[0].toMap().value("status").toLongLong(), kTransferStatusAborted);
    EXPECT_EQ(done[1].toMap().value("length").toInt(), 77);
    EXPECT_EQ(done[1].toMap().value("status").toLongLong(), kTransferStatusAborted);
    EXPECT_EQ(done[2].toMap().value("transfer").toInt(), 68);
    EXPECT_EQ(master.requests().size(), 2u) << "the task queued at the stall still ran";
    EXPECT_EQ(notes.back().value("status").toLongLong(), fourCharCode("done"));
}

TEST_F(TransferAgentTest, SteadyProgressIsNoStall) {
    BftpServerSim::Config slow;
    slow.progressReplies = 40;
    slow.intervalMs = 25;
    startMaster("Kelo Master", slow);
    addReceivers();
    makeAgent(3.0, 0.5);

    agent->performTransfers(task());
    ASSERT_TRUE(processUntil([&] { return !notes.empty(); }, 3000));
    processFor(700);
    // Only the running task is left, yet its replies keep it alive.
    agent->performTransfers(task());
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(forceStops(), 0);
    int finals = 0;
    for (const auto& n : notes) finals += n.value("status").toLongLong() == fourCharCode("done");
    EXPECT_EQ(finals, 2);
}

TEST_F(TransferAgentTest, PauseEndsOnTimeOrOnResume) {
    startMaster();
    addReceivers();
    makeAgent();

    QElapsedTimer t;
    t.start();
    agent->pauseAndNotify(0.3, {{"step", 1}});
    agent->performTransfers(task());
    ASSERT_TRUE(processUntil([&] { return !notes.empty(); }, 3000));
    EXPECT_GE(t.elapsed(), 290);
    ASSERT_EQ(pauses.size(), 1u);
    EXPECT_EQ(pauses[0], (QVariantMap{{"step", 1}, {"pauseAndNotify", 0.3}}));
    ASSERT_TRUE(waitIdle());

    agent->pauseAndNotify(60, {});
    ASSERT_TRUE(processUntil([&] { return pauses.size() == 2; }, 2000));
    t.restart();
    agent->resume();
    ASSERT_TRUE(waitIdle(2000));
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_TRUE(agent->tasksDone().size() == 1) << "pauses are not listed as done";
}

TEST_F(TransferAgentTest, DestroyingTheAgentEndsABlockedTransfer) {
    BftpServerSim::Config one;
    one.progressReplies = 1;
    BftpServerSim& master = startMaster("Kelo Master", one);
    master.pushBehaviour(BftpServerSim::Behaviour::Stall);
    addReceivers();
    makeAgent();

    agent->performTransfers(task());
    ASSERT_TRUE(processUntil([&] { return notes.size() == 1; }, 3000));
    QElapsedTimer t;
    t.start();
    tokens.clear();
    agent.reset();
    EXPECT_LT(t.elapsed(), 1000);
}

}  // namespace

KELO_TEST_MAIN_CORE()
