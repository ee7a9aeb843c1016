#include "pixelmap/PixelMapModel.h"

#include "pixelmap/PixelMapModelDelegate.h"
#include "pixelmap/PixelMapTestDocs.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "support/TestMain.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pmtest;

namespace {

struct ViewState : PixelMapModelDelegate {
    QVariantMap undoViewState() override { return {{"zoomFactor", zoom}, {"toFixtureNextUniv", nextUniverse}}; }
    void restoreUndoViewState(const QVariantMap& s) override {
        zoom = s.value("zoomFactor").toDouble();
        nextUniverse = s.value("toFixtureNextUniv").toString();
    }
    void undoRegistrationLost() override { ++lost; }
    void saveSucceeded() override { ++saves; }
    bool isVisible() override { return visible; }
    double zoom = 1.0;
    QString nextUniverse = "16";
    int lost = 0;
    int saves = 0;
    bool visible = true;
};

class SnapshotUndoTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        const QVariantMap doc = document({context(qint64(0), {fixture("Bar3", "1", 1), fixture("Bar3", "1", 10)}),
                                          context(qint64(1), {fixture("RGB", "2", 1)})},
                                         {profile("Custom", 2)});
        QFile file(dir.filePath("doc.pmap"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(PropertyList::write(doc, PropertyList::Format::Xml));
        file.close();
        ASSERT_EQ(model.openPixelMap(dir.filePath("doc.pmap")), "");
    }

    // One edit by the editing protocol: the first fixture moves to `address`.
    void edit(int address) {
        ASSERT_TRUE(model.markUndo());
        model.fixList(0).front()->setMAddress(address);
        model.updateAllPixelMapData();
        model.addUndo("Edit Fixture(s) Addressing");
    }

    QTemporaryDir dir;
    ViewState view;
    PixelMapModel model{&view};
};

}  // namespace

TEST_F(SnapshotUndoTest, UndoRestoresDocumentSelectionAndViewAndRedoTheEdit) {
    model.selectContextNum(2);
    model.fixList(0)[1]->setMSelected(true);
    ASSERT_TRUE(model.markUndo());
    model.fixList(0).front()->setMAddress(300);
    model.fixList(0)[1]->setMSelected(false);
    model.updateAllPixelMapData();
    view.zoom = 4;
    view.nextUniverse = "20";
    model.selectContextNum(1);
    model.addUndo("Edit Fixture(s) Addressing");
    EXPECT_EQ(model.undoManager().undoText(), "Edit Fixture(s) Addressing");

    ASSERT_TRUE(model.undo());
    EXPECT_EQ(model.fixList(0).front()->mAddress(), 1);
    auto contexts = model.pixelMapFile().dict().value("contexts").toList();
    EXPECT_EQ(contexts[0].toMap().value("fixtures").toList()[0].toMap().value("fix_addr").toInt(), 1);
    ASSERT_TRUE(model.selectedContext());
    EXPECT_EQ(model.selectedContext()->unique_id(), 1);
    EXPECT_TRUE(model.fixList(0)[1]->mSelected());
    EXPECT_EQ(view.zoom, 1.0);
    EXPECT_EQ(view.nextUniverse, "16");
    EXPECT_FALSE(model.findFixtureProfile("Custom").isEmpty());

    ASSERT_TRUE(model.redo());
    EXPECT_EQ(model.fixList(0).front()->mAddress(), 300);
    EXPECT_FALSE(model.fixList(0)[1]->mSelected());
    EXPECT_EQ(model.selectedContext()->unique_id(), 0);
    EXPECT_EQ(view.zoom, 4.0);
    EXPECT_EQ(view.nextUniverse, "20");
}

TEST_F(SnapshotUndoTest, UndoWithoutContextReturnsToTheSelectedSource) {
    model.selectContextNum(0);
    model.setSelectedSource(0);
    edit(50);
    model.selectContextNum(1);
    ASSERT_TRUE(model.undo());
    EXPECT_EQ(model.selectedContext(), nullptr);
    EXPECT_EQ(model.selectedSource(), 0);
}

TEST_F(SnapshotUndoTest, SelectionsThatNoLongerExistAreIgnored) {
    QVariantMap snapshot = model.buildUndoDict();
    snapshot.insert("patchListTableSelection", QVariantList{qint64(1), qint64(7), qint64(-2)});
    model.restoreUndoSnapshot(snapshot);
    EXPECT_TRUE(model.fixList(0)[1]->mSelected());
    EXPECT_FALSE(model.fixList(0)[0]->mSelected());
}

TEST_F(SnapshotUndoTest, TestOnlyModeRecordsNothingAndUndoesNothing) {
    edit(60);
    model.setPmFileMode(2);
    EXPECT_FALSE(model.markUndo());
    EXPECT_FALSE(model.undo());
    EXPECT_EQ(model.fixList(0).front()->mAddress(), 60);
    EXPECT_EQ(model.undoManager().count(), 1);
    model.setPmFileMode(0);
    view.visible = false;
    EXPECT_FALSE(model.undo());
    view.visible = true;
    EXPECT_TRUE(model.undo());
}

TEST_F(SnapshotUndoTest, ASecondAddUndoRecordsNothingAndWarnsOnce) {
    ASSERT_TRUE(model.markUndo());
    model.addUndo("one");
    model.addUndo("two");
    model.addUndo("three");
    EXPECT_EQ(model.undoManager().count(), 1);
    EXPECT_EQ(view.lost, 1);
}

TEST_F(SnapshotUndoTest, StepsAreLimitedAndClearedOnLoad) {
    for (int i = 0; i < 105; ++i) edit(100 + i);
    EXPECT_EQ(model.undoManager().count(), 100);
    ASSERT_EQ(model.loadDefaultPixelMapData(), "");
    EXPECT_EQ(model.undoManager().count(), 0);
}

TEST_F(SnapshotUndoTest, LiveEditingSavesEveryChangeAndEveryUndo) {
    model.setSessionPath(model.pixelMapFile().fileName());
    model.setPmFileMode(1);
    edit(70);
    EXPECT_EQ(view.saves, 1);
    auto saved = dictionaryWithPmapData([&] {
        QFile file(model.pixelMapFile().fileName());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->value("contexts").toList()[0].toMap().value("fixtures").toList()[0].toMap().value("fix_addr").toInt(), 70);
    EXPECT_EQ(saved->value("profiles").toList().size(), 1);
    ASSERT_TRUE(model.undo());
    EXPECT_EQ(view.saves, 2);
    EXPECT_FALSE(model.pixelMapFile().needsSave());
}

TEST_F(SnapshotUndoTest, TheSnapshotSharesTheDocumentUntilAnEdit) {
    const QVariantMap snapshot = model.buildUndoDict();
    const QVariantMap pix = snapshot.value("pixDict").toMap();
    EXPECT_EQ(pix.value("contexts"), model.pixelMapFile().dict().value("contexts"));
    edit(90);
    EXPECT_NE(pix.value("contexts"), model.pixelMapFile().dict().value("contexts"));
}

KELO_TEST_MAIN_CORE()
