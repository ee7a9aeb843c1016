// The texture and vignette panels with real events offscreen: loading,
// typing into their fields, jogging and writing back.

#include "hud/controls/HUDButton.h"
#include "hud/controls/HUDPopUpButton.h"
#include "hud/controls/HUDTextField.h"
#include "settings/KeloJoystickControl.h"
#include "settings/TopoTextureControl.h"
#include "settings/VignetteControl.h"
#include "support/TestMain.h"

#include <QSignalSpy>
#include <QTest>

namespace {

void type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

TEST(TopoTextureControl, SourceSizeSetsRangesAndScalesTheRectangle) {
    TopoTextureControl panel;
    panel.show();
    QVariantMap out;
    EXPECT_FALSE(panel.updateDictionary(out));
    EXPECT_TRUE(out.isEmpty());
    panel.loadFromDictionary(QVariantMap{{"texsize", "1920, 1080"}});
    EXPECT_EQ(panel.texRect(), QRectF(0, 0, 1, 1));
    KeloJoystickControl* x = panel.joystick(4);
    EXPECT_EQ(x->minValue(), -19200);
    EXPECT_EQ(x->maxValue(), 19200);
    EXPECT_EQ(x->format(), "%0.1f");
    EXPECT_EQ(panel.joystick(6)->maxValue(), 19200);
    EXPECT_EQ(panel.joystick(6)->defaultValue(), 19200);

    panel.loadFromDictionary(QVariantMap{{"texsize", "50, 8"}, {"texrect", "10, 1, 40, 4"}});
    EXPECT_EQ(panel.joystick(6)->format(), "%0.01f");
    EXPECT_FLOAT_EQ(panel.joystick(6)->scale(), 0.01f);
    EXPECT_EQ(panel.joystick(7)->maxValue(), 8000);

    panel.loadFromDictionary(QVariantMap{
        {"texsize", "1920, 1080"}, {"texrect", "100, 0, 960, 1080"}, {"showgrid", "3"}});
    QSignalSpy reports(&panel, &TopoTextureControl::action);
    type(panel.sourceWidth(), "3840");
    EXPECT_EQ(panel.texRect(), QRectF(200, 0, 1920, 1080));
    EXPECT_EQ(reports.size(), 1);
    type(panel.sourceWidth(), "3840");
    EXPECT_EQ(reports.size(), 1) << "the same width again reports nothing";
    // Through zero and back: no rescale by infinity or NaN.
    type(panel.sourceWidth(), "0");
    type(panel.sourceWidth(), "1920");
    EXPECT_EQ(panel.texRect(), QRectF(200, 0, 1920, 1080));

    // A typed origin goes through its jog.
    type(panel.joystick(4)->hText(), "12.5");
    EXPECT_DOUBLE_EQ(panel.texRect().x(), 12.5);
    panel.texOrient()->setCurrentIndex(6);
    panel.actionProc(panel.texOrient(), 3);
    QTest::mouseClick(panel.flip(), Qt::LeftButton);
    ASSERT_TRUE(panel.updateDictionary(out));
    EXPECT_EQ(out.value("texsize").toString(), "1920, 1080");
    EXPECT_EQ(out.value("texrect").toString(), "12.5, 0, 1920, 1080");
    EXPECT_EQ(out.value("texorient").toString(), "6");
    EXPECT_EQ(out.value("texflipped").toString(), "1");
    EXPECT_EQ(out.value("texrotation").toString(), "0.0");
    EXPECT_EQ(out.value("showgrid").toString(), "3");
    panel.texOrient()->setCurrentIndex(0);
    panel.actionProc(panel.texOrient(), 3);
    panel.updateDictionary(out);
    EXPECT_FALSE(out.contains("texorient")) << "Normal is not stored";

    panel.loadFromDictionary(std::nullopt);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(panel.updateDictionary(out));
}

TEST(VignetteControl, EdgesLoadWriteBackAndKeepTheirBackups) {
    VignetteControl panel;
    panel.show();
    QVariantMap d{{"scale", "1920, 1080"}, {"left", "96, 1, 1.5"}, {"top_bk", "54"}};
    EXPECT_FALSE(panel.updateDictionary(d));
    panel.loadFromDictionary(d);
    const auto& left = panel.edge(VignetteControl::kLeft);
    EXPECT_TRUE(left.enable);
    EXPECT_FLOAT_EQ(left.amount, 96.0f);
    EXPECT_EQ(left.toAmount->hText()->text(), "96.0");
    EXPECT_EQ(left.toCurve->currentText(), "Raised Cosine");
    EXPECT_EQ(left.toPower->hText()->text(), "1.500");
    const auto& top = panel.edge(VignetteControl::kTop);
    EXPECT_FALSE(top.enable);
    EXPECT_FLOAT_EQ(top.amount, 54.0f);
    EXPECT_EQ(top.toCurve->currentText(), "Linear");
    EXPECT_FALSE(top.toAmount->controlEnabled());
    const auto& right = panel.edge(VignetteControl::kRight);
    EXPECT_FLOAT_EQ(right.amount, 0.1f);
    EXPECT_FLOAT_EQ(right.power, 1.0f);

    QSignalSpy reports(&panel, &VignetteControl::action);
    type(panel.sourceWidth(), "3,840");
    EXPECT_EQ(panel.texSize().width(), 3840);
    EXPECT_FLOAT_EQ(left.amount, 192.0f);
    EXPECT_EQ(reports.size(), 1);

    // Off keeps the stored text as a backup; on again writes the panel's.
    QTest::mouseClick(left.toEnable, Qt::LeftButton);
    ASSERT_TRUE(panel.updateDictionary(d));
    EXPECT_FALSE(d.contains("left"));
    EXPECT_EQ(d.value("left_bk").toString(), "96, 1, 1.5");
    QTest::mouseClick(left.toEnable, Qt::LeftButton);
    panel.updateDictionary(d);
    EXPECT_EQ(d.value("left").toString(), "192, 1, 1.5");
    EXPECT_FALSE(d.contains("left_bk"));
    EXPECT_EQ(d.value("scale").toString(), "3840, 1080");
    EXPECT_EQ(reports.size(), 3);

    panel.loadFromDictionary(QVariantMap{{"scale", "1920, 50"}});
    EXPECT_EQ(top.toAmount->format(), "%0.2f");
    EXPECT_FLOAT_EQ(top.toAmount->scale(), 0.01f);
    EXPECT_EQ(top.toAmount->maxValue(), 5000);
}

TEST(VignetteControl, LenientEdgeTexts) {
    EXPECT_FLOAT_EQ(*VignetteControl::amountFromString("1/4"), 0.25f);
    EXPECT_FALSE(VignetteControl::amountFromString("1/0").has_value());
    EXPECT_EQ(VignetteControl::intValueNoComma("1,920"), 1920);
    VignetteControl panel;
    const struct {
        const char* text;
        float amount;
        int curve;
        float power;
    } cases[] = {{"12", 12, 0, 1},
                 {"12, 2", 12, 2, 1},
                 {"3/0, 1, 2", 12, 1, 2},  // a zero divisor keeps the old amount
                 {"x, y, z", 0, 0, 0},
                 {"", 0, 0, 1}};
    for (const auto& c : cases) {
        panel.loadFromDictionary(QVariantMap{{"scale", "100, 100"}, {"left", c.text}});
        const auto& e = panel.edge(VignetteControl::kLeft);
        EXPECT_FLOAT_EQ(e.amount, c.amount) << c.text;
        EXPECT_EQ(e.curve, c.curve) << c.text;
        EXPECT_FLOAT_EQ(e.power, c.power) << c.text;
    }
    // Zero sizes: amounts keep finite values.
    panel.loadFromDictionary(QVariantMap{{"scale", "0, 0"}, {"left", "5"}});
    panel.loadFromDictionary(QVariantMap{{"scale", "100, 100"}, {"left_bk", "5"}});
    EXPECT_TRUE(std::isfinite(panel.edge(VignetteControl::kLeft).amount));
    EXPECT_EQ(VignetteControl::defaultDictionary(),
              (QVariantMap{{"scale", "1, 1"}, {"type", "rect"}}));
}

}  // namespace

KELO_TEST_MAIN_GUI()
