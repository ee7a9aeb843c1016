#include "content/KeloContentID.h"
#include "support/TestMain.h"

#include <QtEndian>

#include <optional>

namespace {

TEST(KeloContentID, BytesInWireOrder) {
    const KeloContentID id = KeloContentID::contentWithType(11, 1, 2, 7);
    EXPECT_EQ(id.type(), 11);
    EXPECT_EQ(id.ident(), 1);
    EXPECT_EQ(id.folder(), 2);
    EXPECT_EQ(id.file(), 7);
    EXPECT_EQ(id.data(), QByteArray::fromHex("0b010207"));
    EXPECT_EQ(id.contentRef(), (KlContentRef{11, 1, 2, 7}));
    EXPECT_EQ(KeloContentID(id.contentRef()), id);
    // Host byte order: on this little-endian host the type is the low byte.
    EXPECT_EQ(id.intValue(), qFromLittleEndian<quint32>(id.bytes()));
    EXPECT_EQ(id.intValue(), 0x0702010Bu);
    EXPECT_EQ(id.klEC_FileID(), id.intValue());
    EXPECT_EQ(id.hash(), id.intValue());

    // Only the low byte of each value.
    EXPECT_EQ(KeloContentID::contentWithType(256 + 4, -1, 513, 255).data(),
              QByteArray::fromHex("04ff01ff"));
    EXPECT_EQ(KeloContentID().data(), QByteArray(4, '\0'));
}

TEST(KeloContentID, FromData) {
    const auto id = KeloContentID::contentWithData(QByteArray::fromHex("0201040599"));
    ASSERT_TRUE(id);
    EXPECT_EQ(id->data(), QByteArray::fromHex("02010405"));
    EXPECT_EQ(KeloContentID::contentWithData(*id), *id);
    EXPECT_FALSE(KeloContentID::contentWithData(QByteArray::fromHex("020104")));
    EXPECT_FALSE(KeloContentID::contentWithData(nullptr, 4));
}

TEST(KeloContentID, Equality) {
    const KeloContentID a = KeloContentID::contentWithType(0, 1, 2, 3);
    const KeloContentID b = KeloContentID::contentWithType(0, 1, 2, 4);
    EXPECT_FALSE(a == b);
    EXPECT_FALSE(a.isEqualToContentID(&b));
    EXPECT_TRUE(a.isEqualToContentID(&a));
    EXPECT_FALSE(a.isEqualToContentID(nullptr));
}

TEST(KeloContentID, FolderKeys) {
    const struct {
        const char* key;
        int type;
        std::optional<KeloContentID> id;
    } cases[] = {
        {"Media_001_002", 0, KeloContentID::contentWithType(0, 1, 2, 0)},
        {"Model_003_010", 1, KeloContentID::contentWithType(1, 3, 10, 0)},
        {"Metadata_000_003", 3, KeloContentID::contentWithType(3, 0, 3, 0)},
        {"PluginImages_002_009", 4, KeloContentID::contentWithType(4, 2, 9, 0)},
        {"Media_001_300", 0, KeloContentID::contentWithType(0, 1, 300 & 255, 0)},
        {"Plugin_004", 2, KeloContentID::contentWithType(2, 0, 4, 0)},
        {"Plugin_005", 2, KeloContentID::contentWithType(2, 0, 5, 0)},
        {"Plugin_006", 2, std::nullopt},
        {"Media_001_002_003", -1, std::nullopt},
        {"Media_001", -1, std::nullopt},
        {"Plugin_001_002", -1, std::nullopt},
        {".Confusing", -1, std::nullopt},
        {"", -1, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeloContentID::typeForFolderKey(c.key), c.type) << c.key;
        EXPECT_EQ(KeloContentID::contentWithFolderKey(c.key), c.id) << c.key;
    }

    EXPECT_EQ(KeloContentID::folderKeyForContentID(KeloContentID::contentWithType(0, 1, 2, 9)),
              "Media_001_002");
    // Plug-ins are keyed by folder alone; audio lives in the media folder.
    EXPECT_EQ(KeloContentID::folderKeyForContentID(KeloContentID::contentWithType(2, 9, 4, 0)),
              "Plugin_004");
    EXPECT_EQ(KeloContentID::folderKeyForContentID(KeloContentID::contentWithType(11, 1, 2, 7)),
              "Media_001_002");
    EXPECT_EQ(KeloContentID::folderKeyForContentID(KeloContentID::contentWithType(4, 1, 2, 7)),
              "PluginImages_001_002");
    for (int type : {5, 10, 12, 255}) {
        const QString key =
            KeloContentID::folderKeyForContentID(KeloContentID::contentWithType(type, 1, 2, 3));
        EXPECT_TRUE(key.isEmpty() && !key.isNull()) << type;
    }

    EXPECT_EQ(KeloContentID::fileKeyForContentID(KeloContentID::contentWithType(0, 1, 2, 7)),
              "007");
    EXPECT_EQ(KeloContentID::fileKeyForContentID(KeloContentID::contentWithType(11, 1, 2, 7)),
              "007_audio");
}

TEST(KeloContentID, TypeNamesAndDescriptions) {
    EXPECT_EQ(KeloContentID::folderTypeKey(4), "PluginImages_");
    EXPECT_EQ(KeloContentID::userStringForFolderType(4), "Masks");
    EXPECT_EQ(KeloContentID::userStringForFolderType(1), "Models");
    for (int type : {-1, 5, 11})
        EXPECT_TRUE(KeloContentID::folderTypeKey(type).isNull() &&
                    KeloContentID::userStringForFolderType(type).isNull())
            << type;

    EXPECT_EQ(KeloContentID::contentWithType(0, 1, 2, 7).description(),
              "Content ID (Media [001] 002.007)");
    EXPECT_EQ(KeloContentID::contentWithType(4, 0, 12, 255).description(),
              "Content ID (Image [000] 012.255)");
    EXPECT_EQ(KeloContentID::contentWithType(11, 1, 2, 7).description(),
              "Content ID (Type:11 [001] 002.007)");
}

}  // namespace

KELO_TEST_MAIN()
