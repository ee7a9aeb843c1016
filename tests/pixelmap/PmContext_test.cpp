#include "pixelmap/PmContext.h"

#include "pixelmap/PixelMapTestDocs.h"
#include "support/TestMain.h"

#include <gtest/gtest.h>

using namespace pmtest;

TEST(PmContext, UniqueIdsFromFileAndCounter) {
    PmContext::reset_unique_id();
    PmContext a(context(qint64(5), {}), {});
    PmContext b(context(qint64(2), {}), {});
    PmContext c(context(QVariant(), {}), {});
    EXPECT_EQ(a.unique_id(), 5);
    EXPECT_EQ(b.unique_id(), 2);
    EXPECT_EQ(c.unique_id(), 6);
    EXPECT_EQ(PmContext::next_unique_id(), 7);
    EXPECT_EQ(c.dict().value("context").toMap().value("unique_id").toInt(), 6);

    // An id the counter could not go past is replaced, not trusted.
    PmTypeRepairs repairs;
    PmContext huge(context(qint64(2147483647), {}), {}, &repairs);
    EXPECT_EQ(huge.unique_id(), 7);
    EXPECT_EQ(repairs.value("unique_id"), 1);
    PmContext negative(context(qint64(-3), {}), {});
    EXPECT_EQ(negative.unique_id(), 8);
}

TEST(PmContext, DefaultsOfAMissingOrOddSetting) {
    PmContext::reset_unique_id();
    QVariantMap dict = context(QVariant(), {});
    dict.remove("fixtures");
    QVariantMap settings = dict.value("context").toMap();
    settings.insert("bgimage_scale", 0.0);
    settings.insert("ctx_protocol", qint64(9));
    dict.insert("context", settings);
    PmTypeRepairs repairs;
    PmContext c(dict, {}, &repairs);
    EXPECT_EQ(c.dict().value("fixtures").toList().size(), 0);
    EXPECT_TRUE(c.dict().contains("fixtures"));
    EXPECT_EQ(c.bgimage_rect(), QRectF(0, 0, 192, 108));
    EXPECT_FLOAT_EQ(c.bgimage_scale(), 1.0f);
    EXPECT_FLOAT_EQ(c.dmx_ghost(), 0.25f);
    EXPECT_EQ(c.source_rect(), QRectF(0, 0, 1920, 1080));
    EXPECT_EQ(c.ctx_protocol(), 0);
    EXPECT_EQ(repairs.value("ctx_protocol"), 1);
    EXPECT_EQ(c.basePixelSize(), QSizeF(1, 1));
}

TEST(PmContext, FixturesTakeTheContextIdAndTheFirstSetsTheProtocol) {
    PmContext::reset_unique_id();
    const QVariantList profiles{profile("RGB", 1)};
    PmContext c(context(qint64(3),
                        {fixture("RGB", "1", 1, "sACN"), fixture("RGB", "1", 4, "Art-Net"),
                         QVariant(QStringLiteral("not a fixture"))}),
                profiles);
    ASSERT_EQ(c.fixtures().size(), 2u);
    EXPECT_EQ(c.fixtures()[1]->mContext_unique_id(), 3);
    EXPECT_EQ(c.ctx_protocol(), 1);

    std::vector<PmFixture*> gone{c.fixtures()[0].get()};
    c.removeFixturesInArray(gone);
    ASSERT_EQ(c.fixtures().size(), 1u);
    EXPECT_EQ(c.mutableCopyDeep().value("fixtures").toList().size(), 1);
}

TEST(PmContext, CopyTakesTheNextIdAndSameSettings) {
    PmContext::reset_unique_id();
    const QVariantList profiles{profile("RGB", 1)};
    PmContext source(context(qint64(4), {fixture("RGB", "1", 1)}), profiles);
    auto empty = PmContext::context(source, profiles, false);
    EXPECT_EQ(empty->unique_id(), 5);
    EXPECT_TRUE(empty->fixtures().empty());
    QVariantMap a = source.dict().value("context").toMap();
    QVariantMap b = empty->dict().value("context").toMap();
    a.remove("unique_id");
    b.remove("unique_id");
    EXPECT_EQ(a, b);
    auto full = PmContext::context(source, profiles, true);
    EXPECT_EQ(full->unique_id(), 6);
    ASSERT_EQ(full->fixtures().size(), 1u);
    EXPECT_EQ(full->fixtures()[0]->mContext_unique_id(), 6);
}

TEST(PmContext, PixelUnderACanvasPoint) {
    auto c = PmContext::initDummyWithPixelSize(QSizeF(1, 1), QSizeF(4, 4));
    c->setDrawableContextRect(QRectF(100, 100, 40, 40));
    bool inside = true;
    EXPECT_EQ(c->pixelForMousePt(QPointF(90, 120), &inside), QPointF(0, 5));
    EXPECT_FALSE(inside);
    EXPECT_EQ(c->pixelForMousePt(QPointF(110, 102), &inside), QPointF(2.5, 0.5));
    EXPECT_TRUE(inside);
    EXPECT_EQ(c->pixelForMousePt(QPointF(500, 500)), QPointF(39.0 / 4, 39.0 / 4));
}

KELO_TEST_MAIN()
