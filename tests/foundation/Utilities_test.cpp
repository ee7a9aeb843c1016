#include "foundation/OmString.h"
#include "foundation/OmxDefaults.h"
#include "foundation/OmxGLMatrix.h"
#include "foundation/OmxNumberUtil.h"
#include "foundation/averageValue.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QVector3D>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "support/TestMain.h"

namespace {

TEST(doubleValueWithUnits, ReadsUnitsProductsAndLocaleNumbers) {
    struct Case {
        const char* text;
        double c;       // in the C locale
        double german;  // in a German locale
    };
    const Case cases[] = {
        {"5 ' 6", 5.5, 5.5},
        {"5'6", 5.5, 5.5},
        {"-5 ' 6", -5.5, -5.5},
        {"5 ' 13", 5, 5},
        {"3 * 4", 12, 12},
        {"10 / 4", 2.5, 2.5},
        {"1 / 0", 0, 0},
        {"12.5", 12.5, 125},
        {"1,234.5", 1234.5, 1.2345},
        {"1.234,5", 1.2345, 1234.5},
        {"  7", 7, 7},
        {"12 px", 12, 12},
        {"abc", 0, 0},
        {"", 0, 0},
        {"nan", 0, 0},
        {"inf * 2", 0, 0},
        {"1e999", 0, 0},
    };
    const QLocale german(QLocale::German, QLocale::Germany);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(doubleValueWithUnits(QString::fromUtf8(c.text), QLocale::c()), c.c);
        EXPECT_DOUBLE_EQ(doubleValueWithUnits(QString::fromUtf8(c.text), german), c.german);
    }
}

TEST(doubleValueWithUnits, FollowsTheApplicationLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_DOUBLE_EQ(doubleValueWithUnits("1.234,5"), 1234.5);
    QLocale::setDefault(saved);
}

TEST(scanFolderName, ReadsFolderAndGroup) {
    struct Case {
        const char* name;
        bool result;
        int folder;
        int group;
    };
    const Case cases[] = {
        {"[2] 15.Clips", true, 15, 2},     {"[2]15.Clips", true, 15, 2},
        {"[2].15.Clips", true, 15, 2},     {"[2] Clips", false, 0, 0},
        {"12 Clips", true, 12, 0},         {"12 Clips.group 3", true, 12, 3},
        {"12 Clips.mov", true, 12, 0},     {"300 Clips", false, 0, 0},
        {"[300] 15.Clips", true, 0, 300},  {"Clips", false, 0, 0},
        {"99999999999999 x", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int folder = -1;
        int group = -1;
        EXPECT_EQ(scanFolderName(c.name, &folder, &group), c.result);
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(group, c.group);
    }
    EXPECT_TRUE(scanFolderName("[1] 2.x", nullptr, nullptr));
}

TEST(SmallFormats, FormatNumAndPrintInt) {
    EXPECT_EQ(OmxCreateFormatNum(7), "007");
    EXPECT_EQ(OmxCreateFormatNum(42), "042");
    EXPECT_EQ(OmxCreateFormatNum(123), "123");
    EXPECT_EQ(OmxCreateFormatNum(1234), "1234");

    struct Case {
        int value, digits, decimals;
        const char* text;
    };
    const Case cases[] = {
        {1234, 5, 2, "012.34"},   {1234, 4, 0, "1234"},       {1234, 2, 0, "34"},
        {5, 3, 3, ".005"},        {1234, 12, 1, "0000123.4"}, {1234, 0, 0, "4"},
        {123456789, 3, 0, "789"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        char out[16];
        std::memset(out, '#', sizeof out);
        printInt(out, c.value, c.digits, c.decimals);
        size_t n = std::strlen(c.text);
        EXPECT_EQ(std::string(out, n), c.text);
        EXPECT_EQ(out[n], '#');  // nothing written past the text, no NUL
    }
}

// Tool options: the whole text is the number, and it is in range; the value
// is left alone otherwise.
TEST(OptionValues, OnlyAWholeNumberInRangeIsTaken) {
    const std::pair<const char*, double> taken[] = {
        {"5", 5}, {"0.5", 0.5}, {"+2", 2}, {"1e2", 100}, {"2147483", 2147483}};
    for (const auto& [text, expected] : taken) {
        double value = -42;
        EXPECT_TRUE(readOptionNumber(text, 0.001, 2147483, &value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    const char* const refused[] = {"abc",  "",      "5s",      " 5",  "5 ",   "-1",
                                   "0",    "1e300", "2147484", "inf", "-inf", "nan",
                                   "0x10", "--5",   "+",       "+-5", "1,5"};
    for (const char* text : refused) {
        double value = -42;
        EXPECT_FALSE(readOptionNumber(text, 0.001, 2147483, &value)) << text;
        EXPECT_EQ(value, -42) << text;
    }
    EXPECT_FALSE(readOptionNumber(nullptr, 0, 1, nullptr));

    long long whole = -42;
    EXPECT_TRUE(readOptionInteger("1000", 1, 1000, &whole));
    EXPECT_EQ(whole, 1000);
    for (const char* text : {"0", "1001", "1.5", "-3", "1e3", "99999999999999999999", "12x"}) {
        whole = -42;
        EXPECT_FALSE(readOptionInteger(text, 1, 1000, &whole)) << text;
        EXPECT_EQ(whole, -42) << text;
    }
}

TEST(DMXMapping, TimeTableAnchorsAndShape) {
    const std::pair<int, double> anchors[] = {
        {0, 0},      {1, 100},     {3, 335},      {5, 1000},     {53, 10600},
        {54, 11000}, {178, 60000}, {198, 100000}, {251, 310000}, {254, 310000},
        {255, 10},   {256, 0},     {-1, 0},
    };
    for (auto [dmx, time] : anchors) EXPECT_DOUBLE_EQ(GetDMXTime(dmx), time) << dmx;
    int held = 1;
    for (int i = 1; i <= 254; ++i) {
        ASSERT_GE(GetDMXTime(i), GetDMXTime(i - 1)) << i;
        if (i > 54 && i <= 178) {
            held = GetDMXTime(i) == GetDMXTime(i - 1) ? held + 1 : 1;
            EXPECT_LE(held, 3) << i;
            if (held == 1) {
                EXPECT_DOUBLE_EQ(GetDMXTime(i) - GetDMXTime(i - 1), 1000) << i;
            }
        }
    }
}

TEST(DMXMapping, RangesHitTheirEnds) {
    EXPECT_DOUBLE_EQ(OmxNormalizeInt16ToRange(65535, 0, 10), 10);
    EXPECT_DOUBLE_EQ(OmxNormalizeInt16ToRange(32767, 0, 10), 5);
    EXPECT_DOUBLE_EQ(OmxNormalizeInt8ToRange(255, -1, 1), 1);
    EXPECT_DOUBLE_EQ(OmxNormalizeInt8ToRange(0, -1, 1), -1);

    EXPECT_DOUBLE_EQ(OmxExpRange16(0, 1, 2, 4), 1);
    EXPECT_DOUBLE_EQ(OmxExpRange16(32767, 1, 2, 4), 2);
    EXPECT_DOUBLE_EQ(OmxExpRange16(32768, 1, 2, 4), 2);
    EXPECT_DOUBLE_EQ(OmxExpRange16(65535, 1, 2, 4), 4);
    EXPECT_DOUBLE_EQ(OmxExpRange8(0, 1, 2, 4), 1);
    EXPECT_DOUBLE_EQ(OmxExpRange8(63, 1, 2, 4), 1.25);
    EXPECT_DOUBLE_EQ(OmxExpRange8(128, 1, 2, 4), 2);
    EXPECT_DOUBLE_EQ(OmxExpRange8(255, 1, 2, 4), 4);
    EXPECT_DOUBLE_EQ(OmxExpRange(9, 1, 2, 4, 10), 0.25 * 4 + 0.75 * 2);
    EXPECT_DOUBLE_EQ(OmxExpRange(5, 1, 2, 4, 10), 2);
    for (int steps : {0, 1, 2, 3}) {
        for (int v = 0; v < 4; ++v) EXPECT_TRUE(std::isfinite(OmxExpRange(v, 1, 2, 4, steps)));
    }
}

TEST(averageValue, AveragesTheLastWindowOfSamples) {
    averageValue a;
    EXPECT_EQ(a.average(), 0u);
    a.reset(2);
    for (unsigned v : {2u, 4u, 6u}) a.addSample(v);
    EXPECT_EQ(a.average(), 5u);

    a.reset();
    for (unsigned v : {10u, 20u}) a.addSample(v);
    EXPECT_EQ(a.average(), 15u);
    for (unsigned v : {30u, 40u, 50u}) a.addSample(v);
    EXPECT_EQ(a.average(), 35u);  // 20..50

    a.reset(10);  // capped at four
    for (unsigned v : {1u, 1u, 1u, 1u, 9u}) a.addSample(v);
    EXPECT_EQ(a.average(), 3u);

    a.reset(0);  // no division by zero
    a.addSample(7);
    EXPECT_EQ(a.average(), 7u);
}

TEST(OmString, AlwaysHoldsATerminatedText) {
    OmString empty;
    EXPECT_EQ(empty.Length(), 0);
    EXPECT_STREQ(empty.c_str(), "");

    OmString s("abc");
    s.Append("def");
    s.Append(nullptr);
    EXPECT_STREQ(s.c_str(), "abcdef");
    OmString copy(s);
    OmString& alias = copy;  // self-assignment through a reference, as callers meet it
    copy = alias;
    EXPECT_STREQ(copy.c_str(), "abcdef");
    copy.SetString(copy.c_str() + 2);  // from its own buffer
    EXPECT_STREQ(copy.c_str(), "cdef");
    copy.SetString(nullptr);
    EXPECT_STREQ(copy.c_str(), "");
    EXPECT_STREQ(OmString('x').c_str(), "x");

    EXPECT_FALSE(s.Format("%s", ""));
    EXPECT_STREQ(s.c_str(), "abcdef");
    EXPECT_TRUE(s.Format("%d-%s", 7, "y"));
    EXPECT_STREQ(s.c_str(), "7-y");
    EXPECT_TRUE(s.Format("%s", std::string(400, 'z').c_str()));
    EXPECT_EQ(s.Length(), 255);

    s.Allocate(8);
    EXPECT_EQ(s.size(), 8);
    EXPECT_EQ(s.Length(), 0);
    s.Allocate(0);
    EXPECT_STREQ(s.c_str(), "");
}

// Applies a column-major matrix to (x, y, z, 1) and divides by w.
QVector3D apply(const float* m, float x, float y, float z) {
    float v[4] = {x, y, z, 1};
    float r[4];
    for (int row = 0; row < 4; ++row)
        r[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
    return QVector3D(r[0] / r[3], r[1] / r[3], r[2] / r[3]);
}

void setIdentity(float* m) {
    std::memset(m, 0, 16 * sizeof(float));
    m[0] = m[5] = m[10] = m[15] = 1;
}

TEST(GLMatrix, MatchesTheFixedFunctionCalls) {
    float m[16];
    setIdentity(m);
    PerspectiveGL(m, 90, 1, 1, 3);
    const float perspective[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2, -1, 0, 0, -3, 0};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], perspective[i], 1e-6) << i;

    setIdentity(m);
    RotateGL(m, 90, 0, 0, 2);  // the axis need not be unit length
    QVector3D p = apply(m, 1, 0, 0);
    EXPECT_NEAR(p.x(), 0, 1e-6);
    EXPECT_NEAR(p.y(), 1, 1e-6);

    // Calls compose on the right: translate by the look-at, then rotate.
    setIdentity(m);
    RotateGL(m, 90, 0, 0, 1);
    LookAtGL(m, 0, 0, 1, 0, 0, 0, 0, 1, 0);
    p = apply(m, 1, 0, 0);
    EXPECT_NEAR(p.x(), 0, 1e-6);
    EXPECT_NEAR(p.y(), 1, 1e-6);
    EXPECT_NEAR(p.z(), -1, 1e-6);

    // Degenerate input leaves the matrix alone instead of filling it with NaN.
    setIdentity(m);
    LookAtGL(m, 1, 1, 1, 1, 1, 1, 0, 1, 0);
    FrustumGL(m, 1, 1, -1, 1, 1, 2);
    RotateGL(m, 30, 0, 0, 0);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f);
}

TEST(GLMatrix, ProjectionRecordFramesTheLookAtPlane) {
    omx_projection_rec rec;
    OmxInitProjectionRec(&rec);
    EXPECT_EQ(rec.camera[2], 1);
    EXPECT_EQ(rec.fov, 90);
    EXPECT_FALSE(rec.ortho);

    // At distance 1 a 90 degree view spans -1..1 vertically.
    float m[16];
    OmxProjection(&rec, m, 2);
    QVector3D p = apply(m, 1, 0.5f, 0);
    EXPECT_NEAR(p.x(), 0.5, 1e-5);
    EXPECT_NEAR(p.y(), 0.5, 1e-5);

    rec.ortho = true;
    OmxProjection(&rec, m, 2);
    p = apply(m, 1, 0.5f, 0);
    EXPECT_NEAR(p.x(), 0.5, 1e-5);
    EXPECT_NEAR(p.y(), 0.5, 1e-5);

    // Offset moves the picture in screen units at any depth; up rolls it.
    OmxProjectionFromDict({{"offset", "0.25, -0.5"}, {"camera", "0, 0, 2"}, {"fov", "90"}}, m, 1);
    p = apply(m, 0, 0, 0);
    EXPECT_NEAR(p.x(), 0.25, 1e-5);
    EXPECT_NEAR(p.y(), -0.5, 1e-5);
    p = apply(m, 2, 0, -2);
    EXPECT_NEAR(p.x(), 0.75, 1e-5);

    OmxProjectionFromDict({{"up", "90"}, {"ortho", "YES"}}, m, 1);
    p = apply(m, 0, 0.5f, 0);
    EXPECT_NEAR(p.x(), 0.5, 1e-5);
    EXPECT_NEAR(p.y(), 0, 1e-5);
}

TEST(OmxDefaults, StringPrefsAndDumps) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
    setUserStringPref("Name", "Kelo");
    EXPECT_EQ(UserDefaults::standard().string("Name"), "Kelo");
    setUserStringPref(QString(), "ignored");
    setUserStringPref("Name", QString());
    EXPECT_FALSE(UserDefaults::standard().contains("Name"));

    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", dir.path().toUtf8());
    EXPECT_TRUE(dumpMemoryToDisk("abc", 3, "~/mem.bin"));
    qputenv("HOME", savedHome);
    QFile mem(dir.filePath("mem.bin"));
    ASSERT_TRUE(mem.open(QIODevice::ReadOnly));
    EXPECT_EQ(mem.readAll(), "abc");

    EXPECT_TRUE(dumpPropertyListToDisk(QVariantMap{{"a", 1}}, dir.filePath("p.plist")));
    QFile plist(dir.filePath("p.plist"));
    ASSERT_TRUE(plist.open(QIODevice::ReadOnly));
    EXPECT_EQ(PropertyList::read(plist.readAll()).toMap().value("a").toInt(), 1);

    EXPECT_FALSE(dumpDataToDisk("x", dir.filePath("missing/folder/x")));
    EXPECT_FALSE(dumpMemoryToDisk(nullptr, 3, dir.filePath("null")));
}

}  // namespace

KELO_TEST_MAIN_CORE()
