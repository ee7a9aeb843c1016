#include "platform/PropertyList.h"

#include "support/TestMain.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPoint>

#include <gtest/gtest.h>

#include <plist/plist.h>

#include <cstdlib>
#include <limits>

namespace {

using Format = PropertyList::Format;

QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(KELO_FIXTURES "/plist/") + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

void appendBE(QByteArray* out, quint64 v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out->append(char((v >> (8 * i)) & 0xFF));
}

// Assembles a binary file from raw object bodies with a correct table and trailer.
QByteArray binaryFile(const QList<QByteArray>& objects, int refSize, quint64 top = 0) {
    QByteArray out("bplist00");
    QList<quint64> offsets;
    for (const QByteArray& o : objects) {
        offsets.append(out.size());
        out += o;
    }
    const quint64 table = out.size();
    for (quint64 o : offsets) appendBE(&out, o, 8);
    out += QByteArray(6, '\0');
    out += char(8);
    out += char(refSize);
    appendBE(&out, objects.size(), 8);
    appendBE(&out, top, 8);
    appendBE(&out, table, 8);
    return out;
}

QByteArray refs(std::initializer_list<quint64> list, int refSize) {
    QByteArray out;
    for (quint64 r : list) appendBE(&out, r, refSize);
    return out;
}

// n arrays each holding the next, the innermost empty.
QByteArray nestedBinary(int n) {
    QList<QByteArray> objects;
    for (int i = 0; i < n - 1; ++i) objects.append(QByteArray("\xA1") + refs({quint64(i + 1)}, 4));
    objects.append(QByteArray("\xA0"));
    return binaryFile(objects, 4);
}

QByteArray nestedXml(int n) {
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + QByteArray("<array>").repeated(n) +
           QByteArray("</array>").repeated(n) + "</plist>";
}

QByteArray nestedOpenStep(int n) {
    return QByteArray("(").repeated(n) + QByteArray(")").repeated(n);
}

QVariantMap everyType() {
    return {
        {"string", QString("plain")},
        {"unicode", QString::fromUtf8("Gr\u00fc\u00dfe \u2713 \u65e5\u672c \U0001F600")},
        {"empty string", QString("")},
        {"int", QVariant(qint64(-5))},
        {"int32", QVariant(int(7))},
        {"uint32", QVariant(uint(4000000000u))},
        {"uint64", QVariant(qulonglong(1) << 62)},
        {"min", QVariant(std::numeric_limits<qint64>::min())},
        {"max", QVariant(std::numeric_limits<qint64>::max())},
        {"real", QVariant(0.1)},
        {"whole real", QVariant(2.0)},
        {"bool", QVariant(true)},
        {"date", utc(2024, 2, 29, 12, 30, 45)},
        {"old date", utc(1999, 12, 31, 23, 59, 59)},
        {"data", QByteArray("\x00\x01\xff", 3)},
        {"empty data", QByteArray("")},
        {"empty list", QVariantList()},
        {"empty map", QVariantMap()},
        {"nested", QVariantList{QVariantMap{{"k", QVariantList{1, "x", false}}}}},
    };
}

// QVariant compares int and qint64 equal; the point here is that the written
// kind of each value is the one read back.
void expectSameTypes(const QVariant& expected, const QVariant& actual, const QString& path) {
    if (expected.typeId() == QMetaType::QVariantMap) {
        ASSERT_EQ(actual.typeId(), QMetaType::QVariantMap) << qPrintable(path);
        const QVariantMap e = expected.toMap(), a = actual.toMap();
        ASSERT_EQ(e.keys(), a.keys()) << qPrintable(path);
        for (auto it = e.begin(); it != e.end(); ++it)
            expectSameTypes(it.value(), a[it.key()], path + "/" + it.key());
        return;
    }
    if (expected.typeId() == QMetaType::QVariantList) {
        ASSERT_EQ(actual.typeId(), QMetaType::QVariantList) << qPrintable(path);
        const QVariantList e = expected.toList(), a = actual.toList();
        ASSERT_EQ(e.size(), a.size()) << qPrintable(path);
        for (qsizetype i = 0; i < e.size(); ++i)
            expectSameTypes(e[i], a[i], path + "/" + QString::number(i));
        return;
    }
    int want = expected.typeId();
    if (want == QMetaType::Int || want == QMetaType::UInt || want == QMetaType::ULongLong)
        want = QMetaType::LongLong;
    EXPECT_EQ(actual.typeId(), want) << qPrintable(path);
    EXPECT_EQ(actual, expected) << qPrintable(path);
}

TEST(PropertyListFixtures, ReadsEveryTypeWrittenByAnotherImplementation) {
    for (const char* name : {"all_types.xml", "all_types.bplist"}) {
        SCOPED_TRACE(name);
        QString error;
        Format format;
        const QVariant v = PropertyList::read(fixture(name), &error, &format);
        ASSERT_TRUE(v.isValid()) << qPrintable(error);
        const bool binary = QByteArray(name).endsWith("bplist");
        EXPECT_EQ(format, binary ? Format::Binary : Format::Xml);
        const QVariantMap m = v.toMap();
        EXPECT_EQ(m["unicode"].toString(),
                  QString::fromUtf8("Gr\u00fc\u00dfe \u2713 \u65e5\u672c \U0001F600"));
        EXPECT_EQ(m["empty string"], QVariant(QString("")));
        EXPECT_EQ(m["markup"].toString(), "a < b & c > d");
        const QVariantList ints{qint64(0),
                                qint64(1),
                                qint64(-1),
                                qint64(255),
                                qint64(256),
                                qint64(65535),
                                qint64(65536),
                                qint64(1) << 31,
                                -(qint64(1) << 31),
                                std::numeric_limits<qint64>::max(),
                                std::numeric_limits<qint64>::min()};
        expectSameTypes(ints, m["integers"], "integers");
        expectSameTypes(QVariantList{1.5, -0.25, 1e300, 0.1}, m["reals"], "reals");
        expectSameTypes(true, m["true"], "true");
        expectSameTypes(false, m["false"], "false");
        const int ms = binary ? 250 : 0;
        expectSameTypes(utc(2020, 5, 6, 7, 8, 9, ms), m["date"], "date");
        expectSameTypes(utc(1990, 1, 2, 3, 4, 5, ms), m["before 2001"], "before 2001");
        EXPECT_EQ(m["date"].toDateTime().timeSpec(), Qt::UTC);
        expectSameTypes(QByteArray("\x00\x01\xfe\xff", 4), m["data"], "data");
        expectSameTypes(QByteArray(), m["empty data"], "empty data");
        expectSameTypes(QVariantList(), m["empty array"], "empty array");
        expectSameTypes(QVariantMap(), m["empty dict"], "empty dict");
        const QVariantList nested{
            QVariantMap{{"a", QVariantList{1, QVariantList{2, QVariantMap{{"b", "c"}}}}}},
            QVariantMap{{"d", QVariantMap()}}};
        expectSameTypes(nested, m["nested"], "nested");
    }
}

TEST(PropertyListFixtures, DatesAndIntegersAtTheEdgesOfTheForms) {
    // Binary dates are doubles: far dates survive. XML dates keep to the
    // writer's 32-bit seconds, so a date it cannot hold is refused, never misread.
    const QVariant far = PropertyList::read(fixture("far_dates.bplist"));
    EXPECT_EQ(far, QVariant(QVariantList{utc(1900, 1, 1, 0, 0, 0), utc(2100, 1, 1, 0, 0, 0)}));
    QString error;
    EXPECT_FALSE(PropertyList::read(fixture("far_dates.xml"), &error).isValid());
    EXPECT_TRUE(error.contains("date")) << qPrintable(error);
    EXPECT_TRUE(
        PropertyList::write(QVariantList{utc(2100, 1, 1, 0, 0, 0)}, Format::Xml, &error).isEmpty());

    // Integers are signed 64-bit: unsigned values from 2^63 read back as their
    // two's complement, the same from both forms.
    const QVariant expected = QVariantList{qint64(-1), std::numeric_limits<qint64>::min()};
    EXPECT_EQ(PropertyList::read(fixture("big_unsigned.bplist")), expected);
    EXPECT_EQ(PropertyList::read(fixture("big_unsigned.xml")), expected);
    for (Format f : {Format::Xml, Format::Binary, Format::OpenStep}) {
        error.clear();
        EXPECT_TRUE(PropertyList::write(QVariantList{qulonglong(1) << 63}, f, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(PropertyListRoundTrip, EveryTypeKeepsItsKindInXmlAndBinary) {
    const QVariantMap value = everyType();
    for (Format f : {Format::Xml, Format::Binary}) {
        SCOPED_TRACE(int(f));
        QString error;
        const QByteArray bytes = PropertyList::write(value, f, &error);
        ASSERT_FALSE(bytes.isEmpty()) << qPrintable(error);
        Format detected;
        const QVariant back = PropertyList::read(bytes, &error, &detected);
        ASSERT_TRUE(back.isValid()) << qPrintable(error);
        EXPECT_EQ(detected, f);
        expectSameTypes(value, back, "");
    }
}

TEST(PropertyListRoundTrip, DatePrecisionPerForm) {
    // Binary keeps milliseconds on both sides of 2001; XML whole seconds.
    for (const QDateTime& date :
         {utc(2020, 5, 6, 7, 8, 9, 123), utc(1990, 1, 2, 3, 4, 5, 750),
          utc(2000, 12, 31, 23, 59, 59, 999), utc(1600, 1, 1, 0, 0, 0, 1)}) {
        SCOPED_TRACE(qPrintable(date.toString(Qt::ISODateWithMs)));
        EXPECT_EQ(PropertyList::read(PropertyList::write(QVariantList{date}, Format::Binary)),
                  QVariant(QVariantList{date}));
        if (date.date().year() < 1933) continue;
        const QDateTime whole = date.addMSecs(-date.time().msec());
        EXPECT_EQ(PropertyList::read(PropertyList::write(QVariantList{date}, Format::Xml)),
                  QVariant(QVariantList{whole}));
    }
}

TEST(PropertyListWrite, RefusesWhatHasNoForm) {
    const QVariant cases[] = {
        QVariant(),
        QVariant(QPoint(1, 2)),
        QVariantMap{{"ok", 1}, {"bad", QVariant(QPoint(1, 2))}},
        QVariantList{QVariantList{QVariant()}},
    };
    for (const QVariant& v : cases) {
        for (Format f : {Format::Xml, Format::Binary, Format::OpenStep}) {
            QString error;
            EXPECT_TRUE(PropertyList::write(v, f, &error).isEmpty());
            EXPECT_FALSE(error.isEmpty());
        }
    }
    // XML cannot carry NUL or control characters; binary can.
    const QVariant controls = QVariantList{QString("a\x01") + QChar(0) + "b"};
    QString error;
    EXPECT_TRUE(PropertyList::write(controls, Format::Xml, &error).isEmpty());
    EXPECT_EQ(PropertyList::read(PropertyList::write(controls, Format::Binary)), controls);
}

TEST(PropertyListHostile, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    struct Case {
        const char* name;
        QByteArray (*make)(int);
    } cases[] = {{"xml", nestedXml}, {"binary", nestedBinary}, {"openstep", nestedOpenStep}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(PropertyList::read(c.make(PropertyList::kMaxDepth + 1)).isValid());
        for (int n : {PropertyList::kMaxDepth + 2, 100000}) {
            QString error;
            EXPECT_FALSE(PropertyList::read(c.make(n), &error).isValid());
            EXPECT_TRUE(error.contains("deep")) << qPrintable(error);
        }
    }
    // Tags hidden in comments and CDATA are neither elements nor nesting.
    const QByteArray hidden = "<plist><array><!--" + QByteArray("<array>").repeated(100000) +
                              "--><string><![CDATA[" + QByteArray("<array>").repeated(100000) +
                              "]]></string></array></plist>";
    const QVariant v = PropertyList::read(hidden);
    ASSERT_EQ(v.toList().size(), 1);
    EXPECT_EQ(v.toList()[0].toString().size(), 7 * 100000);

    QVariant deep = QVariantList();
    for (int i = 0; i < PropertyList::kMaxDepth + 1; ++i) deep = QVariantList{deep};
    for (Format f : {Format::Xml, Format::Binary, Format::OpenStep})
        EXPECT_TRUE(PropertyList::write(deep, f).isEmpty());
}

// A record list repeats its keys and many of its values.
QVariant records(int n) {
    QVariantList items;
    for (int i = 0; i < n; ++i)
        items.append(QVariantMap{{"name", QString("clip %1").arg(i)},
                                 {"kind", i % 2 ? "movie" : QString::fromUtf8("caf\u00e9")},
                                 {"movie", i % 3 == 0},
                                 {"size", qint64(i % 4) * 1000},
                                 {"rate", 29.97},
                                 {"thumb", QByteArray(8, char(i % 2))}});
    return QVariantMap{{"items", items}, {"name", "movie"}};
}

TEST(PropertyListBinaryWrite, EqualValuesAreWrittenOnceAndReadBackEverywhere) {
    const QVariant value = records(200);
    const QByteArray ours = PropertyList::write(value, Format::Binary);
    ASSERT_FALSE(ours.isEmpty());
    EXPECT_EQ(PropertyList::read(ours), value);

    // libplist reads it to the same tree: its XML of our bytes reads back equal.
    plist_t node = nullptr;
    plist_from_bin(ours.constData(), static_cast<uint32_t>(ours.size()), &node);
    ASSERT_NE(node, nullptr);
    char* xml = nullptr;
    uint32_t xmlLength = 0;
    plist_to_xml(node, &xml, &xmlLength);
    char* bin = nullptr;
    uint32_t binLength = 0;
    plist_to_bin(node, &bin, &binLength);
    plist_free(node);
    const QByteArray theirXml(xml, xmlLength), theirs(bin, binLength);
    std::free(xml);
    std::free(bin);
    EXPECT_EQ(PropertyList::read(theirXml), value);
    EXPECT_LE(ours.size(), theirs.size());

    // 200 records hold 200 names, 2 kinds, 2 bools, 4 sizes, 1 rate, 2 thumbs
    // and the 6 keys ("name" and "movie" also as values): 217 scalars,
    // 201 dictionaries and 1 array.
    quint64 count = 0;
    for (int i = 0; i < 8; ++i) count = (count << 8) | uchar(ours[ours.size() - 24 + i]);
    EXPECT_EQ(count, 217u + 201u + 1u);
}

TEST(PropertyListHostile, BinaryStructureIsCheckedBeforeUse) {
    const QByteArray good =
        PropertyList::write(QVariantMap{{"a", QVariantList{1, "two"}}}, Format::Binary);
    ASSERT_TRUE(PropertyList::read(good).isValid());
    auto patchTrailer = [&](int at, quint64 v, int bytes) {
        QByteArray b = good;
        QByteArray field;
        appendBE(&field, v, bytes);
        b.replace(b.size() - 32 + at, bytes, field);
        return b;
    };
    const std::pair<const char*, QByteArray> cases[] = {
        {"object count 2^60", patchTrailer(8, quint64(1) << 60, 8)},
        {"object count max", patchTrailer(8, ~quint64(0), 8)},
        {"top object out of range", patchTrailer(16, 1000, 8)},
        {"offset table past end", patchTrailer(24, ~quint64(0) - 5, 8)},
        {"offset size 0", patchTrailer(6, 0, 1)},
        {"ref size 9", patchTrailer(7, 9, 1)},
        {"array count 2^32", binaryFile({QByteArray("\xAF\x12\xFF\xFF\xFF\xFF", 6)}, 1)},
        {"data length 2^63", binaryFile({QByteArray("\x4F\x13\x80\0\0\0\0\0\0\0", 10)}, 1)},
        {"utf16 length huge",
         binaryFile({QByteArray("\x6F\x13\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 10)}, 1)},
        {"dict count 2^63", binaryFile({QByteArray("\xDF\x13\x80\0\0\0\0\0\0\0", 10)}, 1)},
        {"reference out of range", binaryFile({QByteArray("\xA1\x05", 2)}, 1)},
        {"self reference", binaryFile({QByteArray("\xA1\x00", 2)}, 1)},
        {"cycle through two",
         binaryFile({QByteArray("\xA1\x01", 2), QByteArray("\xA1\x00", 2)}, 1)},
        {"non-string key",
         binaryFile({QByteArray("\xD1\x01\x01", 3), QByteArray("\x10\x01", 2)}, 1)},
        {"uid", binaryFile({QByteArray("\x80\x01", 2)}, 1)},
        {"integer past data", binaryFile({QByteArray("\x13\x01", 2)}, 1)},
        {"nan date", binaryFile({QByteArray("\x33\x7F\xF8\0\0\0\0\0\0", 9)}, 1)},
        {"header only", QByteArray("bplist00")},
        {"garbage after magic", QByteArray("bplist00") + QByteArray(100, '\xEE')},
    };
    for (const auto& [name, bytes] : cases) {
        QString error;
        EXPECT_FALSE(PropertyList::read(bytes, &error).isValid()) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
    }
    for (qsizetype n = 8; n < good.size(); ++n)
        EXPECT_FALSE(PropertyList::read(good.left(n)).isValid()) << n;
}

TEST(PropertyListHostile, SharedObjectsCannotExpandWithoutBound) {
    // Sharing is legitimate and decoded once...
    const QByteArray shared =
        binaryFile({QByteArray("\xA2") + refs({1, 1}, 1), QByteArray("\x51x", 2)}, 1);
    EXPECT_EQ(PropertyList::read(shared), QVariant(QVariantList{"x", "x"}));
    // ...but 64 levels that each refer twice to the next would expand to 2^64 nodes.
    QList<QByteArray> objects;
    for (int i = 0; i < 63; ++i)
        objects.append(QByteArray("\xA2") + refs({quint64(i + 1), quint64(i + 1)}, 1));
    objects.append(QByteArray("\x10\x01", 2));
    QString error;
    EXPECT_FALSE(PropertyList::read(binaryFile(objects, 1), &error).isValid());
    EXPECT_TRUE(error.contains("too many")) << qPrintable(error);
}

TEST(PropertyListHostile, MalformedXmlAndGarbage) {
    const QByteArray cases[] = {
        "",
        "<?xml version=\"1.0\"?><plist><array><integer>1</integer>",
        "<?xml version=\"1.0\"?><plist><array></dict></plist>",
        "<?xml version=\"1.0\"?><plist><uid>1</uid></plist>",
        "<?xml version=\"1.0\"?><plist><array><!-- unterminated",
        QByteArray("\xFF\xFE\x00<\x00p", 6),
        // NUL has no place in XML, raw or as a character reference.
        QByteArray("<plist><key>a\0b</key></plist>", 28),
        QByteArray("<plist><string>a\0b</string></plist>", 34),
        "<plist><dict><key>a&#0;b</key><true/></dict></plist>",
        "<plist><string>&#x0000;</string></plist>",
        "<plist><string>&#x100000000;</string></plist>",
        "<plist><string>&#4294967296;</string></plist>",
        "<plist><string>&#xD800;</string></plist>",
        "<plist><string>&nbsp;</string></plist>",
        "<plist><string>a & b</string></plist>",
        "<plist/>",
        "<plist><true/><false/></plist>",
        "<plist><true/></plist>trailing",
        "<plist><string>a<b/></string></plist>",
        "<plist><string><![CDATA[open</string></plist>",
        "<plist><dict><key>a</key></dict></plist>",
        "<plist><dict><key>a</key><key>b</key><true/></dict></plist>",
        "<plist><dict><true/></dict></plist>",
        "<plist><key>a</key></plist>",
        "<plist><true>x</true></plist>",
        "<plist><integer>18446744073709551616</integer></plist>",
        "<plist><integer>-9223372036854775809</integer></plist>",
        "<plist><integer>12abc</integer></plist>",
        "<plist><integer/></plist>",
        "<plist><real>1,5</real></plist>",
        "<plist><real>1e999</real></plist>",
        "<plist><date>2020-02-30T00:00:00Z</date></plist>",
        "<plist><date>2020-01-01 00:00:00</date></plist>",
        "<plist><data>AA=A</data></plist>",
        "<plist><data>AA!!</data></plist>",
        "<plist><array><string>x</string></plist>",
        "<!DOCTYPE plist [ <!ENTITY x \"y\"> <plist><true/></plist>",
    };
    for (const QByteArray& bytes : cases) {
        QString error;
        EXPECT_FALSE(PropertyList::read(bytes, &error).isValid()) << bytes.constData();
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(PropertyListXmlRead, AcceptsWhatWritersProduce) {
    const std::pair<QByteArray, QVariant> cases[] = {
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE plist [ <!ELEMENT x (#PCDATA)> ]>\n"
         "<plist version=\"1.0\"><string>a</string></plist>\n<!-- done -->\n",
         "a"},
        {"\xEF\xBB\xBF<plist><dict/></plist>", QVariantMap()},
        {"<plist><string>&lt;&gt;&amp;&quot;&apos;&#65;&#x263A;&#x1F600;</string></plist>",
         QString::fromUtf8("<>&\"'A\u263A\U0001F600")},
        {"<plist><string><![CDATA[<b> & ]]>x<!-- gone --> y</string></plist>", "<b> & x y"},
        {"<plist><string>\n  kept  \n</string></plist>", "\n  kept  \n"},
        {"<plist><string/></plist>", ""},
        {"<plist><dict>\n<key>b</key><integer> -0x10 </integer>\n<key/><true></true>"
         "<key>a</key><real>+2.5e3</real><key>a</key><false/></dict></plist>",
         QVariantMap{{"b", qint64(-16)}, {"", true}, {"a", false}}},
        {"<plist><array><data>\n\tAAH+\n\t/w==\n</data><data/><integer>+7</integer>"
         "</array ></plist >",
         QVariantList{QByteArray("\x00\x01\xfe\xff", 4), QByteArray(), qint64(7)}},
        {"<!-- no plist element --><array><real>-inf</real></array>",
         QVariantList{-std::numeric_limits<double>::infinity()}},
    };
    for (const auto& [xml, expected] : cases) {
        QString error;
        const QVariant v = PropertyList::read(xml, &error);
        EXPECT_TRUE(v.isValid()) << xml.constData() << ": " << qPrintable(error);
        expectSameTypes(expected, v, QString::fromUtf8(xml));
    }
    // Every record shares its keys, yet each map is its own.
    QVariantMap got = PropertyList::read(
                          "<plist><array><dict><key>k</key><true/></dict>"
                          "<dict><key>k</key><false/></dict></array></plist>")
                          .toList()[1]
                          .toMap();
    EXPECT_EQ(got, (QVariantMap{{"k", false}}));
    // Errors say where.
    QString error;
    PropertyList::read("<plist>\n<array>\n<uid>1</uid></array></plist>", &error);
    EXPECT_TRUE(error.contains("line 3")) << qPrintable(error);
}

// Files and peers have read libplist's layout for years: ours must not differ.
TEST(PropertyListXmlWrite, LayoutIsLibplistsByteForByte) {
    QVariant deep = QByteArray(200, 'x');
    for (int i = 0; i < 11; ++i) deep = QVariantList{deep, QByteArray(i * 7, char(i))};
    const double inf = std::numeric_limits<double>::infinity();
    QVariantMap mixed = everyType();
    mixed["reals"] = QVariantList{0.1,  2.0,  -0.25, 1e300, 1e-300, 1.0 / 3,      inf,
                                  -inf, -0.0, 1e15,  1e17,  5e-324, 123456789.123};
    mixed["markup <&> \"quoted\""] = QString("a<b>&\"'c\t\r\n]]>");
    const QVariant docs[] = {mixed, deep, QString("top"), QVariantList(), records(50)};
    for (const QVariant& doc : docs) {
        const QByteArray bin = PropertyList::write(doc, Format::Binary);
        plist_t node = nullptr;
        plist_from_bin(bin.constData(), static_cast<uint32_t>(bin.size()), &node);
        ASSERT_NE(node, nullptr);
        char* xml = nullptr;
        uint32_t length = 0;
        plist_to_xml(node, &xml, &length);
        plist_free(node);
        const QByteArray theirs(xml, length);
        std::free(xml);
        EXPECT_EQ(PropertyList::write(doc, Format::Xml).toStdString(), theirs.toStdString());
    }
}

TEST(PropertyListOpenStep, ReadsTheTextForm) {
    QString error;
    Format detected;
    const QVariant v = PropertyList::read(fixture("openstep.txt"), &error, &detected);
    ASSERT_TRUE(v.isValid()) << qPrintable(error);
    EXPECT_EQ(detected, Format::OpenStep);
    const QVariantMap expected{
        {"name", "Layer 1"},
        {"bare", "some_path/file-1.mov"},
        {"number", "42"},
        {"escapes", QString::fromUtf8("tab\there \"q\" back\\slash\nnew \u00e9A")},
        {"data", QByteArray("\x00\x01\xfe\xff", 4)},
        {"list", QVariantList{"a", "b c", QVariantList(), QVariantMap()}},
        {"quoted key", QVariantMap{{"inner", QVariantList{"1", "2.5"}}}},
    };
    expectSameTypes(expected, v, "");
    EXPECT_EQ(PropertyList::readOpenStep("\"caf\xC3\xA9\" // trailing comment"),
              QVariant(QString::fromUtf8("café")));
}

TEST(PropertyListOpenStep, RejectsMalformedText) {
    const char* cases[] = {
        "",      "\"unterminated", "{ a = b }  x", "{ a = b; c }", "{ a b; }", "( a b )", "( a, ",
        "<0a1>", "<0g>",           "/* open",      "{ = b; }",     "\"\\U\"",  "@",
    };
    for (const char* text : cases) {
        QString error;
        EXPECT_FALSE(PropertyList::readOpenStep(text, &error).isValid()) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
    }
}

TEST(PropertyListOpenStep, WritesWhatItReads) {
    const QVariantMap value{
        {"plain", "abc_1.2:x/y"},
        {"needs quotes", QString::fromUtf8("a b;c=d\"e\\f\ng\th\x01 \u00e9 \U0001F600")},
        {"", "empty key"},
        {"empty", ""},
        {"comment like", "a//b"},
        {"slash star", "/*"},
        {QString(QChar(0xFEFF)) + "mark", QString(QChar(0xFEFF)) + QChar(0xFEFF) + "leads"},
        {"data", QByteArray("\x00\xab", 2)},
        {"nested", QVariantList{QVariantMap{{"x", QVariantList()}}, QVariantMap()}},
    };
    QString error;
    const QByteArray text = PropertyList::write(value, Format::OpenStep, &error);
    ASSERT_FALSE(text.isEmpty()) << qPrintable(error);
    EXPECT_EQ(PropertyList::readOpenStep(text, &error), QVariant(value)) << text.constData();

    // Scalars without a text type are written as their text.
    const QVariantList numbers{qint64(-3), 2.5, 0.1, true};
    EXPECT_EQ(PropertyList::readOpenStep(PropertyList::write(numbers, Format::OpenStep)),
              QVariant(QVariantList{"-3", "2.5", "0.1", "1"}));
    EXPECT_TRUE(
        PropertyList::write(QVariantList{utc(2020, 1, 1, 0, 0, 0)}, Format::OpenStep, &error)
            .isEmpty());
}

// Writes our encodings of the fixtures for tests/fixtures/plist/check_roundtrip.py,
// which checks them against another implementation; skipped unless asked for.
TEST(PropertyListInterop, WriteFilesForExternalCheck) {
    const QByteArray out = qgetenv("KELO_PLIST_OUT");
    if (out.isEmpty()) GTEST_SKIP() << "set KELO_PLIST_OUT to a folder";
    QDir().mkpath(QString::fromUtf8(out));
    for (const char* name : {"all_types.xml", "all_types.bplist"}) {
        const QVariant v = PropertyList::read(fixture(name));
        ASSERT_TRUE(v.isValid());
        for (auto [form, format] :
             {std::pair{"xml", Format::Xml}, std::pair{"bplist", Format::Binary}}) {
            QFile f(QString::fromUtf8(out) + "/" + name + "." + form);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(PropertyList::write(v, format));
        }
    }
}

}  // namespace

KELO_TEST_MAIN()
