// Large messages: the fragmenting sender and the collectors that put the
// fragments back together, fed in order and hostile.

#include "serverlink/KlDataSender.h"
#include "serverlink/KlEStatMessage.h"
#include "serverlink/KlMsgNotificationDataCollector.h"
#include "serverlink/VDataCollector.h"
#include "support/LogCapture.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QTemporaryFile>
#include <QtEndian>

#include <gmock/gmock.h>

#include <cstdio>
#include <vector>

#include <unistd.h>

namespace {

using ::testing::HasSubstr;

const QUuid kUuid("{0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0}");
const QUuid kOther("{11111111-2222-3333-4444-555555555555}");

QByteArray pattern(int size) {
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i) out[i] = char((i * 131 + i / 251) & 0xFF);
    return out;
}

std::vector<QByteArray> sendAll(const QByteArray& payload, uint8_t op = kKlEOpContentItemData,
                                const QUuid& uuid = kUuid) {
    _kle_v3_stat_data h = blank_stat;
    h.op = op;
    uint8_t header[16];
    std::memcpy(header, &h, 16);
    std::vector<QByteArray> out;
    KlDataSender::send(
        header, payload.constData(), uint32_t(payload.size()),
        [&](const uint8_t* d, size_t n) {
            out.emplace_back(reinterpret_cast<const char*>(d), qsizetype(n));
            return true;
        },
        uuid);
    return out;
}

// The part of a fragment datagram that the collector takes.
QByteArray fragmentPart(const QByteArray& datagram) {
    return datagram.mid(16, qFromBigEndian<quint16>(datagram.constData() + 14));
}

// A fragment as a liar might build it: `total` < 0 leaves the size out.
QByteArray fragment(const QUuid& uuid, uint32_t offset, int64_t total, const QByteArray& chunk) {
    QByteArray out = uuid.toRfc4122();
    char word[4];
    qToLittleEndian<quint32>(offset, word);
    out.append(word, 4);
    if (total >= 0) {
        qToLittleEndian<quint32>(uint32_t(total), word);
        out.append(word, 4);
    }
    return out + chunk;
}

// --- Sender ---------------------------------------------------------------------

struct SizeCase {
    uint32_t payload;
    std::vector<uint32_t> p;  // payload length of each datagram
};

TEST(KlDataSender, SplitsExactlyAtTheLimits) {
    const std::vector<SizeCase> cases = {
        {0, {}},
        {1, {1}},
        {64999, {64999}},
        {65000, {24 + 64960, 20 + 40}},
        {64960 + 64964, {24 + 64960, 20 + 64964}},
        {64960 + 64964 + 1, {24 + 64960, 20 + 64964, 20 + 1}},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.payload);
        const QByteArray payload = pattern(int(c.payload));
        const std::vector<QByteArray> out = sendAll(payload);
        ASSERT_EQ(out.size(), c.p.size());
        const bool fragmented = out.size() > 1 || c.payload > KlDataSender::kMaxUnfragmented;
        QByteArray joined;
        for (size_t i = 0; i < out.size(); ++i) {
            const QByteArray& d = out[i];
            const uint32_t p = c.p[i];
            ASSERT_EQ(uint32_t(d.size()), p + 18);
            EXPECT_EQ(qFromBigEndian<quint16>(d.constData()), p + 18);
            EXPECT_EQ(d.mid(2, 10), QByteArray("KlEStat\0\0\x17", 10));
            EXPECT_EQ(d.mid(12, 2), fragmented ? QByteArray("\x01\x00", 2) : QByteArray(2, '\0'));
            EXPECT_EQ(qFromBigEndian<quint16>(d.constData() + 14), p);
            EXPECT_EQ(d.right(2), QByteArray(2, '\0'));
            if (!fragmented) {
                joined += d.mid(16, int(p));
                continue;
            }
            EXPECT_EQ(d.mid(16, 16), kUuid.toRfc4122());
            EXPECT_EQ(qFromLittleEndian<quint32>(d.constData() + 32), uint32_t(joined.size()));
            const int fields = i == 0 ? 24 : 20;
            if (i == 0) {
                EXPECT_EQ(qFromLittleEndian<quint32>(d.constData() + 36), c.payload);
            }
            joined += d.mid(16 + fields, int(p) - fields);
        }
        EXPECT_EQ(joined, payload);
    }
}

TEST(KlDataSender, StopsAtTheFirstFailedSend) {
    _kle_v3_stat_data h = blank_stat;
    uint8_t header[16];
    std::memcpy(header, &h, 16);
    const QByteArray payload = pattern(200000);
    int calls = 0;
    EXPECT_FALSE(KlDataSender::send(header, payload.constData(), uint32_t(payload.size()),
                                    [&](const uint8_t*, size_t) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

// --- Collectors -----------------------------------------------------------------

class Collector : public ::testing::Test {
protected:
    void SetUp() override {
        mgr.setClock([this] { return now; });
        mgr.setErrorHandler([this](const QByteArray& header) { errors.push_back(header); });
        mgr.setNotificationHandler(
            [this](const QByteArray& payload, uint32_t total, KlMsgNotificationDataCollector&) {
                notified.push_back(payload);
                totals.push_back(total);
            });
    }

    std::optional<QByteArray> feed(const QByteArray& part) { return mgr.handleDataMsg(part); }

    // Feeds each datagram's fragment; returns the messages completed.
    std::vector<QByteArray> feedAll(const std::vector<QByteArray>& datagrams) {
        std::vector<QByteArray> done;
        for (const QByteArray& d : datagrams) {
            if (auto m = feed(fragmentPart(d))) done.push_back(*m);
        }
        return done;
    }

    double now = 820000000.0;
    KlMsgNotificationDataCollector mgr;
    std::vector<QByteArray> errors, notified;
    std::vector<uint32_t> totals;
};

TEST_F(Collector, PutsInOrderFragmentsBackTogether) {
    for (int size : {65000, 64960 + 64964, 1 << 20}) {
        SCOPED_TRACE(size);
        const QByteArray payload = pattern(size);
        const std::vector<QByteArray> done = feedAll(sendAll(payload));
        ASSERT_EQ(done.size(), 1u);
        EXPECT_EQ(done[0], payload);
        EXPECT_EQ(notified.back(), payload);
        EXPECT_EQ(totals.back(), uint32_t(size));
        EXPECT_EQ(mgr.collectorCount(), 0u);
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(Collector, InterleavedMessagesKeepApart) {
    const QByteArray a = pattern(150000), b = pattern(140000).toUpper();
    const auto da = sendAll(a, kKlEOpContentItemData, kUuid);
    const auto db = sendAll(b, kKlEOpContentItemData, kOther);
    std::vector<QByteArray> done;
    for (size_t i = 0; i < std::max(da.size(), db.size()); ++i) {
        for (const auto* list : {&da, &db}) {
            if (i >= list->size()) continue;
            if (auto m = feed(fragmentPart((*list)[i]))) done.push_back(*m);
            if (i == 0 && list == &db) {
                EXPECT_EQ(mgr.collectorCount(), 2u);
                EXPECT_EQ(
                    mgr.collectorsByUUID().count(kOther.toString(QUuid::WithoutBraces).toUpper()),
                    1u);
            }
        }
    }
    EXPECT_EQ(done, (std::vector<QByteArray>{a, b}));
}

// Fragments that do not fit together: nothing completes, nothing is held
// beyond what arrived, and the log says why.
TEST_F(Collector, RefusesFragmentsThatDoNotFit) {
    const QByteArray payload = pattern(3 * 64964);
    const std::vector<QByteArray> d = sendAll(payload);
    ASSERT_EQ(d.size(), 4u);
    struct Case {
        const char* what;
        std::vector<QByteArray> parts;
        size_t open;    // collectors left
        size_t errors;  // error handler calls
        // Expected in the log; empty: nothing; null: not checked (the log's
        // flood control drops a third like line within 5 s).
        const char* log;
    };
    const std::vector<Case> cases = {
        {"second before first",
         {fragmentPart(d[1]), fragmentPart(d[0])},
         1,
         0,
         "Msg Data Offset Mismatch expect 0, got 64960"},
        {"duplicate",
         {fragmentPart(d[0]), fragmentPart(d[0]), fragmentPart(d[1])},
         1,
         0,
         "expect 64960, got 0"},
        {"gap", {fragmentPart(d[0]), fragmentPart(d[2]), fragmentPart(d[3])}, 1, 0, nullptr},
        {"shorter than the fields", {fragmentPart(d[0]).left(19)}, 0, 0, ""},
        {"first without a size", {fragment(kUuid, 0, -1, {})}, 0, 1, "without a message size"},
        {"size below the chunk",
         {fragment(kUuid, 0, 10, pattern(100))},
         0,
         1,
         "Data Size: 10  Ofset: 100"},
        {"later chunk past the size",
         {fragment(kUuid, 0, 150, pattern(100)), fragment(kUuid, 100, -1, pattern(51))},
         0,
         1,
         "Data Size: 150  Ofset: 151"},
        {"size beyond the limit",
         {fragment(kUuid, 0, 0xFFFFFFFF, pattern(100))},
         0,
         1,
         "refused (limit"},
        {"offset near the top", {fragment(kUuid, 0xFFFFFFF0, -1, pattern(100))}, 1, 0, nullptr},
        {"size that never fills", {fragment(kUuid, 0, 1000, pattern(100))}, 1, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KlMsgNotificationDataCollector fresh;
        fresh.setClock([this] { return now; });
        size_t errorCount = 0;
        fresh.setErrorHandler([&](const QByteArray&) { ++errorCount; });
        LogCapture log;
        for (const QByteArray& part : c.parts) EXPECT_FALSE(fresh.handleDataMsg(part));
        const QByteArray text = log.text();
        EXPECT_EQ(fresh.collectorCount(), c.open);
        EXPECT_EQ(errorCount, c.errors);
        EXPECT_LE(fresh.bufferedBytes(), 64964u);
        if (c.log && *c.log) {
            EXPECT_THAT(text.toStdString(), HasSubstr(c.log));
        } else if (c.log) {
            EXPECT_FALSE(text.contains("Msg Data")) << text.constData();
        }
    }
}

TEST_F(Collector, IncompleteMessageTimesOutAfterThirtySeconds) {
    const std::vector<QByteArray> d = sendAll(pattern(65000));
    EXPECT_FALSE(feed(fragmentPart(d[0])));
    now += 30;
    // Any fragment sweeps; the age must pass 30 s.
    EXPECT_FALSE(feed(fragment(kOther, 0, 100, pattern(10))));
    EXPECT_EQ(mgr.collectorCount(), 2u);
    now += 0.5;
    LogCapture log;
    EXPECT_FALSE(feed(fragment(kOther, 10, -1, pattern(10))));
    const QByteArray text = log.text();
    EXPECT_EQ(mgr.collectorCount(), 1u);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], QByteArray("\xe8\xfd\x00\x00", 4));  // 65000
    const QString key = kUuid.toString(QUuid::WithoutBraces).toUpper();
    EXPECT_THAT(text.toStdString(),
                HasSubstr(("Internal Error - Msg Data Collector Timed Out. UUID: " + key +
                           " Collector: Collector. Header: <e8fd0000> , offset: 64960 payload "
                           "size: 65000")
                              .toStdString()));
    // Its last fragment now starts a message that can never complete.
    EXPECT_FALSE(feed(fragmentPart(d[1])));
    EXPECT_TRUE(notified.empty());
}

TEST_F(Collector, QuietMessageTimesOutOnItsTimerWithoutFurtherTraffic) {
    double armedAt = 0, armedFor = -1;
    mgr.setTimerArm([&](double seconds) {
        armedAt = now;
        armedFor = seconds;
    });
    const std::vector<QByteArray> d = sendAll(pattern(200000));
    EXPECT_FALSE(feed(fragmentPart(d[0])));
    const double first = now;
    now += 10;
    EXPECT_FALSE(feed(fragmentPart(d[1])));
    const double last = now;
    // Armed just past 30 s after the first fragment; waking then finds the
    // message fresh and arms for 30 s after the last one.
    EXPECT_GT(armedAt + armedFor, first + 30);
    EXPECT_NEAR(armedAt + armedFor, first + 30, 0.01);
    now = armedAt + armedFor;
    mgr.timeOut();
    EXPECT_EQ(mgr.collectorCount(), 1u);
    EXPECT_TRUE(errors.empty());
    EXPECT_GT(armedAt + armedFor, last + 30);
    EXPECT_NEAR(armedAt + armedFor, last + 30, 0.01);
    now = armedAt + armedFor;
    LogCapture log;
    mgr.timeOut();
    EXPECT_EQ(mgr.collectorCount(), 0u);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_THAT(log.text().toStdString(), HasSubstr("Msg Data Collector Timed Out"));
}

TEST(CollectorTimer, TheDefaultTimerFiresOnTheEventLoop) {
    // A dead age of 0 on the real clock: the QTimer must drop the message
    // with no fragment arriving after it.
    KlMsgNotificationDataCollector collector;
    collector.setCollectorDeadAge(0);
    int errors = 0;
    collector.setErrorHandler([&](const QByteArray&) { ++errors; });
    EXPECT_FALSE(collector.handleDataMsg(fragment(kUuid, 0, 1000, pattern(10))));
    ASSERT_EQ(collector.collectorCount(), 1u);
    EXPECT_TRUE(processUntil([&] { return collector.collectorCount() == 0; }, 1000));
    EXPECT_EQ(errors, 1);
}

TEST_F(Collector, OpenMessagesAreCapped) {
    const size_t cap = KlMsgDataCollector::kMaxCollectors;
    std::vector<QUuid> ids;
    for (size_t i = 0; i < cap; ++i) {
        ids.push_back(QUuid::createUuid());
        feed(fragment(ids.back(), 0, 1000, pattern(10)));
    }
    ASSERT_EQ(mgr.collectorCount(), cap);
    {
        LogCapture log;
        EXPECT_FALSE(feed(fragment(QUuid::createUuid(), 0, 20, pattern(10))));
        EXPECT_THAT(log.text().toStdString(), HasSubstr("messages already open"));
    }
    EXPECT_EQ(mgr.collectorCount(), cap);
    // A message that went bad can never complete: it makes way for a new one.
    feed(fragment(ids[3], 500, -1, pattern(10)));
    const QByteArray small = pattern(20);
    EXPECT_EQ(feed(fragment(QUuid::createUuid(), 0, 20, small)), small);
    EXPECT_EQ(mgr.collectorCount(), cap - 1);
    // Once they are old, the open ones time out and make way too.
    now += 31;
    EXPECT_EQ(feed(fragment(QUuid::createUuid(), 0, 20, small)), small);
    EXPECT_EQ(mgr.collectorCount(), 0u);
}

TEST_F(Collector, AllOpenMessagesTogetherAreCapped) {
    const uint32_t size = KlMsgDataCollector::kMaxMessageSize;
    const QByteArray chunk = pattern(int(KlDataSender::kLaterChunk));
    std::vector<QUuid> ids(5);
    std::vector<uint32_t> offsets(ids.size(), 0);
    for (QUuid& id : ids) {
        id = QUuid::createUuid();
        feed(fragment(id, 0, size, chunk));
        offsets[size_t(&id - ids.data())] = uint32_t(chunk.size());
    }
    LogCapture log;
    // Each message stops one chunk short of its size, so only the shared
    // limit can refuse anything.
    for (int round = 0; round + 1 < int(size / chunk.size()); ++round) {
        for (size_t i = 0; i < ids.size(); ++i) {
            if (!mgr.collectorsByUUID().count(ids[i].toString(QUuid::WithoutBraces).toUpper()))
                continue;
            feed(fragment(ids[i], offsets[i], -1, chunk));
            offsets[i] += uint32_t(chunk.size());
            ASSERT_LE(mgr.bufferedBytes(), KlMsgDataCollector::kMaxBufferedBytes);
        }
    }
    EXPECT_GE(errors.size(), 1u);
    EXPECT_THAT(log.text().toStdString(), HasSubstr("open messages hold too much"));
}

TEST(KlMsgDataCollector, WithoutHandlersNothingIsCollected) {
    KlMsgDataCollector bare;
    LogCapture log;
    EXPECT_FALSE(bare.handleDataMsg(fragment(kUuid, 0, 10, pattern(10))));
    EXPECT_EQ(bare.collectorCount(), 0u);
    EXPECT_THAT(log.text().toStdString(),
                HasSubstr("Internal Error - MsgDataCollectorMgr with missing Handlers"));
}

}  // namespace

KELO_TEST_MAIN_CORE()
