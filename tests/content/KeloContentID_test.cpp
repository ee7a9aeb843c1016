#include "content/KeloContentID.h"
#include "support/TestMain.h"

#include <QtEndian>

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

}  // namespace

KELO_TEST_MAIN()
