// The file detail panel's text forms: sizes, time codes, resolutions and
// issue entries, including details that lack or garble their values.

#include "content/ContentFileDetail.h"
#include "hud/controls/HUDTextField.h"
#include "support/TestMain.h"

#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

TEST(ContentFileDetail, Sizes) {
    struct Case {
        double length;
        const char* detail;
        const char* table;
    };
    const Case cases[] = {
        {0, "0 bytes", "0 bytes"},        {1000, "1000 bytes", "1000 bytes"},
        {1001, "1.001 KB", "1.00 KB"},    {1e6, "1000.000 KB", "1000.00 KB"},
        {1234567, "1.235 MB", "1.23 MB"}, {2.5e9, "2.500 GB", "2.50 GB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ContentFileDetail::sizeText(c.length), c.detail) << c.length;
        EXPECT_EQ(ContentFileDetail::tableSizeText(c.length), c.table) << c.length;
    }
}

TEST(ContentFileDetail, TimeCodes) {
    struct Case {
        QVariantMap detail;
        const char* text;
    };
    const Case cases[] = {
        {{{"Duration", 3723.5}, {"FPS", 25}}, "01:02:03:12"},
        {{{"Duration", 59.99}, {"FPS", 30}}, "00:00:59:29"},
        {{{"Duration", 1.0 / 256}, {"FPS", 25}}, "00:00:00:00"},
        {{{"Duration", 10}}, "--"},
        {{{"FPS", 25}}, "--"},
        {{{"Duration", 0}, {"FPS", 25}}, "--"},
        {{{"Duration", 10}, {"FPS", 0}}, "--"},
        {{{"Duration", -3}, {"FPS", 25}}, "--"},
        {{{"Duration", 1e300}, {"FPS", 25}}, "--"},
        {{{"Duration", "long"}, {"FPS", 25}}, "--"},
    };
    for (const Case& c : cases) EXPECT_EQ(ContentFileDetail::duration(c.detail), c.text);
}

TEST(ContentFileDetail, ResolutionsAndIssueEntries) {
    EXPECT_EQ(ContentFileDetail::resolution({{"Width", 1920}, {"Height", 1080}}), "1920x1080");
    EXPECT_EQ(ContentFileDetail::resolution({{"Width", 1920}}), "1920x?");
    EXPECT_EQ(ContentFileDetail::resolution({{"Width", QVariantMap()}}), "");
    EXPECT_EQ(ContentFileDetail::resolution({{"Height", 1080}}), "");

    EXPECT_EQ(ContentFileDetail::errStrKeloName("8 Kelo A"), "Kelo A");
    EXPECT_EQ(ContentFileDetail::errStrKeloName("8 "), "");
    EXPECT_EQ(ContentFileDetail::errStrKeloName("8"), "");
}

TEST(ContentFileDetail, ClearedPanelIsEmptyAndCopyOnly) {
    auto panel = ContentFileDetail::create();
    panel->toFileName()->setStringValue("x");
    panel->toFileIssues()->setPlainText("issue");
    panel->toFileIssues()->show();
    panel->clear();
    EXPECT_EQ(panel->toFileName()->stringValue(), "");
    EXPECT_TRUE(panel->toFileName()->isCopyToClipboardOnly());
    EXPECT_TRUE(panel->toFileIssues()->isHidden());
    EXPECT_TRUE(panel->toFileIssues()->toPlainText().isEmpty());
    EXPECT_TRUE(ContentFileDetail::italicFont(panel->font()).italic());
}

}  // namespace

KELO_TEST_MAIN_GUI()
