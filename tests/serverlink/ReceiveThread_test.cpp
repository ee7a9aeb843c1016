#include "serverlink/ReceiveThread.h"

#include "serverlink/KlUdpSocket.h"
#include "support/LoopbackNamespace.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>
#include <vector>

namespace {

// A bound loopback UDP socket that reports the arrival interface; closed
// with the fixture.
class ReceiveThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        rx = bound(&port);
        ASSERT_GE(rx, 0);
        tx = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    }
    // A socket on 127.0.0.1 and a port of the system's choice; -1 on failure.
    static int bound(uint16_t* boundPort) {
        const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(s, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(0x7F000001);
        if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(s);
            return -1;
        }
        socklen_t len = sizeof a;
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
        *boundPort = ntohs(a.sin_port);
        return s;
    }
    void TearDown() override {
        thread.reset();
        if (rx >= 0) close(rx);
        if (tx >= 0) close(tx);
    }

    void start(ReceiveThread::Decoder decoder = {}) {
        thread = std::make_unique<ReceiveThread>(
            "test receive", [this] { return rx; }, [this] { return valid.load(); },
            [this](const ReceivedDatagram& d) {
                if (QThread::currentThread() != QCoreApplication::instance()->thread()) ++offMain;
                got.push_back(d.data);  // a deep copy: the bytes are the thread's
                got.back().detach();
                ifnames.push_back(d.ifname);
            },
            std::move(decoder));
    }
    void send(const QByteArray& d) { send(d, port); }
    void send(const QByteArray& d, uint16_t toPort) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(0x7F000001);
        to.sin_port = htons(toPort);
        sendto(tx, d.constData(), size_t(d.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
    static QByteArray numbered(int i) {
        return WireBuilders::serverMessage(11, 0, QByteArray::number(i).leftJustified(200, ' '));
    }

    int rx = -1, tx = -1;
    uint16_t port = 0;
    std::atomic<bool> valid{true};
    std::unique_ptr<ReceiveThread> thread;
    std::vector<QByteArray> got, ifnames;
    int offMain = 0;
};

TEST_F(ReceiveThreadTest, ABusyMainThreadLosesNothingAndGetsEverythingInOrder) {
    int buffer = 212992;  // room for some 300 of the datagrams below
    setsockopt(rx, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    std::atomic<int> taken{0};
    start([&taken](const char*, size_t) {
        ++taken;
        return QVariant();
    });
    constexpr int kCount = 1200;
    // The main thread sends them all without once running its event loop;
    // only the receive thread can keep the socket's buffer from
    // overflowing. The sender waits while the socket holds 200 (a loaded
    // machine may starve the receive thread for a while), so the
    // scheduler does not decide the outcome; 1,200 still need the thread to
    // empty the buffer several times over.
    for (int i = 0; i < kCount; ++i) {
        for (int waited = 0; i - taken.load() >= 200 && waited < 5000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        send(numbered(i));
    }
    send("not a server message");  // refused by the filter, never handed over
    ASSERT_TRUE(processUntil([&] { return got.size() >= size_t(kCount); }, 5000)) << got.size();
    EXPECT_EQ(thread->droppedDatagrams(), 0u);
    EXPECT_EQ(offMain, 0);
    ASSERT_EQ(got.size(), size_t(kCount));
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(got[size_t(i)], numbered(i)) << i;
        ASSERT_EQ(ifnames[size_t(i)], "lo");
    }
}

TEST_F(ReceiveThreadTest, DatagramsTheKernelDroppedAreCounted) {
    int tiny = 1;  // the kernel's smallest buffer: a few datagrams
    setsockopt(rx, SOL_SOCKET, SO_RCVBUF, &tiny, sizeof tiny);
    valid = false;  // the thread idles: the buffer overflows
    start();
    constexpr int kCount = 100;
    for (int i = 0; i < kCount; ++i) send(numbered(i));
    valid = true;
    thread->wake();
    // The counter comes with a datagram queued after the losses: send one
    // until it arrives (a busy machine may lose the first too).
    int sent = kCount;
    const QByteArray marker = numbered(kCount);
    while (got.empty() || got.back() != marker) {
        ASSERT_LT(sent, kCount + 100);
        send(marker);
        ++sent;
        processUntil([&] { return !got.empty() && got.back() == marker; }, 100);
    }
    EXPECT_LT(got.size(), size_t(kCount));
    EXPECT_EQ(thread->droppedDatagrams(), uint64_t(sent) - got.size());
}

TEST_F(ReceiveThreadTest, ABatchGoesOutInOrderPassingOverADatagramThatCannotGo) {
    KlUdpSocket socket([](uint32_t) { return ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0); });
    ASSERT_TRUE(socket.open());
    const QByteArray a = numbered(1), b = numbered(2);
    const QByteArray tooLong(70000, 'x');  // larger than any UDP datagram
    const KlOutgoingDatagram batch[] = {
        {a.constData(), size_t(a.size()), 0x7F000001, port},
        {tooLong.constData(), size_t(tooLong.size()), 0x7F000001, port},
        {b.constData(), size_t(b.size()), 0x7F000001, port},
    };
    socket.sendBatch(batch, 3);
    start();
    ASSERT_TRUE(processUntil([&] { return got.size() >= 2; }));
    EXPECT_EQ(got[0], a);
    EXPECT_EQ(got[1], b);
}

// Counts the main thread's hand-over passes (each a queued call to the
// application object).
class PassCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MetaCall) ++passes;
        return false;
    }
    int passes = 0;
};

TEST_F(ReceiveThreadTest, AStreamOfDatagramsWakesTheMainThreadAtMostEveryFewMilliseconds) {
    PassCounter counter;
    QCoreApplication::instance()->installEventFilter(&counter);
    // When each pass that handed over datagrams began.
    std::map<int, std::chrono::steady_clock::time_point> passStarts;
    std::atomic<bool> firstHandedOver{false};
    thread = std::make_unique<ReceiveThread>(
        "test receive", [this] { return rx; }, [] { return true; },
        [&](const ReceivedDatagram& d) {
            passStarts.try_emplace(counter.passes, std::chrono::steady_clock::now());
            got.push_back(d.data);
            got.back().detach();
            firstHandedOver = true;
        });
    constexpr int kCount = 40;
    // The rest of the stream follows the first hand-off, so that a main
    // thread starved for the whole stream still sees two passes.
    std::thread sender([&] {
        send(numbered(0));
        for (int waited = 0; !firstHandedOver && waited < 5000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        for (int i = 1; i < kCount; ++i) {
            send(numbered(i));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (got.size() >= size_t(kCount)) loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    sender.join();
    QCoreApplication::instance()->removeEventFilter(&counter);
    ASSERT_EQ(got.size(), size_t(kCount));
    // A pass is asked for only once the previous one ran and the gap has
    // passed, whatever the load: so passes - 2 gaps fit between the
    // first and the last pass.
    const auto span = passStarts.rbegin()->second - passStarts.begin()->second;
    const int passes = int(passStarts.size());
    EXPECT_LE(passes, span / ReceiveThread::kMinDrainGap + 2)
        << passes << " passes in "
        << std::chrono::duration_cast<std::chrono::microseconds>(span).count() << " us";
    EXPECT_GT(passes, 1);  // nothing waits for the stream to end
}

// A second receive thread beside the fixture's, on a socket of its own,
// recording what it is handed; the decoders count what each thread took.
class TwoReceiveThreadsTest : public ReceiveThreadTest {
protected:
    void SetUp() override {
        ReceiveThreadTest::SetUp();
        rx2 = bound(&port2);
        ASSERT_GE(rx2, 0);
        start([this](const char*, size_t) {
            ++taken;
            return QVariant();
        });
        thread2 = std::make_unique<ReceiveThread>(
            "test receive 2", [this] { return rx2; }, [] { return true; },
            [this](const ReceivedDatagram& d) {
                got2.push_back(d.data);
                got2.back().detach();
            },
            [this](const char*, size_t) {
                ++taken2;
                return QVariant();
            });
    }
    void TearDown() override {
        thread2.reset();
        if (rx2 >= 0) close(rx2);
        ReceiveThreadTest::TearDown();
    }
    // Interleaved: numbered(i) to the first socket, numbered(1000 + i) to
    // the second; returns once both threads have read them all.
    bool sendToBoth(int count) {
        for (int i = 0; i < count; ++i) {
            send(numbered(i));
            send(numbered(1000 + i), port2);
        }
        for (int waited = 0; taken < count || taken2 < count; ++waited) {
            if (waited > 5000) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    static bool inOrder(const std::vector<QByteArray>& got, int first, int count) {
        if (got.size() != size_t(count)) return false;
        for (int i = 0; i < count; ++i)
            if (got[size_t(i)] != numbered(first + i)) return false;
        return true;
    }

    int rx2 = -1;
    uint16_t port2 = 0;
    std::unique_ptr<ReceiveThread> thread2;
    std::vector<QByteArray> got2;
    std::atomic<int> taken{0}, taken2{0};
};

TEST_F(TwoReceiveThreadsTest, TheTickHandsOverWhatEveryThreadQueuedOnceAndInOrder) {
    constexpr int kCount = 50;
    ASSERT_TRUE(sendToBoth(kCount));
    // Without the event loop: only the direct hand-off can deliver. A
    // thread queues its batch just after reading it, so ask a few times.
    for (int i = 0; i < 1000 && (got.size() < kCount || got2.size() < kCount); ++i) {
        ReceiveThread::handOffQueued();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(inOrder(got, 0, kCount)) << got.size();
    EXPECT_TRUE(inOrder(got2, 1000, kCount)) << got2.size();
    // The pass the threads asked for meanwhile finds nothing left to repeat.
    processUntil([] { return false; }, 100);
    EXPECT_EQ(got.size(), size_t(kCount));
    EXPECT_EQ(got2.size(), size_t(kCount));
    EXPECT_EQ(offMain, 0);
}

TEST_F(TwoReceiveThreadsTest, StoppingOneThreadDropsItsQueuedDatagramsAndKeepsTheOthers) {
    constexpr int kCount = 50;
    ASSERT_TRUE(sendToBoth(kCount));
    thread->stop();  // before the main thread ever ran a pass
    EXPECT_TRUE(processUntil([&] { return got2.size() >= kCount; }));
    EXPECT_TRUE(inOrder(got2, 1000, kCount)) << got2.size();
    EXPECT_TRUE(got.empty()) << got.size();
    // The other thread goes on alone.
    thread.reset();
    send(numbered(1000 + kCount), port2);
    EXPECT_TRUE(processUntil([&] { return got2.size() > kCount; }));
    EXPECT_TRUE(got.empty());
}

}  // namespace

KELO_TEST_MAIN_CORE()
