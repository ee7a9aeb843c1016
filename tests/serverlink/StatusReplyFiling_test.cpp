#include "serverlink/KeloObject.h"
#include "serverlink/StatusReplyWalker.h"
#include "support/TestMain.h"
#include "support/WireBuilders.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace WireBuilders;

namespace {

constexpr double kNow = 820000000.5;

QByteArray generalStatus(uint8_t layerCount) {
    kle_general_stat s{};
    s.vMajor = 4;
    s.layercount = layerCount;
    std::strcpy(s.alias, "stage");
    return QByteArray(reinterpret_cast<const char*>(&s), sizeof s);
}

QByteArray layerDetail(uint8_t level) {
    kle_layer_stat d{};
    d.level = level;
    std::strcpy(d.texname, "clip.mov");
    return QByteArray(reinterpret_cast<const char*>(&d), sizeof d);
}

QByteArray bytesOf(const void* p, size_t n) {
    return QByteArray(static_cast<const char*>(p), qsizetype(n));
}

int file(KeloObject* kelo, const QByteArray& reply) {
    return fileStatusReply(kelo, reply.constData(), size_t(reply.size()), kNow);
}

class StatusReplyFiling : public ::testing::Test {
protected:
    void SetUp() override { kelo.setIsRunning(true); }
    KeloObject kelo;
};

TEST_F(StatusReplyFiling, FilesEachRecordIntoTheServer) {
    const QByteArray general = generalStatus(2);
    const QByteArray detail = layerDetail(200);
    const int changes =
        file(&kelo, statusReply({statusRecord(0x8800, general), statusRecord(0x8802, detail),
                                 previewRecord(0x8002, 320, 180, 1920, 1080, "JPEG")}));

    EXPECT_EQ(bytesOf(kelo.getGeneralStatusPtr(), sizeof(kle_general_stat)), general);
    EXPECT_EQ(kelo.generalStatusArrived(), kNow);
    EXPECT_EQ(bytesOf(kelo.layerDetail(1), sizeof(kle_layer_stat)), detail);
    EXPECT_EQ(kelo.layerStatus(1)->level, 200);

    KeloImage* image = kelo.layerImageAtIndex(1);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->imageData(), "JPEG");
    EXPECT_EQ(image->imageSize(), QSizeF(320, 180));
    EXPECT_EQ(image->originalSize(), QSizeF(1920, 1080));
    EXPECT_EQ(image->arrived(), kNow);
    EXPECT_EQ(kelo.changes().image, 1);
    // A new layer count makes the status news; the picture is news anyway.
    EXPECT_EQ(changes, ServerChanges::kImage | ServerChanges::kServer);

    // The same status again is no news.
    EXPECT_EQ(file(&kelo, statusReply({statusRecord(0x0001, general)})), 0);
}

TEST_F(StatusReplyFiling, PictureWithoutATargetEndsTheWalk) {
    // Output 40 has no picture; nothing after the record is filed.
    file(&kelo, statusReply({previewRecord(0x4028, 8, 8, 8, 8, "J"),
                             statusRecord(0x0001, generalStatus(2))}));
    EXPECT_EQ(kelo.generalStatusArrived(), 0);

    // Neither does a server that is not running have pictures.
    kelo.setIsRunning(false);
    file(&kelo, statusReply({previewRecord(0x8001, 8, 8, 8, 8, "J"),
                             statusRecord(0x0001, generalStatus(2))}));
    EXPECT_EQ(kelo.generalStatusArrived(), 0);
}

TEST_F(StatusReplyFiling, LayerWithoutASlotIsSkipped) {
    // The server numbers layers up to 1022; the object keeps 24.
    file(&kelo,
         statusReply({statusRecord(0x8BFF, layerDetail(9)), statusRecord(0x8819, layerDetail(9)),
                      statusRecord(0x0001, generalStatus(2))}));
    for (int layer = 0; layer < KeloObject::kLayerSlots; ++layer) {
        EXPECT_EQ(kelo.layerDetail(layer)->level, 0) << layer;
    }
    EXPECT_EQ(kelo.generalStatusArrived(), kNow);
}

TEST_F(StatusReplyFiling, LyingRecordKeepsWhatCameBefore) {
    file(&kelo, statusReply({statusRecord(0x8801, layerDetail(7)),
                             statusRecord(0x0001, generalStatus(2).left(455)),
                             statusRecord(0x8802, layerDetail(8))}));
    EXPECT_EQ(kelo.layerDetail(0)->level, 7);
    EXPECT_EQ(kelo.layerDetail(1)->level, 0);
    EXPECT_EQ(kelo.generalStatusArrived(), 0);
}

TEST(StatusReplyFilingWithoutServer, FilesNothing) {
    const QByteArray reply =
        statusReply({statusRecord(0x8801, layerDetail(7)), statusRecord(0x0001, generalStatus(2))});
    EXPECT_EQ(fileStatusReply(nullptr, reply.constData(), size_t(reply.size()), kNow), 0);
}

}  // namespace

KELO_TEST_MAIN()
