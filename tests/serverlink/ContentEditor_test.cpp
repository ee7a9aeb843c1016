// Content-editor messages: what the link sends for a query or a set, how
// fragmented content item data comes back as one notification, and both
// ways against a simulated server over loopback.

#include "LinkTestSupport.h"
#include "platform/PropertyList.h"
#include "serverlink/KlDataSender.h"
#include "serverlink/KlMsgNotificationDataCollector.h"
#include "support/ProcessUntil.h"
#include "support/LoopbackNamespace.h"
#include "support/ContentEditorSim.h"
#include "support/KeloServerSim.h"
#include "support/LoopbackLinkPorts.h"
#include "support/TestMain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QtEndian>

namespace {

using namespace linktest;
using WireBuilders::serverMessage;

QByteArray textOfLength(int n) {
    QByteArray out(n, '\0');
    for (int i = 0; i < n; ++i) out[i] = char('a' + i % 26);
    return out;
}

// A dictionary whose old-style text runs to about `bytes` bytes.
QVariantMap bigDictionary(int bytes) {
    QVariantMap d;
    for (int i = 0; d.size() * 40 < bytes; ++i) {
        d.insert(QString("vertex %1").arg(i, 6, 10, QChar('0')),
                 QVariantMap{{"x", QString::number(i * 0.25)}, {"name", "corner \"q\""}});
    }
    return d;
}

QString joined(const QStringList& fields) {
    return KlE_Control_Status::combinedStrings(fields);
}

class ContentEditor : public LinkTest {
protected:
    ContentEditor() : LinkTest(27809) {}

    void SetUp() override {
        LinkTest::SetUp();
        token = NotificationCenter::defaultCenter().addObserver(
            "KeloContentEditorNotification", nullptr,
            [this](const Notification& n) { notes.push_back(n); });
        ploc("Kelo A", kServerA);
        kelo = link->keloObjectForName("Kelo A");
        ASSERT_NE(kelo, nullptr);
        takeSent();
    }

    KeloObject* kelo = nullptr;
    std::vector<Notification> notes;
    NotificationCenter::Token token;
};

// Byte by byte at and around the point where a message needs fragments.
TEST_F(ContentEditor, MessagesGoWholeOrInFragmentsAtTheLimit) {
    struct Case {
        int n;                   // text length
        std::vector<int> sizes;  // datagram sizes
    };
    const std::vector<Case> cases = {
        {0, {18}},
        {5, {23}},
        {64998, {65016}},
        {64999, {18 + 24 + 64960, 18 + 20 + 40}},
        {200000, {18 + 24 + 64960, 18 + 20 + 64964, 18 + 20 + 64964, 18 + 20 + 5113}},
    };
    for (bool set : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.n << (set ? " set" : " query"));
            const QByteArray text = textOfLength(c.n);
            link->sendContentEditorMessage(kelo, QString::fromUtf8(text), set);
            const std::vector<Sent> out = takeSent();
            ASSERT_EQ(out.size(), c.sizes.size());
            QByteArray message;
            for (size_t i = 0; i < out.size(); ++i) {
                const QByteArray& d = out[i].datagram;
                EXPECT_EQ(out[i].address, kServerA);
                EXPECT_EQ(out[i].port, 16437);
                ASSERT_EQ(d.size(), c.sizes[i]);
                EXPECT_EQ(d.mid(2, 9), QByteArray("KlEStat\0\0", 9));
                EXPECT_EQ(uint8_t(d[11]), set ? 24 : 22);
                if (out.size() == 1) {
                    EXPECT_EQ(qFromBigEndian<quint16>(d.constData()), 14);
                    EXPECT_EQ(d.mid(12, 2), QByteArray(2, '\0'));
                    EXPECT_EQ(qFromBigEndian<quint16>(d.constData() + 14), c.n + 2);
                    EXPECT_EQ(d.mid(16), text + QByteArray(2, '\0'));
                    continue;
                }
                const int p = d.size() - 18;
                EXPECT_EQ(qFromBigEndian<quint16>(d.constData()), d.size());
                EXPECT_EQ(d.mid(12, 2), QByteArray("\x01\x00", 2));
                EXPECT_EQ(qFromBigEndian<quint16>(d.constData() + 14), p);
                EXPECT_EQ(d.mid(16, 16), out[0].datagram.mid(16, 16));
                EXPECT_EQ(qFromLittleEndian<quint32>(d.constData() + 32), uint32_t(message.size()));
                if (i == 0) {
                    EXPECT_EQ(qFromLittleEndian<quint32>(d.constData() + 36), c.n + 1u);
                }
                const int fields = i == 0 ? 24 : 20;
                message += d.mid(16 + fields, p - fields);
            }
            if (out.size() > 1) {
                EXPECT_EQ(message, text + '\0');
            }
        }
    }
}

TEST_F(ContentEditor, NothingGoesWithoutAnAddressOrText) {
    link->sendContentEditorMessage(kelo, QString(), false);
    link->sendContentEditorMessage(nullptr, "listing", false);
    KeloObject* none = link->addKeloForName("Kelo Nowhere");
    link->sendContentEditorMessage(none, "listing", false);
    EXPECT_TRUE(takeSent().empty());
    // The server object's own entry goes through the live link.
    kelo->sendContentEditorMessage("listing", false);
    const std::vector<Sent> out = takeSent();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].datagram.mid(16), QByteArray("listing\0\0", 9));
}

// Fragmented content item data: one notification for the whole text, only
// once it is complete, and only for a known server.
TEST_F(ContentEditor, FragmentedReplyBecomesOneNotification) {
    const QByteArray text = joined({"multiscreen", " ", textOfLength(300000)}).toUtf8();
    const std::vector<QByteArray> datagrams = ContentEditorSim::contentItemDatagrams(text);
    ASSERT_EQ(datagrams.size(), 5u);

    // From an unknown server nothing is collected.
    receive(datagrams[0], kServerB);
    EXPECT_TRUE(link->collectorMgr() == nullptr || link->collectorMgr()->collectorCount() == 0);

    for (size_t i = 0; i < datagrams.size(); ++i) {
        EXPECT_TRUE(notes.empty());
        receive(datagrams[i], kServerA);
    }
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].sender, kelo);
    EXPECT_EQ(notes[0].userInfo.value("opcode").toInt(), 23);
    EXPECT_EQ(notes[0].userInfo.value("message").toString().toUtf8(), text);
    EXPECT_EQ(link->collectorMgr()->collectorCount(), 0u);

    // A reply that stops short posts nothing and is dropped 30 s later.
    const std::vector<QByteArray> other = ContentEditorSim::contentItemDatagrams(text);
    receive(other[0], kServerA);
    receive(other[1], kServerA);
    EXPECT_EQ(link->collectorMgr()->collectorCount(), 1u);
    gNow += 31;
    const QByteArray next = joined({"listing", textOfLength(70000)}).toUtf8();
    for (const QByteArray& d : ContentEditorSim::contentItemDatagrams(next)) receive(d, kServerA);
    EXPECT_EQ(link->collectorMgr()->collectorCount(), 0u);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1].userInfo.value("message").toString().toUtf8(), next);
}

// --- Against a simulated server ---------------------------------------------------

class ContentEditorLoopback : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        const uint32_t address = 0x7F040001 + (uint32_t(line) << 8);  // 127.4.x.1
        const uint16_t citp = uint16_t(40000 + 3 * line);
        KlE_Control_Status::Options options = loopbackLinkOptions(citp);
        link = std::make_unique<KlE_Control_Status>(options);
        const KeloServerSim::Network network = simNetworkFor(options);
        sim = std::make_unique<KeloServerSim>(network);
        KeloServerSim::Config config;
        config.name = "Kelo Editor";
        config.address = address;
        sim->addServer(config);
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(processUntil([&] { return link->keloObjectForName("Kelo Editor"); }, 3000));
        kelo = link->keloObjectForName("Kelo Editor");
        token = NotificationCenter::defaultCenter().addObserver(
            "KeloContentEditorNotification", kelo, [this](const Notification& n) {
                // Views take it as they are: on the main thread.
                EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
                messages.push_back(n.userInfo.value("message"));
            });
    }

    void TearDown() override {
        token.reset();
        sim.reset();
        link.reset();
    }

    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloServerSim> sim;
    KeloObject* kelo = nullptr;
    NotificationCenter::Token token;
    std::vector<QVariant> messages;
};

TEST_F(ContentEditorLoopback, LargeSetAndFragmentedReplyGoBothWays) {
    const QVariantMap model = bigDictionary(150000);
    const QByteArray plist = PropertyList::write(model, PropertyList::Format::OpenStep);
    ASSERT_GT(plist.size(), 65000);
    const QString set = joined({"topography", "Dome 1", QString::fromUtf8(plist), "1"});
    const QVariantMap reply = bigDictionary(400000);
    const QByteArray replyText =
        joined({"multiscreen", " ",
                QString::fromUtf8(PropertyList::write(reply, PropertyList::Format::OpenStep))})
            .toUtf8();
    sim->setContentEditorReply(0, replyText);

    kelo->sendContentEditorMessage(set, true);
    kelo->sendContentEditorMessage(joined({"multiscreen", " "}), false);
    ASSERT_TRUE(processUntil([&] { return !messages.empty(); }, 5000));

    const std::vector<ContentEditorSim::Message> got = sim->contentEditorMessages(0);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].op, 24);
    EXPECT_TRUE(got[0].fragmented);
    EXPECT_EQ(got[0].text, set.toUtf8());
    const QStringList fields = KlE_Control_Status::separatedStrings(QString::fromUtf8(got[0].text));
    ASSERT_EQ(fields.size(), 4);
    EXPECT_EQ(PropertyList::readOpenStep(fields[2].toUtf8()), QVariant(model));
    EXPECT_EQ(got[1].op, 22);
    EXPECT_FALSE(got[1].fragmented);
    EXPECT_EQ(got[1].text, "multiscreen\x0b ");

    ASSERT_EQ(messages.size(), 1u);
    const QStringList answer = KlE_Control_Status::separatedStrings(messages[0].toString());
    ASSERT_EQ(answer.size(), 3);
    EXPECT_EQ(answer[0], "multiscreen");
    EXPECT_EQ(PropertyList::readOpenStep(answer[2].toUtf8()), QVariant(reply));
    EXPECT_EQ(link->collectorMgr()->collectorCount(), 0u);
}

}  // namespace

KELO_TEST_MAIN_CORE()
