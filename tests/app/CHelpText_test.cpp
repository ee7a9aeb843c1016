#include "app/CHelpText.h"

#include "app/CAboutBoxController.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QPlainTextEdit>

namespace {

TEST(HelpWindow, HeightFollowsTheLinesWidthTheScreen) {
    const struct {
        QRect screen;
        int lines;
        QRect want;
    } cases[] = {
        {{0, 0, 1280, 1000}, 1, {200, 0, 1080, 200}},
        {{0, 0, 1280, 1000}, 100, {200, 0, 1080, 800}},
        {{0, 0, 1280, 1000}, 30, {200, 0, 1080, 600}},
        {{0, 20, 1005, 900}, 12, {200, 20, 795, 240}},
        // 1500 wide is asked for; the screen is the limit.
        {{0, 0, 1000, 900}, 1, {0, 0, 1000, 200}},
        {{100, 0, 1440, 900}, 1, {300, 0, 1240, 200}},
        {{0, 0, 3000, 900}, 1, {200, 0, 1500, 200}},
        {{0, 0, 700, 500}, 100, {0, 0, 700, 500}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CHelpText::helpFrame(c.screen, c.lines), c.want)
            << c.screen.width() << "x" << c.screen.height() << ", " << c.lines << " lines";
    }
}

TEST(HelpWindow, ShowsTheTextMonospaced) {
    QString text = "Acknowledgements\n";
    for (int i = 0; i < 14; ++i) text += QString("\t\tline %1 of the notices\n").arg(i);
    CHelpTextShow(text.toUtf8().constData(), "Acknowledgements");
    CHelpText* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<CHelpText*>(w)) window = h;
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Acknowledgements");
    EXPECT_EQ(window->textView()->toPlainText(), text);
    // The columns line up, whichever monospaced family the desktop has.
    const QFontMetricsF metrics(window->textView()->font());
    for (const QChar c : QStringLiteral(" .ilWm0_|"))
        EXPECT_EQ(metrics.horizontalAdvance(c), metrics.horizontalAdvance(QLatin1Char('M')))
            << QString(c).toStdString() << " in "
            << QFontInfo(window->textView()->font()).family().toStdString();
    EXPECT_TRUE(window->textView()->isReadOnly());
    EXPECT_EQ(window->height(), std::min(320, window->screen()->availableGeometry().height()));
    // Placed by its outer frame, the title bar included, inside the screen.
    EXPECT_TRUE(window->screen()->availableGeometry().contains(window->frameGeometry()))
        << window->frameGeometry().width() << " x " << window->frameGeometry().height();
    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    window->render(&image);
    ASSERT_TRUE(image.save(artefactPath("app-help-window.png")));
    QPointer<CHelpText> gone(window);
    window->closeWindow();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull()) << "a closed window goes";

    // Text that is not UTF-8 is read as Latin-1.
    CHelpText* latin = CHelpText::showHelp(QString(), QString());
    latin->close();
    CHelpTextShow("caf\xe9", "t\xe9");
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<CHelpText*>(w); h && h->isVisible()) window = h;
    EXPECT_EQ(window->textView()->toPlainText(), QString::fromLatin1("caf\xe9"));
    window->close();
}

TEST(AboutWindow, VersionTextAndWindow) {
    EXPECT_EQ(CAboutBoxController::versionText("4.2", 812), "4.2   (Final r812)");
    EXPECT_EQ(CAboutBoxController::versionText("4.2 r812", 900), "4.2 r812");
    EXPECT_EQ(CAboutBoxController::versionText("4.2", 0), "4.2");

    QCoreApplication::setApplicationVersion("4.2");
    // The notices come indented for the help window; the About box shows
    // them from its left edge, keeping only indents of their own.
    CAboutBoxController* about =
        orderFrontStandardAboutPanel(812, "\t\tLicence notices.\n\t\t\n\t\t\tMore.\n");
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->versionLabel()->text(), "4.2   (Final r812)");
    EXPECT_EQ(about->legalText()->toPlainText(), "Licence notices.\n\n\tMore.\n");
    QImage image(about->size(), QImage::Format_ARGB32_Premultiplied);
    about->render(&image);
    ASSERT_TRUE(image.save(artefactPath("app-about-window.png")));
    about->doClose();
}

}  // namespace

KELO_TEST_MAIN_GUI()
