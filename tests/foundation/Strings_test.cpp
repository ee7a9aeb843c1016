#include "foundation/NSStringHash.h"
#include "foundation/VNSStringCategory.h"
#include "foundation/VNSStringUtilCategory.h"
#include "foundation/VTruncation.h"
#include "support/TestMain.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

TEST(StringValues, IPAddresses) {
    EXPECT_EQ(stringFromIPAddress(0xC0A80001u), "192.168.0.1");
    EXPECT_EQ(stringFromIPAddress(0xFFFFFFFFu), "255.255.255.255");
    const struct {
        const char* text;
        uint32_t address;
    } cases[] = {
        {"192.168.0.1", 0xC0A80001u},
        {"http://10.0.0.254", 0x0A0000FEu},
        {"127.0.0.1", 0x7F000001u},
        {"10.0.1", 0},
        {"1.2.3.4.5", 0},
        {"", 0},
        {"1.2.3.300", 0},
        {"1.2.-3.4", 0},
        // Twenty digits would wrap past 2^64 to 4 if read carelessly.
        {"1.2.3.18446744073709551620", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ipAddress(c.text), c.address) << c.text;
    const uint8_t mac[6] = {0x00, 0x1a, 0xff, 0x07, 0xb0, 0x10};
    EXPECT_EQ(stringFromMACAddress(mac), "0.1a.ff.7.b0.10");
}

TEST(StringValues, IntegersAndOrdinals) {
    EXPECT_EQ(unsignedLongLongValue("  42abc"), 42u);
    EXPECT_EQ(nsUIntegerValue("-1"), UINT64_MAX);
    EXPECT_EQ(unsignedIntegerValue("99999999999999999999"), uint64_t(LLONG_MAX));
    EXPECT_EQ(unsignedLongLongValue("18446744073709551620"), uint64_t(LLONG_MAX));
    EXPECT_EQ(nsUIntegerValue("-18446744073709551620"), uint64_t(LLONG_MIN));
    EXPECT_EQ(nsUIntegerValue("9223372036854775807"), uint64_t(LLONG_MAX));
    EXPECT_EQ(nsUIntegerValue("-9223372036854775808"), uint64_t(LLONG_MIN));
    EXPECT_EQ(unsignedIntegerValue("x1"), 0u);
    EXPECT_EQ(frontUInt32("123-456"), 123u);
    EXPECT_EQ(frontUInt32("99999999999"), UINT32_MAX);
    EXPECT_EQ(frontUInt32("abc"), 0u);

    const struct {
        int number;
        const char* text;
    } ordinals[] = {{1, "1st"},   {2, "2nd"},     {3, "3rd"},   {4, "4th"},
                    {11, "11th"}, {12, "12th"},   {13, "13th"}, {21, "21st"},
                    {22, "22nd"}, {111, "111th"}, {0, "0th"},   {101, "101st"}};
    for (const auto& o : ordinals) EXPECT_EQ(ordinalNumberFormat(o.number), o.text);
}

TEST(StringValues, Precision) {
    const struct {
        int maxDecimals;
        double value;
        const char* text;
    } cases[] = {
        {3, 2.0, "2"},         {3, 2.5, "2.5"}, {3, 2.25, "2.25"}, {3, 2.125, "2.125"},
        {0, 2.75, "3"},        {0, 2.125, "2"}, {1, 2.26, "2.3"},  {2, 1.0 / 3, "0.33"},
        {3, 1.0 / 3, "0.333"}, {3, 2.3, "2.3"}, {3, 0.07, "0.07"}, {3, -1.5, "-1.5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(stringWithPrecision(c.maxDecimals, c.value), c.text)
            << c.maxDecimals << " " << c.value;
    EXPECT_TRUE(DoubleEquals(0.1 + 0.2, 0.3));
    EXPECT_FALSE(DoubleEquals(1.0, 1.00001));
}

TEST(StringValues, CharacterFilters) {
    EXPECT_EQ(oscLowercaseString("Layer 1/Opacity+"), "layer1opacity+");
    EXPECT_EQ(oscLowercaseString(QString::fromUtf8("Über-Mix")), "ber-mix");
    EXPECT_EQ(oscRegexString("Layer*/[1-3]{a,b}?"), "layer*[1-3]{ab}?");
    EXPECT_EQ(stringByRemovingCharactersInSet("a-b_c-d", "-_"), "abcd");
}

TEST(StringValues, Splitting) {
    EXPECT_EQ(componentsSeparatedBySeriesOfCharactersFromSet("a, b,,c", ", "),
              QStringList({"a", "b", "c"}));
    EXPECT_EQ(componentsSeparatedBySeriesOfCharactersFromSet("a,b,,", ","),
              QStringList({"a", "b", ""}));
    EXPECT_EQ(componentsSeparatedBySeriesOfCharactersFromSet(",a", ","), QStringList({"", "a"}));
    EXPECT_EQ(wordArray(" one\ttwo\n three\v\f"), QStringList({"one", "two", "three"}));
    EXPECT_TRUE(wordArray(" \t ").isEmpty());
    EXPECT_EQ(paragraphArray("a\r\nb\n\nc\rd\n"), QStringList({"a", "b", "", "c", "d"}));
    EXPECT_TRUE(paragraphArray("").isEmpty());
}

TEST(StringValues, CStringsAndObjects) {
    EXPECT_EQ(stringWithCStringBestMatch("Caf\xc3\xa9"), QString::fromUtf8("Café"));
    // Not valid UTF-8, so read as Mac Roman.
    EXPECT_EQ(stringWithCStringBestMatch("Caf\x8e \xa5 \xd2x\xd3"),
              QString::fromUtf8("Café • “x”"));
    EXPECT_EQ(stringWithCStringBestMatch("\xc9\xf0"), QString::fromUtf8("…\uF8FF"));
    EXPECT_TRUE(stringWithCStringBestMatch(nullptr).isNull());

    EXPECT_EQ(stringFromObject(QString("text")), "text");
    EXPECT_EQ(stringFromObject(QVariant::fromValue(redString("red"))), "red");
    EXPECT_EQ(stringFromObject(42), "42");
    EXPECT_EQ(stringFromObject(1.5), "1.5");
    EXPECT_EQ(stringFromObject(true), "1");
    EXPECT_TRUE(stringFromObject(QVariant()).isNull());
    EXPECT_TRUE(stringFromObject(QByteArray("raw")).isNull());

    EXPECT_EQ(numericPrefix("123abc"), "123");
    EXPECT_TRUE(numericPrefix("abc").isNull());
}

TEST(StringValues, UUIDsAndNames) {
    const uint8_t bytes[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                               0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xff};
    EXPECT_EQ(stringFromUUIDBytes(bytes), "01234567-89AB-CDEF-0011-2233445566FF");
    const QString fresh = stringFromNewUUID();
    EXPECT_EQ(fresh.size(), 36);
    EXPECT_EQ(frontUUID(fresh + ".plist"), fresh);
    EXPECT_NE(stringFromNewUUID(), fresh);

    const struct {
        const char* path;
        bool normal;
    } names[] = {{"", false},           {"Clip.mov", true},      {".hidden", false},
                 {"Notes.rtfd", false}, {"project/.svn", false}, {"project/trunk", true},
                 {"a.rtfdx", true}};
    for (const auto& n : names) EXPECT_EQ(isNormalFileOrFolder(n.path), n.normal) << n.path;

    EXPECT_EQ(ellipsis(), QString(QChar(0x2026)));
    EXPECT_EQ(stringWithEllipsisByTruncatingToLength("0123456789", 5), "0123" + ellipsis());
    EXPECT_EQ(stringWithEllipsisByTruncatingToLength("01234", 5), "01234");
    EXPECT_EQ(stringWithEllipsisByTruncatingToLength("0123", 1), ellipsis());
    EXPECT_EQ(stringWithEllipsisByTruncatingToLength("0123", 0), "");
}

TEST(StringValues, ResourcesPathFromEnvironment) {
    // Looked up once, so this must be the process's first call.
    qputenv("KELO_RESOURCES", "/opt/kelo-test-resources");
    EXPECT_EQ(applicationResourcesPath(), "/opt/kelo-test-resources");
    qunsetenv("KELO_RESOURCES");
    EXPECT_EQ(applicationResourcesPath(), "/opt/kelo-test-resources");
}

TEST(StringValues, TimeStamps) {
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(date()).hasMatch())
        << date().toStdString();
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}$").match(dateMs()).hasMatch())
        << dateMs().toStdString();
    EXPECT_EQ(dateWithFormat("yyyy").size(), 4);
}

TEST(StringHash, ContainsOnlyItsTexts) {
    const NSStringHash set = NSStringHash::stringHashWithArray({"mov", "KlE", "jpeg"});
    EXPECT_EQ(set.hashCount(), 3u);
    EXPECT_TRUE(set.contains("KlE"));
    EXPECT_TRUE(set.contains("jpeg"));
    EXPECT_FALSE(set.contains("kle"));
    EXPECT_FALSE(set.contains("jpe"));
    EXPECT_FALSE(NSStringHash::stringHashWithArray({}).contains(""));
}

TEST(TrimToLength, MediaNames) {
    const struct {
        const char* name;
        int length;
        const char* trimmed;
    } cases[] = {
        {"Intro.mov", 20, "Intro.mov"},
        {"Blue.mov", 5, "Blue"},
        {"Sunset Loop.jpg.mov", 12, "Sunset Loop"},
        {"Network Background.mov", 15, "Net Background"},
        {"Walk THROUGH.mov", 10, "Walk thru"},
        {"Walking through the forest.mp4", 20, "Wlkng thru the frst"},
        // "o" after "l" stays, and so do vowels next to other vowels.
        {"Blue Flower Field.mp4", 14, "Blue Flowr Field"},
        // Unknown extensions stay; the result may still be too long.
        {"Concert Footage Final.avi", 16, "Cncrt Footge Fnl.avi"},
        {"Stage Left.png\nRear Projection.mov", 12, "Stage Left\nRear Prjction"},
    };
    for (const auto& c : cases) EXPECT_EQ(trimToLength(c.name, c.length), c.trimmed) << c.name;
}

TEST(Paths, ValidSubPathAndRedPath) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir("existing"));
    const QString valid = dir.path() + "/existing";
    const QString path = valid + "/missing/deeper.mov";
    EXPECT_EQ(validSubPath(path), valid);
    EXPECT_EQ(validSubPath(valid + "/"), valid + "/");
    EXPECT_EQ(validSubPath("/no-such-folder-kelo/x"), "");
    EXPECT_EQ(validSubPath("no-such-relative-kelo"), "");

    const AttributedString red = redPathNotFoundString(path, Qt::green);
    EXPECT_EQ(red.string(), path);
    ASSERT_EQ(red.runs().size(), 2);
    EXPECT_EQ(red.runs()[0].length, valid.size());
    EXPECT_EQ(red.runs()[0].attributes.foreground, QColor(Qt::green));
    EXPECT_EQ(red.runs()[1].attributes.foreground, QColor::fromRgbF(0.8f, 0.25f, 0.25f, 1.0f));

    const AttributedString uncoloured = redPathNotFoundString(path, QColor());
    ASSERT_EQ(uncoloured.runs().size(), 2);
    EXPECT_FALSE(uncoloured.runs()[0].attributes.foreground);
}

TEST(AttributedText, RunsAndAttributes) {
    AttributedString text = whiteString("Layer 1 output");
    EXPECT_EQ(color(text), QColor(Qt::white));
    EXPECT_FALSE(font(text));
    text.modifyAttributes({6, 1}, [](TextAttributes& a) { a.foreground = QColor(Qt::red); });
    ASSERT_EQ(text.runs().size(), 3);
    EXPECT_EQ(text.attributesAt(6).foreground, QColor(Qt::red));
    EXPECT_EQ(text.attributesAt(7).foreground, QColor(Qt::white));
    setColor(text, Qt::blue);
    EXPECT_EQ(text.runs().size(), 1) << "equal neighbours merge";
    EXPECT_EQ(fullRange(text), (TextRange{0, 14}));

    setFontSize(text, 12.7);
    ASSERT_TRUE(font(text));
    EXPECT_EQ(font(text)->pixelSize(), 12);
    for (double size : {0.5, 100.0, -3.0}) {
        setFontSize(text, size);
        EXPECT_FALSE(font(text)) << size;
    }
    setFont(text, systemFont());
    EXPECT_EQ(font(text)->pixelSize(), 13);
    setFont(text, std::nullopt);
    EXPECT_FALSE(font(text));

    const AttributedString labelled = attrStringWithColor("Status", Qt::yellow, 18);
    EXPECT_EQ(color(labelled), QColor(Qt::yellow));
    EXPECT_EQ(font(labelled)->pixelSize(), 18);
    EXPECT_EQ(labelled.attributesAt(0).lineBreakMode, LineBreakMode::TruncateMiddle);
    EXPECT_EQ(whiteOnBlackString("x").attributesAt(0).background, QColor(Qt::black));
    EXPECT_EQ(redString(whiteString("x")).attributesAt(0).foreground, QColor(Qt::red));

    EXPECT_FALSE(color(AttributedString()));
    EXPECT_EQ(AttributedString().size(), QSizeF());
}

TEST(AttributedText, HeightForWidth) {
    const TextAttributes attributes{.font = systemFont()};
    EXPECT_EQ(heightForWidth("", 100, attributes), 0);
    const QString text = "The quick brown fox jumps over the lazy dog again and again";
    const qreal oneLine = heightForWidth(text, 10000, attributes);
    const qreal wrapped = heightForWidth(text, 80, attributes);
    EXPECT_GT(oneLine, 10);
    EXPECT_GE(wrapped, 3 * oneLine);
}

TEST(AttributedText, ShrinkToWidth) {
    const AttributedString text = attrStringWithColor("Layer 12 opacity", Qt::white);
    const struct {
        qreal width;
        QSizeF size;
        std::optional<double> expansion;
    } cases[] = {
        {108, {100, 15}, std::nullopt}, {120, {100, 30}, std::nullopt}, {100, {100, 15}, -0.08},
        {50, {100, 15}, -0.2},          {50, {100, 30}, -0.4},          {90, {100, 30}, -0.18},
    };
    for (const auto& c : cases) {
        const AttributedString shrunk = shrinkToWidth(text, c.width, c.size);
        const auto expansion = shrunk.attributesAt(0).expansion;
        ASSERT_EQ(expansion.has_value(), c.expansion.has_value()) << c.width;
        if (expansion) {
            EXPECT_NEAR(*expansion, *c.expansion, 1e-9) << c.width;
        }
    }
    // Measured on its own, the condensed text really is narrower.
    const QSizeF natural = text.size();
    const AttributedString shrunk = shrinkToWidth(text, natural.width() * 0.9, QSizeF());
    EXPECT_LT(shrunk.size().width(), natural.width() * 0.95);
}

TEST(AttributedText, ShrinkAndTrimToWidth) {
    const AttributedString text = attrStringWithColor("Walking through the forest", Qt::white);
    const struct {
        qreal width;
        double expansion;
    } condensed[] = {{87, -0.21}, {83, -0.22}, {81.5, -0.22}};
    for (const auto& c : condensed) {
        const AttributedString shrunk = shrinkAndTrimToWidth(text, c.width, {100, 15});
        EXPECT_EQ(shrunk.string(), text.string());
        EXPECT_NEAR(*shrunk.attributesAt(0).expansion, c.expansion, 1e-9) << c.width;
    }
    EXPECT_FALSE(shrinkAndTrimToWidth(text, 200, {100, 15}).attributesAt(0).expansion);

    // Far too narrow: abbreviated to 70 % of its length, then condensed
    // within the bound but never stretched.
    const AttributedString trimmed = shrinkAndTrimToWidth(text, 50, {100, 15});
    EXPECT_EQ(trimmed.string(), trimToLength(text.string(), 18));
    EXPECT_EQ(color(trimmed), QColor(Qt::white));
    const double e = *trimmed.attributesAt(0).expansion;
    EXPECT_GE(e, -0.22);
    EXPECT_LE(e, 0.0);
    const AttributedString roomy = shrinkAndTrimToWidth(text, 10, {1000, 15});
    EXPECT_LE(*roomy.attributesAt(0).expansion, 0.0);
}

// Bounds of the pixels that differ from the background.
QRect inkBounds(const QImage& image, QRgb background) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QImage render(const std::function<void(QPainter&)>& draw) {
    QImage image(200, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    draw(painter);
    return image;
}

bool hasColour(const QImage& image, const std::function<bool(QColor)>& test) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y))) return true;
    return false;
}

TEST(AttributedText, DrawingKeepsRunsAndClips) {
    // A long red text ending in a blue mark: middle truncation keeps the
    // tail with its own colour, tail truncation drops it.
    AttributedString text(QString(40, 'W') + "X",
                          {.foreground = QColor(Qt::red), .font = systemFont()});
    text.modifyAttributes({40, 1}, [](TextAttributes& a) { a.foreground = QColor(Qt::blue); });
    const auto blue = [](QColor c) { return c.blue() > 150 && c.red() < 100; };
    const QRectF box(10, 10, 120, 30);

    setLineBreakModeMiddle(text);
    QImage middle = render([&](QPainter& p) { text.draw(p, box); });
    EXPECT_TRUE(hasColour(middle, blue));
    EXPECT_TRUE(box.toAlignedRect().contains(inkBounds(middle, qRgb(255, 255, 255))));

    setLineBreakMode(text, LineBreakMode::TruncateTail);
    EXPECT_FALSE(hasColour(render([&](QPainter& p) { text.draw(p, box); }), blue));

    const AttributedString onBlack = whiteOnBlackString("Pending");
    const QImage black = render([&](QPainter& p) { onBlack.draw(p, box); });
    EXPECT_TRUE(hasColour(black, [](QColor c) { return c == Qt::black; }));
}

TEST(AttributedText, EmbossedAndEngravedShadowsFallBelow) {
    // White text on white shows only its shadows.
    const AttributedString text = attrStringWithColor("Kelo", Qt::white, 20);
    const QRectF box(20, 20, 150, 24);
    AttributedString dark = text;
    setColor(dark, Qt::black);
    const QRect plain =
        inkBounds(render([&](QPainter& p) { dark.draw(p, box); }), qRgb(255, 255, 255));
    ASSERT_FALSE(plain.isEmpty());

    const QRect embossed = inkBounds(render([&](QPainter& p) { drawInRectEmbossed(text, p, box); }),
                                     qRgb(255, 255, 255));
    EXPECT_GT(embossed.bottom(), plain.bottom());
    EXPECT_GT(embossed.right(), plain.right());
    const QRect upward = inkBounds(
        render([&](QPainter& p) { drawInRectEmbossed(text, p, box, false); }), qRgb(255, 255, 255));
    EXPECT_LT(upward.top(), plain.top());

    const QRect engraved = inkBounds(render([&](QPainter& p) { drawInRectEngraved(text, p, box); }),
                                     qRgb(255, 255, 255));
    EXPECT_GT(engraved.bottom(), plain.bottom());
}

}  // namespace

KELO_TEST_MAIN_GUI()
