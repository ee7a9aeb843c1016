#include "content/SimpleRemoteDelegate.h"
#include "content/RemoteFileManager.h"
#include "hud/controls/HUDButton.h"
#include "hud/views/OverlayView.h"
#include "hud/windows/KlLogUI.h"
#include "platform/UserDefaults.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>

namespace {

QString artefactPath(const QString& name) {
    const QByteArray configured = qgetenv("KELO_ARTEFACT_DIR");
    const QString dir = configured.isEmpty() ? QDir::current().filePath("artefacts")
                                             : QString::fromLocal8Bit(configured);
    QDir().mkpath(dir);
    return QDir(dir).filePath(name);
}

// A read that outlasts its time-out puts the overlay over the view; its
// Cancel button ends the wait.
TEST(SimpleRemoteDelegate, OverlayOverTheViewCancelsTheWait) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    UserDefaults::setStandardFile(tmp.filePath("defaults.plist"));
    const QString slow = tmp.filePath("slow");
    ASSERT_EQ(mkfifo(QFile::encodeName(slow).constData(), 0600), 0);

    QWidget window;
    window.resize(640, 400);
    auto* view = new QWidget(&window);
    view->setGeometry(200, 150, 240, 100);
    window.show();
    SimpleRemoteDelegate delegate(view);

    QString shown;
    bool screenshot = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        OverlayView* overlay = delegate.overlay();
        if (!overlay || !overlay->isVisible()) return;
        poll.stop();
        screenshot = overlay->grab().toImage().save(artefactPath("rfm-read-overlay.png"));
        for (HUDButton* b : overlay->findChildren<HUDButton*>()) {
            shown += b->title() + ";";
            if (b->property("tag").toLongLong() == 0) b->click();
        }
    });
    poll.start();

    bool canceled = false;
    EXPECT_FALSE(delegate.remoteFileManager()->klAsyncOp(kRfmOpRead, slow, 0.2, {}, &canceled));
    EXPECT_TRUE(canceled);
    EXPECT_EQ(shown, "Cancel;");
    EXPECT_TRUE(screenshot);
    QApplication::processEvents();
    EXPECT_FALSE(delegate.overlay());
    EXPECT_TRUE(window.findChildren<OverlayView*>().isEmpty() ||
                !window.findChildren<OverlayView*>().first()->isVisible());

    // Let the blocked worker go.
    QFile writer(slow);
    ASSERT_TRUE(writer.open(QIODevice::WriteOnly));
}

// The manager's warnings go to the log panel: the delegate's own
// window-less one, or its owner's once given, which the warning opens.
TEST(SimpleRemoteDelegate, WarningsGoToTheLogPanel) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    UserDefaults::setStandardFile(tmp.filePath("defaults.plist"));
    QWidget window;
    auto* view = new QWidget(&window);
    SimpleRemoteDelegate delegate(view);
    auto readMissing = [&] {
        bool canceled = true;
        EXPECT_FALSE(delegate.remoteFileManager()->klAsyncOp(kRfmOpRead, "/Volumes/none/file", 5,
                                                             {}, &canceled));
        EXPECT_FALSE(canceled);
    };
    readMissing();
    ASSERT_NE(delegate.klLogUI(), nullptr);
    ASSERT_FALSE(delegate.klLogUI()->logMessages().isEmpty());
    EXPECT_TRUE(delegate.klLogUI()->logMessages().first().log.startsWith("Warning: "));
    EXPECT_FALSE(delegate.klLogUI()->historyShown()) << "no pane to open";

    QSplitter split;
    split.addWidget(new QWidget);
    QPushButton button;
    KlLogUI owners(&split, &button);
    owners.setDelegate(nullptr, nullptr, "rfmShow", "rfmHeight");
    delegate.setKlLogUI(&owners);
    readMissing();
    ASSERT_FALSE(owners.logMessages().isEmpty());
    EXPECT_TRUE(owners.logMessages().first().log.startsWith("Warning: "));
    EXPECT_TRUE(owners.logMessages().first().flash);
    EXPECT_TRUE(owners.historyShown());
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(top)) box->close();
}

}  // namespace

KELO_TEST_MAIN_GUI()
