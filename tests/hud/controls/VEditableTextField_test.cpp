#include "hud/controls/VEditableTextField.h"
#include "hud/controls/VEditableTextDelegate.h"
#include "hud/theme/HUDThemeKelo.h"
#include "hud/views/HUDTableView.h"
#include "support/PixelTestSupport.h"
#include "support/TestMain.h"

#include <QApplication>
#include <QLocale>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

KELO_TEMP_DEFAULTS();

class Locale {
public:
    explicit Locale(const char* name) {
        QLocale::setDefault(QLocale(QString::fromLatin1(name)));
        VEditableTextField::grokLocale();
    }
    ~Locale() {
        QLocale::setDefault(QLocale::c());
        VEditableTextField::grokLocale();
    }
};

TEST(VEditableTextField, ArithmeticOfOneOperator) {
    Locale locale("en_US");
    const struct {
        const char* typed;
        const char* result;
    } cases[] = {
        {"7/2", "3.500000"},
        {"2^10", "1024"},
        {"8/0", "0"},
        {"10--5", "10--5"},
        {"3 * 4", "12"},
        {"1,000+1", "1001"},
        {"5-", "5"},
        {"-5", "-5"},
        {"1+2+3", "1+2+3"},
        {"1e3*2", "1e3*2"},
        {"2*-3", "-6"},
        {"", ""},
        {"abc", "abc"},
        {"0/0", "0"},
        {"-1^0.5", "-1^0.5"},
        // Beyond the 32-bit range the result keeps its decimals.
        {"2147483647+1", "2147483648.000000"},
        {"-2147483648*2", "-4294967296.000000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VEditableTextField::applyArithmetic(QString::fromLatin1(c.typed)),
                  QString::fromLatin1(c.result))
            << c.typed;
    }
    // Ten thousand digits overflow to infinity: the text stays as typed.
    const QString huge = QString(10000, u'9') + QStringLiteral("*2");
    EXPECT_EQ(VEditableTextField::applyArithmetic(huge), huge);
}

TEST(VEditableTextField, PeriodGroupingLocaleReadsCommaDecimals) {
    Locale locale("de_DE");
    EXPECT_EQ(VEditableTextField::applyArithmetic(QStringLiteral("1,5*2")), QStringLiteral("3"));
    EXPECT_EQ(VEditableTextField::applyArithmetic(QStringLiteral("1.000+1")),
              QStringLiteral("1001"));
    VEditableTextField field;
    field.setStringValue(QStringLiteral("1,5"));
    field.setUsesOnDemandFormatter(true);
    EXPECT_FLOAT_EQ(field.onDemandFloatValue(), 1.5f);
    EXPECT_FALSE(field.onDemandFormatterFailed());
    field.setStringValue(QStringLiteral("zwei"));
    EXPECT_EQ(field.onDemandFloatValue(), 0.0f);
    EXPECT_TRUE(field.onDemandFormatterFailed());
}

TEST(VEditableTextField, ActionWritesTheResultBackAtItsPrecision) {
    Locale locale("en_US");
    VEditableTextField field;
    field.setUsesArithmetic(true);
    int sent = 0;
    QObject::connect(&field, &VEditableTextField::action, [&] { ++sent; });
    field.setStringValue(QStringLiteral("7/2"));
    EXPECT_TRUE(field.sendAction());
    EXPECT_EQ(field.text(), QStringLiteral("3.500000"));
    field.setArithmeticPrecisionDigits(1);
    field.setStringValue(QStringLiteral("7/2"));
    field.sendAction();
    EXPECT_EQ(field.text(), QStringLiteral("3.5"));
    EXPECT_EQ(sent, 2);

    field.setUsesArithmetic(false);
    field.setUsesOnDemandFormatter(true);
    field.setStringValue(QStringLiteral("1,234,5"));
    field.sendAction();
    EXPECT_EQ(field.text(), QStringLiteral("12,345"));
    EXPECT_EQ(field.intValue(), 12345);
}

void wheel(VEditableTextField& field, int delta, Qt::KeyboardModifiers modifiers,
           bool precise = true) {
    const QPointF at(5, 5);
    QWheelEvent event(at, field.mapToGlobal(at), precise ? QPoint(0, delta) : QPoint(),
                      QPoint(0, delta * 120), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&field, &event);
}

TEST(VEditableTextField, ControlWheelStepsTheValueByTheVisibleWidth) {
    QWidget host;
    host.resize(200, 100);
    VEditableTextField field(&host);
    field.setGeometry(0, 0, 50, 20);
    field.setAllowsCustomValueScrolling(true);
    int sent = 0;
    QObject::connect(&field, &VEditableTextField::action, [&] { ++sent; });
    const struct {
        int start;
        Qt::KeyboardModifiers modifiers;
        int result;
    } cases[] = {
        {10, Qt::ControlModifier, 15},
        {10, Qt::ControlModifier | Qt::ShiftModifier, 30},
        {10, Qt::ControlModifier | Qt::AltModifier, 11},
        {-3, Qt::ControlModifier | Qt::AltModifier, -1},
        {10, Qt::NoModifier, 10},
    };
    for (const auto& c : cases) {
        field.setIntValue(c.start);
        wheel(field, 1, c.modifiers);
        EXPECT_EQ(field.intValue(), c.result) << c.start << " " << int(c.modifiers);
    }
    EXPECT_EQ(sent, 4);
    field.setIntValue(10);
    wheel(field, 1, Qt::ControlModifier, false);
    EXPECT_EQ(field.intValue(), 10) << "a notched wheel is not precise";
    // Half the field hidden by its host: half the step.
    field.move(175, 0);
    wheel(field, 1, Qt::ControlModifier);
    EXPECT_EQ(field.intValue(), 12);
    // The largest value does not wrap round.
    field.setIntValue(2147483647);
    wheel(field, 1, Qt::ControlModifier);
    EXPECT_EQ(field.intValue(), 2147483647);
}

TEST(VEditableTextField, TenthsShowOneDecimalInTheTooltipColour) {
    VEditableTextField field;
    field.resize(40, 20);
    field.set10thsPrecisionWithFloat(12.0);
    EXPECT_EQ(field.text(), QStringLiteral("12"));
    EXPECT_FALSE(field.hasCustomAttributedStringValue());
    field.set10thsPrecisionWithFloat(12.25);
    EXPECT_EQ(field.text(), QStringLiteral("12.3"));
    EXPECT_TRUE(field.hasCustomAttributedStringValue());
}

TEST(VEditableTextField, ReturnSendsTabMovesOnAndSendsOnlyAChange) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new VEditableTextField;
    auto* second = new VEditableTextField;
    layout->addWidget(first);
    layout->addWidget(second);
    window.show();
    int sent = 0;
    QObject::connect(first, &VEditableTextField::action, [&] { ++sent; });
    first->setFocus();
    QApplication::processEvents();
    VEditableTextDelegate::doCommand(first, VEditableTextDelegate::kTab);
    EXPECT_EQ(sent, 0) << "unchanged";
    EXPECT_TRUE(second->isEditing());
    EXPECT_FALSE(first->isEditing());

    first->setFocus();
    first->insert(QStringLiteral("4"));
    VEditableTextDelegate::doCommand(first, VEditableTextDelegate::kTab);
    EXPECT_EQ(sent, 1);
    first->setFocus();
    VEditableTextDelegate::doCommand(first, VEditableTextDelegate::kReturn);
    EXPECT_EQ(sent, 2);
    EXPECT_FALSE(first->isEditing());
}

TEST(VEditableTextDelegate, KeysMoveTheEditingThroughATable) {
    registerKeloThemes();
    HUDTableView table;
    auto* model = new QStandardItemModel(3, 3, &table);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            auto* item = new QStandardItem(QStringLiteral("%1").arg(r * 10 + c));
            item->setEditable(c != 1);
            model->setItem(r, c, item);
        }
    }
    table.setModel(model);
    table.resize(300, 200);
    table.show();
    const auto at = [&](int r, int c) { return model->index(r, c); };
    const auto current = [&] {
        return std::make_pair(table.currentIndex().row(), table.currentIndex().column());
    };
    using D = VEditableTextDelegate;

    EXPECT_TRUE(D::doCommand(&table, at(0, 2), D::kTab));
    EXPECT_EQ(current(), std::make_pair(1, 0)) << "past the last editable column: next row";
    EXPECT_TRUE(D::suppressSortWhileNavigating(&table));
    EXPECT_TRUE(D::doCommand(&table, at(1, 0), D::kBacktab));
    EXPECT_EQ(current(), std::make_pair(0, 2));
    EXPECT_TRUE(D::doCommand(&table, at(0, 0), D::kTab));
    EXPECT_EQ(current(), std::make_pair(0, 2)) << "the uneditable column is skipped";
    table.setCurrentIndex(at(2, 2));
    EXPECT_TRUE(D::doCommand(&table, at(2, 2), D::kTab));
    EXPECT_EQ(current(), std::make_pair(2, 2)) << "nothing after the last row";
    EXPECT_TRUE(D::doCommand(&table, at(2, 2), D::kMoveDown));
    EXPECT_EQ(current(), std::make_pair(2, 2));
    EXPECT_TRUE(D::doCommand(&table, at(2, 0), D::kMoveUp));
    EXPECT_EQ(current(), std::make_pair(1, 0));
    EXPECT_TRUE(table.selectionModel()->isRowSelected(1, QModelIndex()));
    table.setCurrentIndex(at(0, 0));
    EXPECT_TRUE(D::doCommand(&table, at(0, 0), D::kMoveUp));
    EXPECT_EQ(current(), std::make_pair(0, 0));
    EXPECT_TRUE(D::doCommand(&table, at(0, 0), D::kBacktab));
    EXPECT_EQ(current(), std::make_pair(0, 0));
    EXPECT_FALSE(D::doCommand(&table, at(0, 0), D::kReturn));
    EXPECT_FALSE(D::suppressSortWhileNavigating(&table));
}

TEST(VEditableTextField, WiringSetsTheEditingRectangle) {
    VEditableTextField tall;
    tall.resize(80, 30);
    VEditableTextDelegate::editableField(&tall, nullptr);
    EXPECT_EQ(tall.editingAlignmentRect(), QRectF(2, 4, 76, 26));
    VEditableTextField low;
    low.resize(80, 20);
    VEditableTextDelegate::editableField(&low, nullptr);
    EXPECT_EQ(low.editingAlignmentRect(), QRectF(2, 2, 76, 18));
}

TEST(VEditableTextField, DrawsItsBorderLookWhenNotEdited) {
    registerKeloThemes();
    VEditableTextField field;
    field.resize(80, 24);
    field.setStringValue(QStringLiteral("42"));
    field.setDrawsBorder(true);
    const QImage image = field.grab().toImage();
    int painted = 0;
    for (int x = 0; x < image.width(); ++x) painted += image.pixelColor(x, 12).alpha() > 0;
    EXPECT_GT(painted, 40);
}

}  // namespace

KELO_TEST_MAIN_GUI()
