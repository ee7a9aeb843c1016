// The image-remap editor's live link: loads, edits and acknowledgements, with
// a server object whose link records what would go out and the simulator's
// image-remap side answering in process, on a clock the test moves.

#include "imageremap/MultiScreenEditor.h"

#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloObjectLink.h"
#include "serverlink/ServerLinkNotifications.h"
#include "support/MultiScreenSim.h"
#include "support/TestMain.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const QChar VT(0x0B);

struct RecordingLink : KeloObjectLink {
    void sendContentEditorMessage(KeloObject*, const QString& text, bool set) override {
        sent.push_back({text, set});
    }
    struct Sent {
        QString text;
        bool set;
    };
    std::vector<Sent> sent;
};

QVariantMap twoConfigs() {
    QVariantMap doc = MultiScreenSim::demoDocument();
    QVariantList configs = doc["configurations"].toList();
    QVariantMap first = configs[0].toMap();
    first["screens"] = first["screens"].toList().mid(1, 2);  // Centre (with controls), Right
    QVariantMap second = configs[1].toMap();
    second["screens"] = QVariantList{};
    doc["configurations"] = QVariantList{first, second};
    return doc;
}

class EditorProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        kelo.setName("Kelo Remap");
        kelo.setLink(&link);
        kelo.setIsRunning(true);
        editor =
            std::make_unique<MultiScreenEditor>([this] { return &kelo; }, [this] { return t; });
    }

    void post(const QString& message) {
        NotificationCenter::defaultCenter().post(kKeloContentEditorNotification, &kelo,
                                                 {{"opcode", 23}, {"message", message}});
    }
    // The keys of the requests sent since the last call.
    QStringList takeRequests() {
        QStringList keys;
        for (const auto& s : link.sent)
            if (!s.set) keys << s.text.section(VT, 1, 1);
        std::erase_if(link.sent, [](const RecordingLink::Sent& s) { return !s.set; });
        return keys;
    }
    // Ticks past the re-send interval and answers every request from `server`
    // until the load is over; returns the keys asked, in order.
    QStringList load(MultiScreenSim& server, int maxRounds = 50) {
        QStringList asked;
        t += 0.6;
        editor->tick();
        for (int i = 0; i < maxRounds; ++i) {
            const QStringList keys = takeRequests();
            if (keys.isEmpty()) break;
            asked += keys;
            for (const QString& k : keys) post(QString::fromUtf8(server.answer(k.toUtf8())));
        }
        return asked;
    }
    // The edit messages sent since the last call, as the server reads them.
    std::vector<QVariantMap> takeEdits() {
        std::vector<QVariantMap> out;
        for (const auto& s : link.sent)
            if (s.set) {
                QVariantMap m = PropertyList::read(s.text.section(VT, 2).toUtf8()).toMap();
                m["_key"] = s.text.section(VT, 1, 1);
                out.push_back(m);
            }
        std::erase_if(link.sent, [](const RecordingLink::Sent& s) { return s.set; });
        return out;
    }
    void ack(const QString& key, const QVariant& number) {
        post("multiscreen" + QString(VT) + key + VT +
             QString::fromUtf8(PropertyList::write(QVariantMap{{"edit_number", number}},
                                                   PropertyList::Format::Xml)) +
             VT + "ack");
    }
    void loadDemo() {
        server.setDocument(twoConfigs());
        load(server);
        ASSERT_TRUE(editor->dictLoaded());
        takeEdits();
    }

    double t = 1000;
    KeloObject kelo;
    RecordingLink link;
    MultiScreenSim server;
    std::unique_ptr<MultiScreenEditor> editor;
};

// Configurations of two and of no screens: the walk asks "0,0", "1,0",
// "1,1", "1,2", "2,0" and stops, and the document is the server's.
TEST_F(EditorProtocol, LoadWalksTheServersItemsInOrder) {
    server.setDocument(twoConfigs());
    editor->tick();
    EXPECT_TRUE(takeRequests().isEmpty()) << "the first request waits out the interval";
    EXPECT_EQ(load(server), (QStringList{"0,0", "1,0", "1,1", "1,2", "2,0"}));
    ASSERT_TRUE(editor->dictLoaded());
    EXPECT_FALSE(editor->loading());
    EXPECT_FLOAT_EQ(editor->transferProgress(), 1.0f) << "4 objects after the top level";
    const PlistNode::Ptr doc = editor->document();
    ASSERT_TRUE(doc);
    const PlistNode::Ptr configs = doc->value("configurations");
    ASSERT_EQ(configs->count(), 2);
    EXPECT_EQ(configs->at(0)->value("screens")->count(), 2);
    EXPECT_EQ(configs->at(1)->value("screens")->count(), 0);
    EXPECT_EQ(configs->at(0)->value("screens")->at(0)->stringValue("name"), "Centre");
    EXPECT_EQ(configs->at(0)->value("screens")->at(0)->value("controls")->at(1)->stringValue("UID"),
              "[0.0.1]");
    // The identifiers were new to the server: the whole document follows.
    const std::vector<QVariantMap> edits = (editor->tick(), takeEdits());
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0]["itemkey"], "__compressed_kitchen_sink");
    EXPECT_EQ(edits[0]["_key"], "0,0");
    t += 1;
    editor->tick();
    EXPECT_TRUE(takeRequests().isEmpty()) << "a finished load asks nothing more";
}

// A control's scale changes: the whole "controls" array of its screen goes
// under the screen's key, and is re-sent every 0.5 s until the server
// acknowledges this edit's number; a stale number does not count.
TEST_F(EditorProtocol, ControlEditsAreResentUntilAcknowledged) {
    loadDemo();
    // Let the identifiers' whole-document edit go and come back.
    editor->tick();
    std::vector<QVariantMap> sent = takeEdits();
    ASSERT_EQ(sent.size(), 1u);
    ack("0,0", sent[0]["edit_number"]);

    const PlistNode::Ptr control = editor->document()
                                       ->value("configurations")
                                       ->at(0)
                                       ->value("screens")
                                       ->at(0)
                                       ->value("controls")
                                       ->at(1);
    control->setValue("scale", 0.5);
    editor->sendEditForItem(control, 3, PlistNode::scalar(0.5), "scale");
    editor->tick();
    sent = takeEdits();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["_key"], "1,1");
    EXPECT_EQ(sent[0]["msgkey"], "1,1");
    EXPECT_EQ(sent[0]["itemkey"], "controls");
    EXPECT_EQ(sent[0]["operation"], "update");
    const QVariantList controls = sent[0]["value"].toList();
    ASSERT_EQ(controls.size(), 2);
    EXPECT_EQ(controls[1].toMap()["scale"], 0.5);
    const int number = sent[0]["edit_number"].toString().toInt();
    EXPECT_GT(number, sent.size());

    t += 0.4;
    editor->tick();
    EXPECT_TRUE(takeEdits().empty());
    ack("1,1", QString::number(number - 1));  // an earlier edit's
    t += 0.2;
    editor->tick();
    sent = takeEdits();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["edit_number"].toString().toInt(), number);
    EXPECT_EQ(editor->resendAttempt(), 1);
    EXPECT_EQ(editor->resendStatusText(), "re-sending, attempt #1");

    ack("1,1", number);
    EXPECT_EQ(editor->editInFlight(), nullptr);
    EXPECT_TRUE(editor->resendStatusText().isEmpty());
}

TEST_F(EditorProtocol, EditsAreAddressedByTheirItemsPositions) {
    loadDemo();
    const PlistNode::Ptr doc = editor->document();
    const PlistNode::Ptr config = doc->value("configurations")->at(0);
    const PlistNode::Ptr screen = config->value("screens")->at(1);
    const PlistNode::Ptr fresh = PlistNode::fromVariant(QVariantMap{{"name", "New"}});
    config->value("screens")->append(fresh);
    const PlistNode::Ptr newConfig = PlistNode::dictionary();
    doc->value("configurations")->append(newConfig);

    struct Case {
        PlistNode::Ptr item;
        int type;
        PlistNode::Ptr value;
        QString key;
        QString msgkey, itemkey, operation;
    };
    auto text = [](const char* s) { return PlistNode::scalar(QString(s)); };
    const std::vector<Case> cases = {
        {doc, 0, text("2.000000"), "texGain", "0,0", "texGain", "update"},
        {config, 1, text("Wall 2"), "name", "1,0", "name", "update"},
        {screen, 2, text("{{0, 0}, {10, 10}}"), "activeRect", "1,2", "activeRect", "update"},
        {config, 4, fresh, "__insert_screen", "1,2", "__insert_screen", "__insert_screen"},
        {text("2,1"), 4, fresh, "__paste_screen", "2,1", "__insert_screen", "__insert_screen"},
        {doc, 4, newConfig, "__insert_config", "2,0", "__insert_config", "__insert_config"},
        {screen, 4, PlistNode::scalar(qint64(1)), "__delete_screen", "0,1", "__delete_screen",
         "__delete_screen"},
        {doc, 4, PlistNode::scalar(qint64(1)), "__delete_config", "1,0", "__delete_config",
         "__delete_config"},
        {config->value("screens")->at(0), 4, screen, "__add_control", "1,1", "controls", "update"},
    };
    for (const Case& c : cases) editor->sendEditForItem(c.item, c.type, c.value, c.key);
    // Refused: no value, type 5, an item the document does not hold, a
    // configuration passed as a screen, an unknown operation.
    editor->sendEditForItem(doc, 0, nullptr, "texGain");
    editor->sendEditForItem(doc, 5, text("x"), "texGain");
    editor->sendEditForItem(screen->deepCopy(), 2, text("x"), "name");
    editor->sendEditForItem(config, 2, text("x"), "name");
    editor->sendEditForItem(screen, 4, text("x"), "__explode");
    ASSERT_EQ(editor->queuedEdits().size(), cases.size() + 1) << "plus the identifiers' document";
    for (size_t i = 0; i < cases.size(); ++i) {
        const MultiScreenEditor::EditMessage& m = editor->queuedEdits()[i + 1];
        EXPECT_EQ(m.msgkey, cases[i].msgkey) << i;
        EXPECT_EQ(m.itemkey, cases[i].itemkey) << i;
        EXPECT_EQ(m.operation, cases[i].operation) << i;
    }
    EXPECT_EQ(editor->queuedEdits()[8].value->toString(), "1") << "the screen's position";
    EXPECT_NE(editor->queuedEdits()[6].value, newConfig) << "a shallow copy";

    // The whole document replaces every waiting edit.
    ASSERT_TRUE(editor->sendCompressedKitchenSink());
    ASSERT_EQ(editor->queuedEdits().size(), 1u);
    EXPECT_EQ(editor->queuedEdits()[0].itemkey, "__compressed_kitchen_sink");
    EXPECT_TRUE(MultiScreenDocument::readKitchenSink(
                    editor->queuedEdits()[0].value->scalarValue().toByteArray())
                    ->equals(*doc));
}

// The type-11 counter moves when the server changes its document; within 5 s
// of our own edit that is our echo.
TEST_F(EditorProtocol, OnlyForeignChangesReload) {
    loadDemo();
    editor->tick();  // sends the identifiers' document
    ASSERT_EQ(takeEdits().size(), 1u);
    auto incr = [&](int type) {
        NotificationCenter::defaultCenter().post(kKeloPref_IncrNotification, &kelo,
                                                 {{"type", type}, {"statusIncrement", 2}});
    };
    t += 2;
    incr(11);
    EXPECT_FALSE(editor->needsUpdate());
    t += 4;
    incr(10);
    EXPECT_FALSE(editor->needsUpdate()) << "another counter";
    incr(11);
    EXPECT_TRUE(editor->needsUpdate());
    // The reload keeps the open document on show until its successor is in.
    const PlistNode::Ptr before = editor->document();
    editor->tick();
    EXPECT_TRUE(editor->loading());
    EXPECT_EQ(editor->document(), before);
}

// Each bad reply is logged and ignored: the load goes on asking, the open
// document stays, the edit in flight stays in flight.
TEST_F(EditorProtocol, BadRepliesChangeNothing) {
    loadDemo();
    const PlistNode::Ptr before = editor->document();
    const PlistNode::Ptr snapshot = before->deepCopy();
    editor->reloadFromServer();
    ASSERT_EQ(editor->currKey(), "0,0");
    const QString head = "multiscreen" + QString(VT) + "0,0" + VT;
    auto xml = [](const QVariantMap& m) {
        return QString::fromUtf8(PropertyList::write(m, PropertyList::Format::Xml));
    };
    const QStringList replies = {
        "multiscreen",
        "multiscreen" + QString(VT) + "0,0",
        head + "<?xml version=\"1.0\"?><plist><dict><key>a",
        head + "not a plist {",
        head + xml({{"configurations", qint64(1)}}),
        head + xml({{"configurations", "x"}, {"__object_count", qint64(1)}}),
        head + xml({{"configurations", qint64(-1)}, {"__object_count", qint64(1)}}),
        head + xml({{"configurations", QVariantList{}}, {"__object_count", qint64(1)}}),
        head + xml({{"configurations", qint64(1)}, {"__object_count", "many"}}),
        head + QString::fromUtf8(PropertyList::write(QVariantList{1}, PropertyList::Format::Xml)),
        "graphicsEnvironment" + QString(VT) + "0,0" + VT + xml({}),
    };
    for (const QString& r : replies) {
        post(r);
        EXPECT_EQ(editor->currKey(), "0,0") << r.toStdString();
        EXPECT_TRUE(editor->loading());
    }
    EXPECT_EQ(editor->document(), before);

    // A whole walk whose screen holds a vertex of four numbers is refused.
    QVariantMap bad = twoConfigs();
    QVariantList configs = bad["configurations"].toList();
    QVariantMap first = configs[0].toMap();
    first["screens"] = QVariantList{QVariantMap{{"vertices", QVariantList{"{1,2,3,4}"}}}};
    configs[0] = first;
    bad["configurations"] = configs;
    MultiScreenSim badServer;
    badServer.setDocument(bad);
    takeRequests();
    EXPECT_EQ(load(badServer), (QStringList{"0,0", "1,0", "1,1", "2,0"}));
    EXPECT_FALSE(editor->loading());
    EXPECT_EQ(editor->document(), before);
    EXPECT_TRUE(editor->document()->equals(*snapshot));
}

TEST_F(EditorProtocol, FileModeIgnoresEverything) {
    editor->setFileMode(true);
    t += 5;
    editor->tick();
    server.setDocument(twoConfigs());
    post(QString::fromUtf8(server.answer("0,0")));
    EXPECT_TRUE(link.sent.empty());
    EXPECT_FALSE(editor->dictLoaded());
}

TEST(MultiScreenEditorLists, OptionsAndHeaders) {
    EXPECT_EQ(MultiScreenEditor::imageRemapParameterOptions().size(), 44);
    EXPECT_EQ(MultiScreenEditor::imageRemapParameterOptions()[35], "RGB");
    EXPECT_EQ(MultiScreenEditor::imageRemapParameterOptions()[43], "Expand");
    EXPECT_EQ(MultiScreenEditor::imageRemapFormatOptions().value(5), "16_u");
    MultiScreenEditor editor({});
    EXPECT_EQ(editor.standardControlsImportHeader(),
              "name,univ_idx,address,parameter,format,scale,layerstride,offset,min,max");
    EXPECT_TRUE(editor.standardScreensImportHeader().startsWith("name,active_x,"));
}

}  // namespace

KELO_TEST_MAIN_CORE()
