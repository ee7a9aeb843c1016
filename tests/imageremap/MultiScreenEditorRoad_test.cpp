// The image-remap editor against a simulated server over the real server
// link on loopback (inside the suite's loopback-only namespace): the load,
// an acknowledged control edit whose first acknowledgements are lost, and a
// structural change sent as the whole document.

#include "imageremap/MultiScreenEditor.h"

#include "platform/UserDefaults.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "support/LoopbackLinkPorts.h"
#include "support/LoopbackNamespace.h"
#include "support/MultiScreenSim.h"
#include "support/ProcessUntil.h"
#include "support/TestMain.h"

#include <QTemporaryDir>

#include <memory>

namespace {

const char VT = 0x0B;

class EditorRoad : public ::testing::Test {
protected:
    void SetUp() override {
        KELO_NEEDS_LOOPBACK_NAMESPACE();
        UserDefaults::setStandardFile(dir_.filePath("defaults.plist"));
        const int line = ::testing::UnitTest::GetInstance()->current_test_info()->line();
        KlE_Control_Status::Options options = loopbackLinkOptions(uint16_t(47000 + 3 * line));
        link = std::make_unique<KlE_Control_Status>(options);
        sim = std::make_unique<KeloServerSim>(simNetworkFor(options));
        KeloServerSim::Config c;
        c.name = "Kelo Remap";
        c.address = 0x7F080001 + (uint32_t(line) << 8);
        sim->addServer(c);
        ASSERT_TRUE(sim->start());
        ASSERT_TRUE(processUntil([&] { return link->keloObjectForName("Kelo Remap"); }, 3000));
        kelo = link->addKeloForName("Kelo Remap");
        ASSERT_TRUE(processUntil([&] { return kelo->isRunning() && kelo->address() != 0; }, 4000));
        editor = std::make_unique<MultiScreenEditor>([this] { return kelo; });
        editor->setOnChanged(
            [this] { maxAttempt = std::max(maxAttempt, editor->resendAttempt()); });
        editor->start();
    }
    void TearDown() override {
        editor.reset();
        sim.reset();
        link.reset();
    }

    // The "multiscreen" messages the server put together: queries' keys, or
    // the sets' whole texts.
    QList<QByteArray> multiscreen(uint8_t op) {
        QList<QByteArray> out;
        for (const auto& m : sim->contentEditorMessages(0)) {
            const QList<QByteArray> f = m.text.split(VT);
            if (m.op == op && f.value(0) == "multiscreen") out << (op == 22 ? f.value(1) : m.text);
        }
        return out;
    }
    std::vector<MultiScreenSim::Edit> simEdits() {
        std::vector<MultiScreenSim::Edit> edits;
        sim->withMultiScreen(0, [&](MultiScreenSim& m) { edits = m.edits(); });
        return edits;
    }
    bool idle() {
        return editor->dictLoaded() && !editor->editInFlight() && editor->queuedEdits().empty();
    }

    QTemporaryDir dir_;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloServerSim> sim;
    KeloObject* kelo = nullptr;
    std::unique_ptr<MultiScreenEditor> editor;
    int maxAttempt = 0;
};

TEST_F(EditorRoad, LoadsEditsAndSendsTheWholeDocument) {
    QVariantMap served = MultiScreenSim::demoDocument();
    sim->withMultiScreen(0, [&](MultiScreenSim& m) { served = m.document(); });
    // The demo holds 2 configurations of 3 and 1 screens.
    ASSERT_TRUE(processUntil([&] { return idle(); }, 6000));
    EXPECT_EQ(multiscreen(22),
              (QList<QByteArray>{"0,0", "1,0", "1,1", "1,2", "1,3", "2,0", "2,1"}));
    const PlistNode::Ptr doc = editor->document();
    ASSERT_EQ(doc->value("configurations")->count(), 2);
    EXPECT_EQ(
        doc->value("configurations")->at(1)->value("screens")->at(0)->value("vertices")->count(),
        3);
    // New identifiers went back as the whole document, which the server took.
    ASSERT_EQ(simEdits().size(), 1u);
    EXPECT_EQ(simEdits()[0].operation, "__compressed_kitchen_sink");
    EXPECT_TRUE(simEdits()[0].applied);

    // A control edit whose first two acknowledgements are lost.
    sim->withMultiScreen(0, [](MultiScreenSim& m) { m.loseAcks(2); });
    const PlistNode::Ptr screen = doc->value("configurations")->at(0)->value("screens")->at(1);
    const PlistNode::Ptr control = screen->value("controls")->at(0);
    control->setValue("offset", 25.0);
    editor->sendEditForItem(control, 3, PlistNode::scalar(25.0), "offset");
    ASSERT_TRUE(processUntil([&] { return idle(); }, 6000));
    std::vector<MultiScreenSim::Edit> edits = simEdits();
    ASSERT_EQ(edits.size(), 4u) << "sent, re-sent twice, acknowledged the third time";
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(edits[i].msgkey, "1,2");
        EXPECT_EQ(edits[i].itemkey, "controls");
        EXPECT_EQ(edits[i].editNumber, edits[1].editNumber);
    }
    EXPECT_EQ(maxAttempt, 2);
    EXPECT_TRUE(editor->resendStatusText().isEmpty());
    QVariantMap held;
    sim->withMultiScreen(0, [&](MultiScreenSim& m) { held = m.document(); });
    const QVariantMap heldControl = held["configurations"]
                                        .toList()[0]
                                        .toMap()["screens"]
                                        .toList()[1]
                                        .toMap()["controls"]
                                        .toList()[0]
                                        .toMap();
    EXPECT_EQ(heldControl["offset"], 25.0);

    // A structural change: the whole document goes, compressed twice.
    const PlistNode::Ptr added = PlistNode::fromVariant(
        QVariantMap{{"name", "Added"}, {"activeRect", "{{0, 300}, {100, 100}}"}});
    doc->value("configurations")->at(1)->value("screens")->append(added);
    editor->assignUIDs();
    ASSERT_TRUE(editor->sendCompressedKitchenSink());
    ASSERT_TRUE(processUntil([&] { return idle(); }, 6000));
    ASSERT_EQ(simEdits().size(), 5u);
    EXPECT_EQ(simEdits()[4].operation, "__compressed_kitchen_sink");
    sim->withMultiScreen(0, [&](MultiScreenSim& m) { held = m.document(); });
    EXPECT_EQ(held, doc->toVariant().toMap());
}

}  // namespace

KELO_TEST_MAIN_CORE()
