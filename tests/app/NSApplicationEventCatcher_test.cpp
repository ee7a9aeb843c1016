#include "app/NSApplicationEventCatcher.h"

#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <utility>
#include <vector>

#include <stdexcept>

namespace {

NSApplicationEventCatcher& app() {
    return *static_cast<NSApplicationEventCatcher*>(QCoreApplication::instance());
}

TEST(NSApplicationEventCatcher, LogsFiveExceptionsThenOneAMinute) {
    NSApplicationEventCatcher& a = app();
    // Seconds of each exception, and whether the log takes it.
    const struct {
        double at;
        bool logged;
    } table[] = {{0, true},  {1, true},   {2, true},   {3, true},  {4, true},
                 {14, false}, {63, false}, {64.5, true}, {70, false}, {125, true}};
    for (const auto& row : table)
        EXPECT_EQ(a.reportException("boom", 1000 + row.at), row.logged) << "at " << row.at;
}

TEST(NSApplicationEventCatcher, AnExceptionInAnEventHandlerLeavesTheLoopRunning) {
    NSApplicationEventCatcher& a = app();
    bool after = false;
    QTimer::singleShot(0, &a, [] { throw std::runtime_error("handler failed"); });
    QTimer::singleShot(10, &a, [&] {
        after = true;
        a.quit();
    });
    a.exec();
    EXPECT_TRUE(after);
}

// Menus and standard dialogs share the themed windows' dark palette: a light
// default would show through wherever a widget sets no colours of its own.
TEST(NSApplicationEventCatcher, MenusAndStandardDialogsAreDark) {
    QMessageBox alert(QMessageBox::Warning, "Alert", "Something to read on a dark ground.",
                      QMessageBox::Ok | QMessageBox::Cancel);
    QMenu menu;
    menu.addAction("First item");
    menu.addAction("Second item")->setEnabled(false);
    const struct {
        QWidget* widget;
        const char* picture;
    } cases[] = {{&alert, "app-dark-alert.png"}, {&menu, "app-dark-menu.png"}};
    for (const auto& c : cases) {
        c.widget->adjustSize();
        const QPalette palette = c.widget->palette();
        EXPECT_LT(palette.color(QPalette::Window).lightness(), 80) << c.picture;
        EXPECT_LT(palette.color(QPalette::Button).lightness(), 80) << c.picture;
        EXPECT_LT(palette.color(QPalette::Base).lightness(), 80) << c.picture;
        EXPECT_GT(palette.color(QPalette::WindowText).lightness(), 150) << c.picture;
        EXPECT_GT(palette.color(QPalette::ButtonText).lightness(), 150) << c.picture;
        EXPECT_GT(palette.color(QPalette::Disabled, QPalette::Text).lightness(),
                  palette.color(QPalette::Window).lightness())
            << c.picture << ": disabled text stays readable";
        QImage image(c.widget->size(), QImage::Format_ARGB32_Premultiplied);
        c.widget->render(&image);
        ASSERT_TRUE(image.save(artefactPath(c.picture)));
        // Dark as drawn too: the ground at the middle of the left edge.
        EXPECT_LT(QColor(image.pixel(2, image.height() / 2)).lightness(), 80) << c.picture;
    }
}

// Two windows, each editing a field; the first also has a button that takes
// no focus (as the HUD's buttons), so only the focus check can end editing.
// Every end of editing is recorded with the action it saw.
class FocusCheck : public ::testing::Test, public QObject {
protected:
    void SetUp() override {
        window.setGeometry(100, 100, 300, 200);
        field = new QLineEdit(&window);
        field->setGeometry(10, 10, 120, 24);
        button = new QPushButton("OK", &window);
        button->setGeometry(10, 60, 80, 24);
        button->setFocusPolicy(Qt::NoFocus);
        other.setGeometry(500, 100, 200, 100);
        otherField = new QLineEdit(&other);
        otherField->setGeometry(10, 10, 120, 24);
        for (QWidget* w : {&window, &other}) w->show();
        QApplication::setActiveWindow(&window);
        field->setFocus();
        otherField->setFocus();
        field->installEventFilter(this);
        otherField->installEventFilter(this);
        NSApplicationEventCatcher::setExcludedResponder(nullptr);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        // Opening a pop-up takes the keyboard, which is not the end of editing.
        if (event->type() == QEvent::FocusOut &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            ended.emplace_back(static_cast<QWidget*>(watched), gVAppCancelAction);
        return false;
    }

    static void press(QWidget* target, QPoint at) {
        QMouseEvent e(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
    }

    // The action `w`'s editing ended with; -1 while it goes on.
    int endedWith(QWidget* w) const {
        for (const auto& [widget, action] : ended)
            if (widget == w) return action;
        return -1;
    }

    // First: the windows' focus-outs while they close still reach it.
    std::vector<std::pair<QWidget*, int>> ended;
    QWidget window;
    QWidget other;
    QLineEdit* field = nullptr;
    QPushButton* button = nullptr;
    QLineEdit* otherField = nullptr;
};

TEST_F(FocusCheck, AClickInsideTheFieldOrAKeyKeepsTheEditing) {
    press(field, {5, 5});
    QKeyEvent down(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QCoreApplication::sendEvent(field, &down);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a");
    QCoreApplication::sendEvent(field, &up);
    EXPECT_EQ(endedWith(field), -1);
    EXPECT_EQ(endedWith(otherField), kAppCancelExamining) << "another window's field ends";
    EXPECT_EQ(window.focusWidget(), field);
    EXPECT_EQ(gVAppCancelAction, kAppCancelNone);
}

TEST_F(FocusCheck, AClickElsewhereEndsTheEditingWithItsReason) {
    press(&window, {200, 150});  // the empty background
    EXPECT_EQ(endedWith(field), kAppCancelBackground);
    EXPECT_EQ(gVAppCancelAction, kAppCancelNone) << "reset after the check";

    ended.clear();
    field->setFocus();
    otherField->setFocus();
    press(button, {5, 5});
    EXPECT_EQ(endedWith(field), kAppCancelClickElsewhere);
    EXPECT_EQ(endedWith(otherField), kAppCancelExamining);
    EXPECT_NE(window.focusWidget(), field);
}

TEST_F(FocusCheck, TheExcludedResponderAndTheWindowsPopUpKeepTheEditing) {
    NSApplicationEventCatcher::setExcludedResponder(field);
    press(button, {5, 5});
    EXPECT_EQ(endedWith(field), -1);

    QWidget popup(&window, Qt::Popup);
    popup.setGeometry(120, 150, 60, 40);
    popup.show();
    ended.clear();
    press(&popup, {5, 5});
    EXPECT_EQ(endedWith(field), -1) << "a click in a pop-up of its window";
    popup.hide();
}

TEST_F(FocusCheck, APressOfNoWindowEndsEveryFieldsEditing) {
    NSApplicationEventCatcher& a = app();
    QObject nowhere;
    QMouseEvent e(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    a.sendEventDirectly(&nowhere, &e);
    EXPECT_EQ(endedWith(field), kAppCancelExamining);
    EXPECT_EQ(endedWith(otherField), kAppCancelExamining);
}

}  // namespace

KELO_TEST_MAIN_WITH_APP(NSApplicationEventCatcher)
