#include "pixelmap/OmPixelMapFile.h"

#include "foundation/VNSDataCategory.h"
#include "pixelmap/PixelMapConstants.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "support/TestMain.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

QByteArray xmlOf(const QVariantMap& dict) { return PropertyList::write(dict, PropertyList::Format::Xml); }

QByteArray withLength(quint32 length, const QByteArray& stream) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i) out[i] = char((length >> (8 * i)) & 0xFF);
    return out + stream;
}

QByteArray zlibStream(const QByteArray& data) { return compress(data, Z_BEST_COMPRESSION).mid(4); }

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

class PmapFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
    OmPixelMapFileDelegate delegate;
};

}  // namespace

TEST(PmapData, ReaderTable) {
    const QByteArray plain = xmlOf({{"contexts", QVariantList()}, {"pmap_version", qint64(3900)}});
    const QByteArray binary = PropertyList::write(QVariantMap{{"a", 1}}, PropertyList::Format::Binary);
    const QByteArray once = compress(plain, Z_BEST_COMPRESSION);
    const QByteArray twice = compress(once, Z_BEST_COMPRESSION);
    QByteArray lyingInner = withLength(quint32(plain.size() + 1), zlibStream(plain));
    const QByteArray lying = compress(lyingInner, Z_BEST_COMPRESSION);
    const QByteArray hugePrefix = withLength(0xFFFFFFFFu, zlibStream(once));
    // 300 MB of zeros behind an honest length: over the cap, refused unread.
    const QByteArray bomb = withLength(300u << 20, zlibStream(QByteArray(1 << 20, '\0')));

    struct Case {
        const char* name;
        QByteArray data;
        bool ok;
        bool compressed;
    };
    const Case cases[] = {
        {"plain XML", plain, true, false},
        {"binary", binary + QByteArray(40, '\0'), true, false},
        {"28 bytes of a valid beginning", plain.left(28), false, false},
        {"29 bytes, cut", plain.left(29), true, false},
        {"compressed twice", twice, true, true},
        {"compressed once", once, false, false},
        {"inner length lies", lying, false, false},
        {"outer length beyond the cap", hugePrefix, false, false},
        {"zlib bomb", bomb, false, false},
        {"garbage", QByteArray(64, 'x'), false, false},
        {"empty", QByteArray(), false, false},
    };
    for (const Case& c : cases) {
        bool compressed = true;
        QString error;
        const auto out = readPmapData(c.data, &compressed, &error);
        EXPECT_EQ(out.has_value(), c.ok) << c.name;
        EXPECT_EQ(compressed, c.compressed) << c.name;
        if (!c.ok) {
            EXPECT_FALSE(error.isEmpty()) << c.name;
        }
        if (c.ok && c.compressed) {
            EXPECT_EQ(*out, plain) << c.name;
        }
    }
    // A 29-byte cut parses as nothing: the dictionary reader refuses it.
    EXPECT_FALSE(dictionaryWithPmapData(plain.left(29)).has_value());
    EXPECT_FALSE(dictionaryWithPmapData(xmlOf({}).replace("<dict/>", "<array/>")).has_value());
    EXPECT_TRUE(dictionaryWithPmapData(twice).has_value());
}

TEST(PmapData, WriterCompressesTwiceWithLittleEndianLengths) {
    const QVariantMap dict{{"pmap_version", qint64(3900)}, {"contexts", QVariantList()}};
    const QByteArray plain = *pmapDataWithDictionary(dict, false);
    EXPECT_TRUE(plain.startsWith(kPmapXmlSignature));
    const QByteArray packed = *pmapDataWithDictionary(dict, true);
    const auto* b = reinterpret_cast<const uchar*>(packed.constData());
    const quint32 outerLength = b[0] | b[1] << 8 | b[2] << 16 | quint32(b[3]) << 24;
    const QByteArray inner = *decompress(packed);
    EXPECT_EQ(outerLength, quint32(inner.size()));
    EXPECT_EQ(*decompress(inner), plain);

    QString error;
    EXPECT_FALSE(pmapDataWithDictionary({{"bad", QVariant::fromValue(QPointF(1, 2))}}, false, &error));
    EXPECT_EQ(error, "ERROR: save failed.  Failed to serialize data!");
}

TEST_F(PmapFileTest, SaveWritesANewUuidEachTimeAndFailuresKeepTheOldFile) {
    OmPixelMapFile file(&delegate);
    writeFile(path("a.pmap"), xmlOf({{"contexts", QVariantList()}}));
    ASSERT_TRUE(file.open(path("a.pmap"), nullptr, nullptr));
    ASSERT_TRUE(file.save());
    const QString first = dictionaryWithPmapData(readFile(path("a.pmap")))->value("uuid").toString();
    ASSERT_TRUE(file.save());
    const QByteArray saved = readFile(path("a.pmap"));
    const QString second = dictionaryWithPmapData(saved)->value("uuid").toString();
    EXPECT_EQ(first.size(), 36);
    EXPECT_NE(first, second);

    UserDefaults::standard().setObject(kPixelMapCompress, true);
    ASSERT_TRUE(file.save());
    bool compressed = false;
    ASSERT_TRUE(readPmapData(readFile(path("a.pmap")), &compressed));
    EXPECT_TRUE(compressed);
    UserDefaults::standard().setObject(kPixelMapCompress, false);

    const QByteArray before = readFile(path("a.pmap"));
    file.dict().insert("unwritable", QVariant::fromValue(QPointF(1, 1)));
    QString error;
    EXPECT_FALSE(file.save(&error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readFile(path("a.pmap")), before);
    file.dict().remove("unwritable");

    // The target's folder is a file: the write fails and leaves nothing behind.
    writeFile(path("plainfile"), "x");
    EXPECT_FALSE(file.saveAs(path("plainfile") + "/b.pmap", true, &error));
    EXPECT_EQ(readFile(path("a.pmap")), before);
}

TEST_F(PmapFileTest, AFailedOpenLeavesTheOpenDocument) {
    OmPixelMapFile file(&delegate);
    writeFile(path("good.pmap"), xmlOf({{"contexts", QVariantList()}, {"mark", "good"}}));
    writeFile(path("bad.pmap"), QByteArray(100, 'z'));
    ASSERT_TRUE(file.open(path("good.pmap"), nullptr, nullptr));
    bool notFound = false;
    QString error;
    EXPECT_FALSE(file.open(path("bad.pmap"), &notFound, nullptr, &error));
    EXPECT_FALSE(notFound);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(file.open(path("missing.pmap"), &notFound, nullptr));
    EXPECT_TRUE(notFound);
    EXPECT_EQ(file.fileName(), path("good.pmap"));
    EXPECT_EQ(file.dict().value("mark").toString(), "good");
    EXPECT_FALSE(file.needsSave());
}

TEST_F(PmapFileTest, UntitledAndNewDocuments) {
    struct Untitled : OmPixelMapFileDelegate {
        QVariantMap untitledPixelMap() override { return {{"from", "default"}}; }
    } untitled;
    OmPixelMapFile file(&untitled);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.dict().value("from").toString(), "default");
    file.createNewFile(path("new.pmap"));
    EXPECT_TRUE(file.isOpen());
    EXPECT_TRUE(file.needsSave());
    EXPECT_TRUE(file.dict().isEmpty());
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(file.fileName().isEmpty());
}

KELO_TEST_MAIN_CORE()
