// The bandwidth setting and its 16-bit transfer code, and how a stored
// setting is checked at start-up.

#include "content/ContentBitRate.h"
#include "support/TestMain.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ContentBitRate, CodeKeepsWhatTheTransferCanCarry) {
    struct Case {
        float rate;
        bool automatic;
        uint16_t code;
        float kept;
    };
    const Case cases[] = {
        {999.9f, false, 0x670F, 999.9f},  // tenths below 1000
        {999.9f, true, 0xE70F, 999.9f},
        {1000.0f, false, 10, 1000.0f},  // hundreds from 1000 on
        {1234.5f, false, 12, 1200.0f},
        {2e6f, false, 16383, 1638300.0f},  // the largest magnitude
        {0.05f, false, 0x4000, 0.0f},      // tenths truncate
        // Past 65535 hundreds the code used to wrap round to a tiny rate.
        {6553600.0f, false, 16383, 1638300.0f},
        {7e6f, true, 0x8000 | 16383, 1638300.0f},
        {-5.0f, false, 0x4000, 0.0f},
        {NAN, false, 0x4000, 0.0f},
    };
    for (const Case& c : cases) {
        const ContentBitRate rate{c.rate, c.automatic};
        EXPECT_EQ(rate.code(), c.code) << c.rate;
        const ContentBitRate kept = rate.rounded();
        EXPECT_NEAR(kept.maxRate, c.kept, 0.01) << c.rate;
        EXPECT_EQ(kept.autoBitRate, c.automatic) << c.rate;
    }
}

TEST(ContentBitRate, StoredSettingsAreCheckedNotRounded) {
    struct Case {
        QVariant stored;
        float used;
        bool replaced;
    };
    const Case cases[] = {
        {1234.5, 1234.5f, false},  // in range: used as stored until the next change
        {0.05, 1000.0f, true},       {2e6, 1000.0f, true},
        {QVariant(), 1000.0f, true}, {"fast", 1000.0f, true},
    };
    for (const Case& c : cases) {
        QVariantMap settings{{"autoBitRate", 0}};
        if (c.stored.isValid()) settings.insert("network_bitrate", c.stored);
        bool changed = false;
        const ContentBitRate rate = ContentBitRate::fromSettings(settings, &changed);
        EXPECT_FLOAT_EQ(rate.maxRate, c.used) << c.stored.toString().toStdString();
        EXPECT_FALSE(rate.autoBitRate);
        EXPECT_EQ(changed, c.replaced);
        if (c.replaced) {
            EXPECT_EQ(settings.value("network_bitrate").toDouble(), 1000.0);
        }
    }
    QVariantMap empty;
    bool changed = false;
    EXPECT_TRUE(ContentBitRate::fromSettings(empty, &changed).autoBitRate);
    EXPECT_TRUE(changed);
    EXPECT_EQ(empty.value("autoBitRate").toInt(), 1);
}

}  // namespace

KELO_TEST_MAIN_CORE()
