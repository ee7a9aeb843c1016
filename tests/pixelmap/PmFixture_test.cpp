#include "pixelmap/PmFixture.h"

#include "pixelmap/PmLogPanel.h"
#include "pixelmap/PmValueCategory.h"
#include "pixelmap/PixelMapTestDocs.h"
#include "support/TestMain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace pmtest;

namespace {

// Keeps the log panel's lines for the test that installs it.
class RecordingPanel : public PmLogPanel {
public:
    RecordingPanel() { PmLogPanel::install(this); }
    ~RecordingPanel() override { PmLogPanel::install(nullptr); }
    void log(OmLogLevel level, const QString& text) override { lines << QString::number(level) + " " + text; }
    QStringList lines;
};

QVariantList stock() {
    return {profile("RGB", 1), profile("Bar3", 3), profile("Luma601 16", 1, 2, 23)};
}

}  // namespace

TEST(PmFixture, UniverseTextFromNumberOrKinetDevicePort) {
    PmFixture numeric(fixture("RGB", qint64(7), 1), stock(), 3);
    EXPECT_EQ(numeric.mUniverse(), 7);
    EXPECT_EQ(numeric.mUniverseStr(), "7");
    EXPECT_EQ(numeric.mContext_unique_id(), 3);

    PmFixture kinet(fixture("RGB", "12.3", 1, "kinet_portout"), stock(), 0);
    EXPECT_EQ(kinet.mProtocol(), "KiNET_PORTOUT");
    EXPECT_EQ(kinet.mUniverse(), 12);
    EXPECT_EQ(kinet.mPort(), 3);
    EXPECT_EQ(kinet.mUniverseStr(), "12.3");

    PmFixture dmxOut(fixture("RGB", "4", 1, "KINET_dmxout"), stock(), 0);
    EXPECT_EQ(dmxOut.mProtocol(), "KiNET_DMXOUT");

    QVariantMap noProtocol = fixture("RGB", "1", 1);
    noProtocol.insert("fix_protocol", qint64(5));
    EXPECT_TRUE(PmFixture(noProtocol, stock(), 0).mProtocol().isNull());
}

TEST(PmFixture, ProfileResolutionAndRenamedProfiles) {
    RecordingPanel panel;
    PmFixture renamed(fixture("Intensity16 narrow", "1", 1), {profile("Luma601 16 narrow", 1, 2, 23)}, 0);
    EXPECT_EQ(renamed.mReference(), "Luma601 16 narrow");
    EXPECT_EQ(renamed.mDMXCount(), 2);
    EXPECT_EQ(renamed.pixels().size(), 1u);

    PmFixture missing(fixture("Nope", "1", 1), stock(), 0);
    EXPECT_EQ(missing.mReference(), "Nope");
    EXPECT_TRUE(missing.pixels().empty());
    ASSERT_FALSE(panel.lines.isEmpty());
    EXPECT_EQ(panel.lines.last(), "4 ERROR: missing profile reference Nope for fixture");
}

TEST(PmFixture, OverridesRoundTripAndPixelOverrides) {
    QVariantMap dict = fixture("Bar3", "1", 1);
    dict.insert("fix_level", 0.5);
    dict.insert("pixels", QVariantList{QVariantMap{{"pix_addr", qint64(2)}, {"pix_park", "7"}},
                                       QVariantMap{{"pix_addr", qint64(0)}, {"pix_park", "9"}}});
    PmFixture f(dict, stock(), 0);
    EXPECT_FLOAT_EQ(f.mLevel(), 0.5f);
    EXPECT_EQ(f.mProfileOverrides().value("fix_level").toDouble(), 0.5);
    const QVariantList pixels = f.mPixArray();
    ASSERT_EQ(pixels.size(), 3);
    EXPECT_EQ(pixels[1].toMap().value("pix_park").toString(), "7");
    EXPECT_FALSE(pixels[0].toMap().contains("pix_park"));
    EXPECT_FALSE(pixels[2].toMap().contains("pix_park"));

    const QVariantMap written = f.mutableCopyDeep();
    EXPECT_EQ(written.value("fix_level").toDouble(), 0.5);
    EXPECT_EQ(written.value("fix_reference").toString(), "Bar3");
    PmFixture again(written, stock(), 0);
    EXPECT_TRUE(again.isEqualTo(f));
    EXPECT_TRUE(f.isEqualTo(written));
}

TEST(PmFixture, MissingReferenceIsFoundByNameStarOrValues) {
    RecordingPanel panel;
    QVariantMap byName{{"fix_name", "Bar3"}, {"fix_univ", "1"}, {"fix_addr", qint64(1)},
                       {"fix_level", 0.25}, {"fix_cnt", qint64(9)}};
    PmFixture named(byName, stock(), 0);
    EXPECT_EQ(named.mReference(), "Bar3");
    EXPECT_EQ(named.mProfileOverrides().keys(), QStringList{"fix_level"});
    EXPECT_TRUE(panel.lines.contains("3 fixed missing profile reference Bar3 for fixture"));

    QVariantMap starred{{"fix_name", "**RGB"}, {"fix_addr", qint64(1)}};
    EXPECT_EQ(PmFixture(starred, stock(), 0).mReference(), "RGB");

    QVariantMap byValues = profile("Bar3", 3);
    byValues.remove("profile_name");
    byValues.insert("fix_name", "unnamed");
    PmFixture valued(byValues, stock(), 0);
    EXPECT_EQ(valued.mReference(), "Bar3");
    EXPECT_TRUE(valued.mProfileOverrides().isEmpty());

    PmFixture orphan(QVariantMap{{"fix_name", "nothing like it"}}, stock(), 0);
    EXPECT_TRUE(orphan.mReference().isEmpty());
    QVariantMap written;
    orphan.dictFromFixture(written);
    EXPECT_FALSE(written.contains("fix_reference"));
    EXPECT_EQ(panel.lines.last(), "4 missing profile for fixture nothing like it");
}

TEST(PmFixture, UniverseSpanKeepsPixelsOffUniverseBoundaries) {
    struct Case {
        int address;
        int pixels;
        int perPixel;
        int span;
        int highest;
    };
    const Case cases[] = {
        {510, 3, 3, 9, 518},    // 510..512 fit exactly: nothing moves
        {511, 3, 3, 11, 521},   // the first pixel would straddle 512: it moves to 513
        {1, 3, 3, 9, 9},        // nowhere near a boundary
        {1023, 2, 3, 8, 1030},  // moves to 1025
        {1536, 1, 3, 4, 1539},  // moves to 1537
        {2048, 1, 3, 3, 2050},  // past the last boundary nothing moves
    };
    for (const Case& c : cases) {
        PmFixture f(fixture("P", "1", c.address), {profile("P", c.pixels, c.perPixel)}, 0);
        EXPECT_EQ(f.modifiedDMXCountFromUniverseSpan(), c.span) << c.address;
        EXPECT_EQ(f.highestAddr(), c.highest) << c.address;
        EXPECT_EQ(f.addrRange().location, c.address);
        EXPECT_EQ(f.addrRange().length, c.span);
    }
    PmFixture empty(fixture("none", "1", 5), {}, 0);
    EXPECT_EQ(empty.addrRange().length, 1);
}

TEST(PmFixture, OverlapsNeedSameUniverseAndKinetPort) {
    const QVariantList profiles = stock();
    PmFixture a(fixture("Bar3", "1", 1), profiles, 0);
    PmFixture b(fixture("Bar3", "1", 9), profiles, 0);
    PmFixture c(fixture("Bar3", "1", 10), profiles, 0);
    PmFixture d(fixture("Bar3", "2", 1), profiles, 0);
    EXPECT_TRUE(a.overlapsFixture(b));
    EXPECT_FALSE(a.overlapsFixture(c));
    EXPECT_FALSE(a.overlapsFixture(d));
    PmFixture k1(fixture("Bar3", "1.1", 1, "KiNET_PORTOUT"), profiles, 0);
    PmFixture k2(fixture("Bar3", "1.2", 1, "KiNET_PORTOUT"), profiles, 0);
    PmFixture k3(fixture("Bar3", "1.1", 5, "KiNET_PORTOUT"), profiles, 0);
    EXPECT_FALSE(k1.overlapsFixture(k2));
    EXPECT_TRUE(k1.overlapsFixture(k3));
}

TEST(PmFixture, TablesOfMergeTypesPixelTypesAndSlew) {
    PmFixture f(fixture("Bar3", "1", 1), stock(), 0);
    const std::pair<int, int> merge[] = {{0, 0}, {1, 3}, {2, 6}, {3, 3}, {4, 6}, {5, 1},
                                         {6, 2}, {7, 9}, {8, 9}, {9, 9}, {10, 0}, {-1, 0}};
    for (auto [type, count] : merge) {
        f.setMMergeType(type);
        EXPECT_EQ(f.mergeDMXCount(), count) << type;
    }
    const std::tuple<int, int, int> pix[] = {{2, 1, 0}, {21, 1, -1}, {22, 2, -1}, {23, 2, 0}, {1, 3, 0},
                                             {19, 4, 0}, {20, 5, 0}, {24, 6, 0}, {39, 8, 0}, {63, 10, 0},
                                             {0, 0, -1}, {64, 0, -1}};
    for (auto [type, count, shape] : pix) {
        int32_t s = 0;
        EXPECT_EQ(dmxCountForPixType(type, &s), count) << type;
        EXPECT_EQ(s, shape) << type;
    }
    const std::pair<int, const char*> slew[] = {{-3, "0s"}, {0, "0s"}, {1, "8s"}, {3, "4s"}, {7, "2s"},
                                                {10, "1s"}, {16, ".75s"}, {33, ".5s"}, {84, ".25s"}, {85, ".1s"}};
    for (auto [value, text] : slew) {
        f.setMSlew(value);
        EXPECT_EQ(f.slewString(), text) << value;
    }
}

TEST(PmFixture, TrackingIsWrittenOnlyWithAnAddressAndForcesAType) {
    PmFixture f(fixture("RGB", "1", 1), stock(), 0);
    QVariantMap none;
    f.dictFromFixture(none);
    EXPECT_FALSE(none.contains("fix_track_type"));
    EXPECT_FALSE(none.contains("fix_track_addr"));
    f.setMTrackingAddr(12.2f);
    QVariantMap with;
    f.dictFromFixture(with);
    EXPECT_EQ(with.value("fix_track_type").toInt(), 1);
    EXPECT_EQ(f.mTrackingType(), 1);
}

TEST(PmFixture, PixelsAndFirstDrawnPixel) {
    QVariantMap hidden = profile("hidden", 2, 1, 21);
    QVariantList pixels = hidden.value("pixels").toList();
    for (QVariant& p : pixels) {
        QVariantMap m = p.toMap();
        m.insert("pix_shape", qint64(-1));
        p = m;
    }
    hidden.insert("pixels", pixels);
    PmFixture f(fixture("hidden", "1", 1), {hidden}, 0);
    EXPECT_EQ(f.pixels().size(), 2u);
    EXPECT_EQ(f.firstDrawnPix(), -1);
    EXPECT_EQ(PmFixture(fixture("Bar3", "1", 1), stock(), 0).firstDrawnPix(), 0);

    auto dummy = PmFixture::initDummyFixtureForProfile(profile("X", 4));
    EXPECT_EQ(dummy->pixels().size(), 4u);
    EXPECT_TRUE(dummy->mReference().isNull());
}

TEST(PmFixture, RebuildDropsPixelOverridesThatNoLongerFit) {
    const QVariantMap oldProfile = profile("Bar3", 3);
    QVariantMap newProfile = oldProfile;
    QVariantList pixels = newProfile.value("pixels").toList();
    QVariantMap moved = pixels[1].toMap();
    moved.insert("pix_x", 5.0);
    pixels[1] = moved;
    newProfile.insert("pixels", pixels);

    QVariantMap dict = fixture("Bar3", "1", 1);
    dict.insert("pixels", QVariantList{QVariantMap{{"pix_addr", qint64(1)}, {"pix_park", "1"}},
                                       QVariantMap{{"pix_addr", qint64(2)}, {"pix_park", "2"}}});
    PmFixture f(dict, {oldProfile}, 0);
    f.rebuildWithProfiles({newProfile}, oldProfile, newProfile);
    const QVariantList kept = f.mProfileOverrides().value("pixels").toList();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept[0].toMap().value("pix_addr").toInt(), 1);
}

TEST(PmFixture, HostileValuesAreReadSafelyAndCounted) {
    const QVariant hostile[] = {QVariantList{1, 2}, QVariantMap{{"a", 1}}, QByteArray("x"),
                                std::numeric_limits<double>::quiet_NaN(), 1e300, QString("12abc")};
    for (const QVariant& value : hostile) {
        for (const QString& key : PmFixture::fixtureKeys() + PmFixture::profileKeys() +
                                      QStringList{"fix_track_addr", "fix_track_scale"}) {
            QVariantMap dict = fixture("Bar3", "1", 1);
            dict.insert(key, value);
            PmTypeRepairs repairs;
            PmFixture f(dict, stock(), 0, &repairs);
            EXPECT_TRUE(std::isfinite(f.mPosition().x()) && f.mPosition().x() >= 0) << qPrintable(key);
            EXPECT_TRUE(std::isfinite(f.mPosition().y()) && f.mPosition().y() >= 0) << qPrintable(key);
            f.mutableCopyDeep();
            if (value.typeId() == QMetaType::QVariantList && PmFixture::fixtureKeys().contains(key)) {
                EXPECT_FALSE(repairs.isEmpty()) << qPrintable(key);
            }
        }
    }
    QVariantMap negative = fixture("RGB", "1", 1);
    negative.insert("fix_xpos", -4.0);
    EXPECT_EQ(PmFixture(negative, stock(), 0).mPosition().x(), 0.0);
    EXPECT_EQ(pmIntValue(QVariant(1e300)), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(pmLeadingInt("  -42x"), -42);
    EXPECT_EQ(pmLeadingInt("99999999999999999999"), std::numeric_limits<int32_t>::max());
}

TEST(PmFixture, CopiesKeepSelectionAndTestState) {
    PmFixture f(fixture("Bar3", "3", 20), stock(), 4);
    f.setMSelected(true);
    f.setMOrigPosition(QPointF(2, 3));
    PmFixture::incrementTestingSoloCookie();
    f.setTestingSoloCookie(77);
    auto copy = f.copyWithProfiles(stock());
    EXPECT_TRUE(copy->mSelected());
    EXPECT_EQ(copy->mOrigPosition(), QPointF(2, 3));
    EXPECT_EQ(copy->testingSoloGreen(), 77);
    EXPECT_TRUE(copy->isSoloed());
    EXPECT_EQ(copy->mContext_unique_id(), 4);
    PmFixture::incrementTestingSoloCookie();
    EXPECT_FALSE(copy->isSoloed());

    PmFixture other(fixture("RGB", "9", 100), stock(), 4);
    other.copyFromFixture(f, stock());
    EXPECT_EQ(other.mAddress(), 20);
    EXPECT_EQ(other.mReference(), "Bar3");
}

KELO_TEST_MAIN()
