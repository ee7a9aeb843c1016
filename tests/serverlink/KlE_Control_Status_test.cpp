#include "serverlink/KlE_Control_Status.h"

#include "LinkTestSupport.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "serverlink/BftpBeacon.h"
#include "serverlink/ReceiveThread.h"
#include "support/LoopbackNamespace.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

using namespace linktest;
using namespace WireBuilders;

namespace {

QByteArray prefsText(const QVariantMap& prefs) {
    return PropertyList::write(prefs, PropertyList::Format::Xml);
}

QVariantMap entry(const QString& type, const QVariant& value) {
    return {{"_type", type}, {"_value", value}};
}

QByteArray onePref(const QByteArray& key, const QByteArray& value) {
    return serverMessage(kKlEOpOnePref, 0, key + '\0' + value + '\0');
}

QByteArray generalStatus(uint8_t layerCount) {
    kle_general_stat s{};
    s.vMajor = 4;
    s.layercount = layerCount;
    return QByteArray(reinterpret_cast<const char*>(&s), sizeof s);
}

class Singleton : public LinkTest {
protected:
    Singleton() : LinkTest(24809) {}

    // A discovered server that a view wants polled.
    KeloObject* wanted(const QByteArray& name, uint32_t address) {
        ploc(name, address);
        return link->addKeloForName(QString::fromUtf8(name));
    }

    void givePrefs(uint32_t address, const QVariantMap& prefs) {
        receive(serverMessage(kKlEOpPrefsDict, 0, prefsText(prefs)), address);
    }

    // Ticks at 1/30 s up to (not past) `until`.
    void tickUntil(double until) {
        while (gNow + 1.0 / 30 <= until) {
            gNow += 1.0 / 30;
            tick();
        }
    }
};

TEST_F(Singleton, FirstTickOpensSocketsAndSendsNothingWithoutServers) {
    EXPECT_FALSE(link->sktValid());
    tick();
    EXPECT_TRUE(link->sktValid());
    for (int i = 0; i < 60; ++i) tick();
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(link->changes() & 64);  // interfaces scanned at start
}

TEST_F(Singleton, PollsEveryWantedRunningServerOncePerTickPreferencesFirst) {
    const QVariantMap two{{"a", entry("int", "1")}, {"b", entry("int", "2")}};
    wanted("Kelo noPrefs", 0xC0000217);
    wanted("Kelo twoPrefs", 0xC0000218);
    givePrefs(0xC0000218, two);
    wanted("Kelo onePref", 0xC0000219);
    givePrefs(0xC0000219, {{"a", entry("int", "1")}});
    ploc("Kelo notWanted", 0xC000021A);
    wanted("Kelo stopped", 0xC000021B);
    ploc("Kelo stopped", 0xC000021B, "Stopped");
    takeSent();

    std::map<uint32_t, std::vector<Sent>> byAddress;
    for (int i = 0; i < 30; ++i) {
        tick();
        for (auto& s : takeSent()) byAddress[s.address].push_back(s);
    }
    struct Case {
        uint32_t address;
        int op;
        uint16_t port;
    } cases[] = {
        {0xC0000217, kKlEOpPrefsDictRequest, 16437},
        {0xC0000218, kKlEOpStatusRequest, 14810},
        {0xC0000219, kKlEOpPrefsDictRequest, 16437},  // one entry is not a dictionary yet
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        ASSERT_EQ(byAddress[c.address].size(), 30u);
        for (const Sent& s : byAddress[c.address]) {
            EXPECT_EQ(s.op(), c.op);
            EXPECT_EQ(s.port, c.port);
            EXPECT_EQ(s.datagram.size(), 14);
        }
    }
    EXPECT_EQ(byAddress.count(0xC000021A), 0u);
    EXPECT_EQ(byAddress.count(0xC000021B), 0u);
    EXPECT_EQ(byAddress.size(), 3u);
}

TEST_F(Singleton, StatusRequestsCarryTheServersRequestSequence) {
    KeloObject* kelo = wanted("Kelo A", kServerA);
    givePrefs(kServerA, {{"a", entry("int", "1")}, {"b", entry("int", "2")}});
    // A twin fed the same history hands out the same sequence.
    KeloObject twin;
    twin.setPrefsDict(kelo->prefsDict());
    takeSent();
    for (int i = 0; i < 10; ++i) {
        tick();
        const auto s = takeSent();
        ASSERT_EQ(s.size(), 1u);
        const uint16_t word =
            uint16_t(uint8_t(s[0].datagram[12]) << 8 | uint8_t(s[0].datagram[13]));
        EXPECT_EQ(word, twin.request().requestWord());
    }
}

TEST_F(Singleton, ServerOnThisComputerIsPolledAtLoopback) {
    KeloObject* kelo = wanted("Kelo here", kOwnAddress);
    EXPECT_EQ(kelo->address(), kLoopback);
    EXPECT_EQ(kelo->realEthernetAddress(), kOwnAddress);
    EXPECT_TRUE(kelo->isLocalIP());
    EXPECT_EQ(link->keloObjectForAddress(kOwnAddress), kelo);
    EXPECT_EQ(link->keloObjectForAddress(kLoopback, true), kelo);
    takeSent();
    tick();
    auto s = takeSent();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].op(), kKlEOpPrefsDictRequest);
    EXPECT_EQ(s[0].address, kLoopback);
    givePrefs(kOwnAddress, {{"a", entry("int", "1")}, {"b", entry("int", "2")}});
    tick();
    s = takeSent();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].op(), kKlEOpStatusRequest);
    EXPECT_EQ(s[0].address, kLoopback);
}

TEST_F(Singleton, LostContactAfterPlocTimeoutAndBack) {
    KeloObject* kelo = wanted("Kelo A", kServerA);
    givePrefs(kServerA, {{"a", entry("int", "1")}, {"b", entry("int", "2")}});
    tickUntil(kStart + 5.0);
    EXPECT_TRUE(link->current().contains("Kelo A"));
    link->sendChangeNotificationsAndClear();
    gNow = kStart + 5.01;
    tick();
    EXPECT_FALSE(link->current().contains("Kelo A"));
    EXPECT_EQ(link->keloObjectForName("Kelo A"), kelo);
    EXPECT_EQ(kelo->address(), 0u);
    EXPECT_FALSE(kelo->isRunning());
    EXPECT_FALSE(kelo->lastPLocValid());
    EXPECT_TRUE(kelo->needsPrefUpdate());
    EXPECT_TRUE(link->changes() & 16);
    takeSent();
    tick();
    EXPECT_TRUE(takeSent().empty());

    ploc("Kelo A", kServerA);
    EXPECT_TRUE(link->current().contains("Kelo A"));
    tick();
    auto s = takeSent();
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].op(), kKlEOpPrefsDictRequest);  // preferences asked for again
}

TEST_F(Singleton, GracePeriodAfterStalledMainThread) {
    KeloObject* kelo = wanted("Kelo A", kServerA);
    tickUntil(kStart + 4.0);
    gNow = kStart + 7.0;  // the main thread was blocked for 3 s
    tick();
    EXPECT_TRUE(kelo->lastPLocValid());
    tickUntil(kStart + 8.15);  // the grace period lasts to 8.2 s
    EXPECT_TRUE(kelo->lastPLocValid());
    EXPECT_TRUE(link->current().contains("Kelo A"));
    tickUntil(kStart + 8.25);
    EXPECT_FALSE(kelo->lastPLocValid());
    // The period has ended: the next silent server is dropped on time.
    ploc("Kelo B", kServerB);
    const double heard = gNow;
    tickUntil(heard + 5.0);
    EXPECT_TRUE(link->keloObjectForName("Kelo B")->lastPLocValid());
    gNow = heard + 5.01;
    tick();
    EXPECT_FALSE(link->keloObjectForName("Kelo B")->lastPLocValid());
}

TEST_F(Singleton, FailedStatusSocketIsRetriedAtEveryTick) {
    sockets.status->failOpen = true;
    for (int i = 0; i < 5; ++i) tick();
    EXPECT_FALSE(link->sktValid());
    sockets.status->failOpen = false;
    tick();
    EXPECT_TRUE(link->sktValid());
    EXPECT_TRUE(sockets.discovery->isOpen());
}

TEST_F(Singleton, InterfaceChangeRescansAndReopensTheSockets) {
    KeloObject* kelo = wanted("Kelo B", 0xC0000317);  // 192.0.3.23: no subnet of ours yet
    EXPECT_FALSE(kelo->isReachable());
    tick();
    ASSERT_TRUE(link->sktValid());
    link->sendChangeNotificationsAndClear();
    gInterfaces.push_back(testInterface("eth1", 0xC0000305, 3));
    // The first check comes 23 ticks after start; this is the second tick.
    int ticks = 0;
    while (link->sktValid() && ticks < 60) {
        tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 22);
    EXPECT_TRUE(link->changes() & 64);
    EXPECT_TRUE(kelo->isReachable());
    tick();
    EXPECT_TRUE(link->sktValid());
    // Unchanged interfaces keep the sockets open at the next check.
    for (int i = 0; i < 31; ++i) tick();
    EXPECT_TRUE(link->sktValid());
}

TEST_F(Singleton, ChangeNotificationOnlyForAddressServerInterfaceOrCollectionBits) {
    int posted = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(
        "kKeloPatchChangedNotification", nullptr, [&](const Notification&) { ++posted; });
    ploc("Kelo A", kServerA);
    link->sendChangeNotificationsAndClear();
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(link->changes(), 0);

    givePrefs(kServerA, {{"a", entry("int", "1")}});  // bit 8 alone
    ASSERT_EQ(link->changes(), 8);
    link->sendChangeNotificationsAndClear();
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(link->changes(), 0);

    link->addKeloForName("Kelo A");  // bit 16
    link->sendChangeNotificationsAndClear();
    EXPECT_EQ(posted, 2);
}

TEST_F(Singleton, ScreenNames) {
    const struct {
        const char* name;
        const char* screen;
    } cases[] = {
        {"KeloEgret on Kelo on Stage", "Stage"},
        {"Kelo on KeloEgret on Stage", "KeloEgret on Stage"},
        {"Kelo on Stage", "Stage"},
        {"Kelo Stage", "Kelo Stage"},
        {"KeloEgret on ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(screenNameForKeloName(c.name), c.screen) << c.name;
    KeloObject* kelo = wanted("Kelo on Stage", kServerA);
    EXPECT_EQ(screenNameForKelo(kelo, false), "Stage");
    EXPECT_EQ(screenNameForKelo(kelo, true), "Stage (" + kelo->addressString() + ")");
}

// --- Dispatch ----------------------------------------------------------------

TEST_F(Singleton, StatusReplyIsFiledIntoTheSendersObjectOnly) {
    KeloObject* kelo = wanted("Kelo A", kServerA);
    link->sendChangeNotificationsAndClear();
    const QByteArray reply = statusReply({statusRecord(1, generalStatus(5))});
    receive(reply, kServerB);
    EXPECT_EQ(kelo->layerCount(), 0);
    EXPECT_EQ(link->changes(), 0);
    receive(reply, kServerA);
    EXPECT_EQ(kelo->layerCount(), 5);
    EXPECT_TRUE(link->changes() & 16);
}

TEST_F(Singleton, PreferenceDictionaryOnlyWhenItIsADictionary) {
    KeloObject* kelo = wanted("Kelo A", kServerA);
    kelo->setNeedsPrefUpdate(true);
    const QVariantMap prefs{{"a", entry("int", "1")}, {"b", entry("int", "2")}};
    const struct {
        const char* what;
        QByteArray text;
        bool taken;
    } cases[] = {
        {"array", PropertyList::write(QVariantList{1, 2}, PropertyList::Format::Xml), false},
        {"empty", QByteArray(), false},
        {"garbage", "<plist><dict><key>a", false},
        {"dictionary", prefsText(prefs), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        link->sendChangeNotificationsAndClear();
        const ServerChanges before = kelo->changes();
        receive(serverMessage(kKlEOpPrefsDict, 0, c.text), kServerA);
        EXPECT_EQ(kelo->hasPrefsDict(), c.taken);
        EXPECT_EQ(kelo->needsPrefUpdate(), !c.taken);
        EXPECT_EQ(link->changes() == 8, c.taken);
        EXPECT_EQ(kelo->changes().prefsDict != before.prefsDict, c.taken);
    }
    EXPECT_EQ(kelo->prefsDict(), prefs);
    EXPECT_FALSE(kelo->needsPrefUpdate());
}

TEST_F(Singleton, RepeatedOnePreferenceChangesNothingTheSecondTime) {
    KeloObject* kelo = wanted("Kelo A", kServerA);
    givePrefs(kServerA,
              {{"speed", entry("int", "1")}, {"list", entry("s_array", QVariantList{"x"})}});
    link->sendChangeNotificationsAndClear();
    const ServerChanges before = kelo->changes();

    receive(onePref("speed", "2"), kServerA);
    EXPECT_EQ(link->changes(), 8);
    EXPECT_EQ(kelo->changes().prefsDict, before.prefsDict + 1);
    QVariantMap item = kelo->prefsDict().value("speed").toMap();
    EXPECT_EQ(item.value("_value"), QVariant("2"));
    EXPECT_EQ(item.value("_prefUpdates").toLongLong(), kelo->prefUpdates());

    link->sendChangeNotificationsAndClear();
    receive(onePref("speed", "2"), kServerA);
    EXPECT_EQ(link->changes(), 0);
    EXPECT_EQ(kelo->changes().prefsDict, before.prefsDict + 1);
    EXPECT_EQ(kelo->prefsDict().value("speed").toMap(), item);

    // An array preference arrives as property-list text; unparsable text
    // keeps the value the entry had.
    receive(onePref("list", prefsText({}).replace("<dict/>", "<array><string>y</string></array>")),
            kServerA);
    EXPECT_EQ(kelo->prefsDict().value("list").toMap().value("_value"), QVariant(QVariantList{"y"}));
    link->sendChangeNotificationsAndClear();
    receive(onePref("list", "<array><string>"), kServerA);
    EXPECT_EQ(kelo->prefsDict().value("list").toMap().value("_value"), QVariant(QVariantList{"y"}));
    EXPECT_EQ(link->changes(), 0);
}

TEST_F(Singleton, ContentItemDataIsPostedForItsServer) {
    KeloObject* kelo = wanted("Kelo A", kServerA);
    QVariantMap got;
    const void* sender = nullptr;
    auto token = NotificationCenter::defaultCenter().addObserver(
        "KeloContentEditorNotification", nullptr, [&](const Notification& n) {
            got = n.userInfo;
            sender = n.sender;
        });
    receive(serverMessage(kKlEOpContentItemData, 0, QByteArray("item\x0bvalue") + '\0'), kServerA);
    EXPECT_EQ(sender, kelo);
    EXPECT_EQ(got.value("opcode").toInt(), 23);
    EXPECT_EQ(got.value("message").toString(), "item\x0bvalue");
    EXPECT_EQ(KlE_Control_Status::separatedStrings(got.value("message").toString()),
              QStringList({"item", "value"}));
}

TEST_F(Singleton, EveryChannelLogsARefusedDatagramInOneForm) {
    wanted("Kelo A", kServerA);
    const QByteArray beacon =
        transferBeacon(0x04000000, 1, 2, 3, 0xFFFFFF00, 4812, 7, "stamp").left(62);
    const struct {
        const char* channel;
        const char* what;
        QByteArray datagram;
        const char* how;
    } cases[] = {
        {"discovery", "presence message", citpPLoc(4811, "MediaServer", "Kelo A", "Stopped", 4000),
         "presence message claims 4000 bytes"},
        {"status", "preference dictionary", serverMessage(kKlEOpPrefsDict, 0, "<plist>", 60000),
         "preference dictionary claims 60000 bytes, 7 received"},
        {"status", "preference value", serverMessage(kKlEOpOnePref, 0, "a"),
         "preference value lacks its key or value"},
        {"content editor", "content item data", serverMessage(kKlEOpContentItemData, 0, "abc"),
         "content item text is not terminated"},
        {"BFTP beacon", "transfer beacon", beacon, "transfer beacon is truncated"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        testing::internal::CaptureStdout();
        receive(c.datagram, kServerA);
        const std::string log = testing::internal::GetCapturedStdout();
        const std::string line =
            QString::asprintf("%s channel: %s of %d bytes from 192.0.2.23 refused: ", c.channel,
                              c.what, int(c.datagram.size()))
                .toStdString();
        EXPECT_NE(log.find(line + c.how), std::string::npos) << log;
    }
    // Another device's presence is not ours, but not wrong either: no line.
    testing::internal::CaptureStdout();
    receive(citpPLoc(4811, "LightingConsole", "Desk", "Running"), kServerB);
    EXPECT_EQ(testing::internal::GetCapturedStdout().find("refused"), std::string::npos);
}

struct Snapshot {
    size_t servers;
    uint32_t address;
    bool running;
    int layers;
    QVariantMap prefs;
    QStringList current;
    bool operator==(const Snapshot&) const = default;
};

TEST_F(Singleton, MalformedDatagramsLeaveTheServerAlone) {
    KeloObject* kelo = wanted("Kelo A", kServerA);
    givePrefs(kServerA, {{"a", entry("int", "1")}, {"b", entry("int", "2")}});
    receive(statusReply({statusRecord(1, generalStatus(3))}), kServerA);
    auto snap = [&] {
        return Snapshot{link->keloes().size(), kelo->address(),   kelo->isRunning(),
                        kelo->layerCount(),    kelo->prefsDict(), link->current()};
    };
    const Snapshot before = snap();
    QByteArray shortStatus = statusReply({statusRecord(1, generalStatus(9))});
    shortStatus.chop(10);
    const QByteArray cases[] = {
        citpPLoc(4811, "MediaServer", "Kelo A", "Stopped").left(30),
        citpPLoc(4811, "MediaServer", "Kelo A", "Stopped", 4000),
        citpPLoc(4811, "MediaServer", "Kelo A", "Stopped", 20),
        citpPLoc(4811, "MediaServer", "Other", "Stopped"),
        citpPLoc(4811, "LightingConsole", "Kelo A", "Stopped"),
        serverMessage(kKlEOpPrefsDict, 0, prefsText({}), 60000),
        serverMessage(kKlEOpOnePref, 0, "a"),
        statusReply({statusRecord(1, generalStatus(9), 4000)}),
        statusReply({statusRecord(1, generalStatus(9) + "xyz")}),
        shortStatus,
        serverHeader(kKlEOpStatusReply).left(9),
        QByteArray("\0\x0eKlEStatX\0\x11", 12),
        QByteArray(3, 'C'),
        QByteArray(),
    };
    for (const QByteArray& d : cases) receive(d, kServerA);
    EXPECT_EQ(snap(), before);

    // Random damage to valid datagrams must never crash the dispatch.
    const QByteArray seeds[] = {
        citpPLoc(4811, "MediaServer", "Kelo A", "Running"),
        statusReply({statusRecord(1, generalStatus(4)),
                     previewRecord(0x8001, 8, 8, 16, 16, QByteArray(40, 'j'))}),
        onePref("a", "5"),
        serverMessage(kKlEOpPrefsDict, 0, prefsText({{"a", 1}})),
        transferBeacon(0x04000000, 1, 2, 3, 0xFFFFFF00, 4812, 7, "stamp"),
        BftpBeacon::managerBeacon(7, "someone"),
    };
    std::mt19937 random(4810);
    for (int i = 0; i < 20000; ++i) {
        QByteArray d = seeds[random() % std::size(seeds)];
        const int edits = 1 + int(random() % 4);
        for (int e = 0; e < edits && !d.isEmpty(); ++e) {
            switch (random() % 3) {
                case 0:
                    d[qsizetype(random() % d.size())] = char(random());
                    break;
                case 1:
                    d.truncate(qsizetype(random() % d.size()));
                    break;
                default:
                    d.append(QByteArray(qsizetype(random() % 64), char(random())));
                    break;
            }
        }
        receive(d, random() % 2 ? kServerA : kServerB);
    }
    EXPECT_LE(link->keloes().size(), KlE_Control_StatusOptions().maxServers);
}

TEST(SingletonTimer, PollsThirtyTimesASecondOnTheEventLoop) {
    useTestInterfaces();
    FakeSockets sockets;
    KlE_Control_Status::Options options;
    options.citpPort = 26809;
    options.socketFactory = sockets.factory();
    KlE_Control_Status link(options);
    sockets.inject(citpPLoc(4811, "MediaServer", "Kelo A", "Running"), kServerA);
    link.addKeloForName("Kelo A");
    sockets.sent.clear();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const auto polls = std::count_if(sockets.sent.begin(), sockets.sent.end(),
                                     [](const Sent& s) { return s.address == kServerA; });
    const double rate = double(polls) * 1000.0 / double(t.elapsed());
    EXPECT_GT(rate, 27.0);
    EXPECT_LT(rate, 31.5);
}

// --- Real sockets on loopback ------------------------------------------------

// A server's end of the link on 127.0.0.x.
class FakeServer {
public:
    FakeServer(uint32_t address, uint16_t port) {
        fd_ = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(address);
        a.sin_port = htons(port);
        bound_ = bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~FakeServer() { close(fd_); }
    bool bound() const { return bound_; }
    void sendTo(const QByteArray& d, uint32_t address, uint16_t port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(address);
        a.sin_port = htons(port);
        sendto(fd_, d.constData(), size_t(d.size()), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    // The next datagram within `ms`, with its sender; empty on time-out.
    QByteArray receive(int ms, sockaddr_in* from = nullptr) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, ms) != 1) return {};
        char buf[2048];
        sockaddr_in f{};
        socklen_t len = sizeof f;
        const ssize_t n = recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&f), &len);
        if (from) *from = f;
        return n > 0 ? QByteArray(buf, n) : QByteArray();
    }

private:
    int fd_ = -1;
    bool bound_ = false;
};

TEST(RecvAndDiscover, InterfaceNameOnlyWhenItFitsWithRoomToSpare) {
    const int rx = socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    ASSERT_EQ(setsockopt(rx, IPPROTO_IP, IP_PKTINFO, &on, sizeof on), 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(0x7F000003);
    ASSERT_EQ(bind(rx, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    socklen_t len = sizeof a;
    getsockname(rx, reinterpret_cast<sockaddr*>(&a), &len);
    FakeServer tx(0x7F000002, 0);
    // "lo" needs a capacity of 4: its 2 characters must be fewer than capacity - 1.
    const struct {
        size_t capacity;
        const char* name;
    } cases[] = {{3, ""}, {4, "lo"}, {32, "lo"}};
    for (const auto& c : cases) {
        tx.sendTo("ping", 0x7F000003, ntohs(a.sin_port));
        char buffer[64];
        char name[32];
        std::memset(name, 'x', sizeof name);
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n =
            recvAndDiscover(rx, buffer, sizeof buffer, &from, &fromLength, name, c.capacity);
        EXPECT_EQ(n, 4);
        EXPECT_EQ(ntohl(from.sin_addr.s_addr), 0x7F000002u);
        EXPECT_STREQ(name, c.name) << c.capacity;
    }
    close(rx);
}

// Each test has its own discovery port: ctest runs the tests as parallel
// processes in one namespace, and a shared port would hand one test's
// datagrams to another.
class LoopbackLink : public ::testing::Test {
protected:
    static constexpr uint16_t kStatus = 34810, kPrefs = 36437;
    static constexpr uint32_t kSim = 0x7F000002;

    void SetUp() override { KELO_NEEDS_LOOPBACK_NAMESPACE(); }

    void start(uint16_t citpPort) {
        useTestInterfaces();
        KeloObject::setClock({});
        citp = citpPort;
        KlE_Control_Status::Options options;
        options.timer = false;
        options.citpPort = citpPort;
        options.statusPort = kStatus;
        options.prefsPort = kPrefs;
        link = std::make_unique<KlE_Control_Status>(options);
        link->timerProc();
        ASSERT_TRUE(link->sktValid());
    }
    void TearDown() override {
        link.reset();
        KeloObject::setClock([] { return gNow; });
    }

    uint16_t citp = 0;
    std::unique_ptr<KlE_Control_Status> link;
};

int openDescriptors() {
    return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size());
}

TEST_F(LoopbackLink, FailedOpeningLeaksNoDescriptors) {
    useTestInterfaces();
    KlE_Control_Status::Options options;
    options.timer = false;
    options.citpPort = 34804;
    options.statusPort = kStatus;
    options.prefsPort = kPrefs;
    link = std::make_unique<KlE_Control_Status>(options);
    const auto tick = [this] { link->timerProc(); };
    // Leave exactly one free descriptor: the discovery socket opens, the
    // UDP socket cannot, and every tick tries again.
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    const int baseline = openDescriptors();
    int highest = 0;
    for (const QString& fd : QDir("/proc/self/fd").entryList(QDir::Files | QDir::System))
        highest = std::max(highest, fd.toInt());
    const int limit = highest + 2;
    std::vector<int> fillers;
    while (openDescriptors() < limit - 1) fillers.push_back(open("/dev/null", O_RDONLY));
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(limit);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    for (int i = 0; i < 5; ++i) tick();
    EXPECT_FALSE(link->sktValid());
    setrlimit(RLIMIT_NOFILE, &saved);
    for (int fd : fillers) close(fd);
    tick();
    EXPECT_TRUE(link->sktValid());
    EXPECT_EQ(openDescriptors(), baseline + 2);  // the two sockets, nothing more
}

TEST_F(LoopbackLink, DiscoveryPreferencesAndStatusThroughTheReceiveThreads) {
    start(34801);
    FakeServer status(kSim, kStatus), prefs(kSim, kPrefs);
    ASSERT_TRUE(status.bound() && prefs.bound());
    prefs.sendTo(citpPLoc(4811, "MediaServer", "Kelo sim", "Running"), kLoopback, citp);
    ASSERT_TRUE(processUntil([&] { return link->keloObjectForName("Kelo sim") != nullptr; }));
    KeloObject* kelo = link->keloObjectForName("Kelo sim");
    EXPECT_EQ(kelo->address(), kSim);
    EXPECT_TRUE(kelo->ethIfNames().contains("lo"));  // the arrival interface came along

    link->addKeloForName("Kelo sim");
    link->timerProc();
    sockaddr_in controller{};
    const QByteArray ask = prefs.receive(1000, &controller);
    ASSERT_EQ(KlEStatMessage::op(ask.constData(), size_t(ask.size())), kKlEOpPrefsDictRequest);
    const QVariantMap dict{{"a", entry("int", "1")}, {"b", entry("int", "2")}};
    prefs.sendTo(serverMessage(kKlEOpPrefsDict, 0, prefsText(dict)),
                 ntohl(controller.sin_addr.s_addr), ntohs(controller.sin_port));
    ASSERT_TRUE(processUntil([&] { return kelo->hasPrefsDict(); }));
    EXPECT_EQ(kelo->prefsDict(), dict);

    link->timerProc();
    const QByteArray request = status.receive(1000, &controller);
    ASSERT_EQ(KlEStatMessage::op(request.constData(), size_t(request.size())), kKlEOpStatusRequest);
    status.sendTo(statusReply({statusRecord(1, generalStatus(6))}),
                  ntohl(controller.sin_addr.s_addr), ntohs(controller.sin_port));
    EXPECT_TRUE(processUntil([&] { return kelo->layerCount() == 6; }));
}

TEST_F(LoopbackLink, ReopenedSocketsAreServedWithoutDelay) {
    start(34802);
    FakeServer sim(kSim, 0);
    link->closeSockets();
    EXPECT_FALSE(link->sktValid());
    link->timerProc();  // reopens; the threads must not sit out their idle second
    ASSERT_TRUE(link->sktValid());
    QElapsedTimer t;
    t.start();
    sim.sendTo(citpPLoc(4811, "MediaServer", "Kelo again", "Running"), kLoopback, citp);
    ASSERT_TRUE(processUntil([&] { return link->keloObjectForName("Kelo again") != nullptr; }));
    EXPECT_LT(t.elapsed(), 500);
}

TEST_F(LoopbackLink, DestroyingWithDatagramsQueuedForTheMainThreadDoesNotDeadlock) {
    start(34803);
    FakeServer sim(kSim, 0);
    // The main thread does not run its event loop: both datagrams stay
    // queued for it when the link goes.
    sim.sendTo(citpPLoc(4811, "MediaServer", "Kelo one", "Running"), kLoopback, citp);
    sim.sendTo(citpPLoc(4811, "MediaServer", "Kelo two", "Running"), kLoopback, citp);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::atomic<bool> done{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!done) {
            std::fprintf(stderr, "deadlock: the link did not stop within 5 s\n");
            std::abort();
        }
    });
    QElapsedTimer t;
    t.start();
    link.reset();
    done = true;
    watchdog.join();
    EXPECT_LT(t.elapsed(), 1000);
    // The hand-off queued before the stop must not reach the destroyed link.
    QCoreApplication::processEvents();
}

}  // namespace

KELO_TEST_MAIN_CORE()
