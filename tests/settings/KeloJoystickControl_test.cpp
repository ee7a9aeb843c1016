// The jog control with real events offscreen: typed values, clicks, drags,
// the repeat tick, arrow keys and the spring back.

#include "settings/KeloJoystickControl.h"
#include "support/MouseEvents.h"
#include "support/TestMain.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <limits>

namespace {

struct Jog {
    Jog() {
        window.resize(300, 60);
        jog = new KeloJoystickControl(&window);
        jog->setGeometry(10, 10, 200, 20);
        field = new QLineEdit(&window);
        field->setGeometry(220, 10, 60, 20);
        jog->setHText(field);
        window.show();
    }
    void type(const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    QWidget window;
    KeloJoystickControl* jog = nullptr;
    QLineEdit* field = nullptr;
};

TEST(KeloJoystickControl, TypedValuesRoundHalfAwayFromZero) {
    Jog j;
    QSignalSpy actions(j.jog, &KeloJoystickControl::action);
    QSignalSpy notes(j.jog, &KeloJoystickControl::floatXChanged);
    const struct {
        const char* text;
        int value;
        const char* shown;
    } cases[] = {{"12.34", 123, "12.3"},
                 {"-0.26", -3, "-0.3"},
                 {"3*2", 60, "6.0"},
                 {"junk", 0, "0.0"},
                 {"1e30", 2147483647, nullptr}};
    for (const auto& c : cases) {
        j.type(QString::fromUtf8(c.text));
        EXPECT_EQ(j.jog->xValue(), c.value) << c.text;
        if (c.shown) {
            EXPECT_EQ(j.field->text(), QString::fromUtf8(c.shown)) << c.text;
        }
    }
    EXPECT_EQ(actions.size(), 5);
    EXPECT_EQ(notes.size(), 5);
    // The value already shown, and values set by the owner, notify nobody.
    j.type(j.field->text());
    j.jog->setFloatValueX(4.0f);
    EXPECT_EQ(j.jog->xValue(), 40);
    EXPECT_EQ(actions.size(), 5);

    j.jog->setRestrictRange(true);
    j.type("99");
    EXPECT_EQ(j.jog->xValue(), 255);
    j.jog->setFloatValueY(-4.0f);
    EXPECT_EQ(j.jog->yValue(), 0);
}

TEST(KeloJoystickControl, HeldStickRunsAtTheCubeOfTheDisplacement) {
    Jog j;
    QTest::mousePress(j.jog, Qt::LeftButton, {}, QPoint(100, 10));
    drag(j.jog, QPoint(105, 10));
    j.jog->timerProc();
    EXPECT_NEAR(j.jog->runningX(), 31.875, 1e-3);
    EXPECT_EQ(j.jog->xValue(), 31);
    drag(j.jog, QPoint(110, 10));
    j.jog->timerProc();
    EXPECT_NEAR(j.jog->runningX(), 286.875, 1e-3);
    QTest::mouseRelease(j.jog, Qt::LeftButton, {}, QPoint(110, 10));
    // Springing back: 10 points reach 0 on the sixth halving, then it stops.
    int ticks = 0;
    while (j.jog->timerActive() && ticks < 20) {
        j.jog->timerProc();
        ++ticks;
    }
    EXPECT_EQ(ticks, 6);
    EXPECT_EQ(j.jog->xValue(), 286);
}

TEST(KeloJoystickControl, ClicksAndLongPresses) {
    Jog j;
    j.jog->setDefaultValue(50);
    j.jog->setXValue(10);
    QSignalSpy actions(j.jog, &KeloJoystickControl::action);
    QTest::mouseClick(j.jog, Qt::LeftButton, {}, QPoint(180, 10));
    EXPECT_EQ(j.jog->xValue(), 11);
    QTest::mouseClick(j.jog, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(j.jog->xValue(), 10);
    QTest::mouseClick(j.jog, Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(j.jog->xValue(), 10);
    EXPECT_EQ(actions.size(), 2) << "a middle click does nothing";
    doubleClick(j.jog, QPoint(100, 10));
    EXPECT_EQ(j.jog->xValue(), 50);
    // Held for eleven ticks without moving: not a click.
    QTest::mousePress(j.jog, Qt::LeftButton, {}, QPoint(180, 10));
    for (int i = 0; i < 11; ++i) j.jog->timerProc();
    QTest::mouseRelease(j.jog, Qt::LeftButton, {}, QPoint(180, 10));
    EXPECT_EQ(j.jog->xValue(), 50);

    j.jog->setCanClick(true);
    doubleClick(j.jog, QPoint(190, 10));
    EXPECT_EQ(j.jog->xValue(), 255);
    doubleClick(j.jog, QPoint(5, 10));
    EXPECT_EQ(j.jog->xValue(), 0);
}

TEST(KeloJoystickControl, ArrowKeysOnlyUnderThePointer) {
    Jog j;
    QSignalSpy actions(j.jog, &KeloJoystickControl::action);
    j.jog->setFocus();
    QTest::keyClick(j.jog, Qt::Key_Right);
    EXPECT_EQ(j.jog->xValue(), 0) << "pointer outside";
    QTest::mouseMove(j.jog, QPoint(50, 10));
    QTest::keyClick(j.jog, Qt::Key_Right);
    EXPECT_EQ(j.jog->xValue(), 10);
    QTest::keyClick(j.jog, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(j.jog->xValue(), 9);
    QTest::keyClick(j.jog, Qt::Key_Up);
    EXPECT_EQ(j.jog->yValue(), 0) << "no y axis";
    EXPECT_EQ(actions.size(), 3) << "the y step still reports";
    j.jog->setRestrictRange(true);
    j.jog->setXValue(250);
    QTest::keyClick(j.jog, Qt::Key_Right);
    EXPECT_EQ(j.jog->xValue(), 255);
}

TEST(KeloJoystickControl, DegenerateSettingsStayFinite) {
    Jog j;
    j.jog->setScale(0);
    j.jog->setFloatValueX(5);
    j.type("5");
    EXPECT_EQ(j.jog->xValue(), 0);
    j.jog->setScale(0.1f);
    j.jog->setFloatValueX(std::numeric_limits<float>::infinity());
    EXPECT_EQ(j.jog->xValue(), 0);
    j.jog->setMaxValue(0);
    j.jog->grab();
}

}  // namespace

KELO_TEST_MAIN_GUI()
