#include "serverlink/KeloObject.h"

#include "support/TestMain.h"

#include <functional>

#include <QBuffer>
#include <QPainter>

#include <map>
#include <vector>

namespace {

double gNow = 800000000.0;

// Mix services that answer the mix indexes a test chooses.
struct MixIndexes : MixRectangleServices {
    std::function<std::vector<int>()> indexes;
    std::vector<int> sortedMixIndexes(KeloObject&) override {
        return indexes ? indexes() : std::vector<int>{};
    }
};

class KeloRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        gNow = 800000000.0;
        KeloObject::setClock([] { return gNow; });
        KeloObject::setLiveImageFeedbackEnabled(true);
        MixRectangleServices::install(&mixes);
    }
    void TearDown() override {
        KeloObject::setClock({});
        KeloObject::setLiveImageFeedbackEnabled(true);
        MixRectangleServices::install(nullptr);
    }

    MixIndexes mixes;

    // A running server with `layers` visible layers at full level.
    static void setUp(KeloObject& k, int major, int layers, int outputs = 0, int profile = 16) {
        kle_general_stat s{};
        s.vMajor = uint8_t(major);
        s.layercount = uint8_t(layers);
        s.DMX_MasterCount = uint8_t(outputs);
        s.profile = uint8_t(profile);
        for (int i = 0; i < std::min(layers, 14); ++i) s.flex_layer_stats[i].level = 255;
        ASSERT_TRUE(k.setGeneralStatus(&s, sizeof s));
        k.setGeneralStatusArrived(gNow);
        k.setIsRunning(true);
    }

    static std::vector<KlReqV4> requests(KeloObject& k, int n) {
        std::vector<KlReqV4> out;
        for (int i = 0; i < n; ++i) out.push_back(k.request());
        return out;
    }
};

const KlReqV4 kStatus{1, 0, 0};
const KlReqV4 kGlobal{0x4000, 0, 0};

QByteArray jpegOf(int w, int h, QColor top, QColor bottom) {
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(0, 0, w, h / 2, top);
    p.fillRect(0, h / 2, w, h - h / 2, bottom);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(img.save(&buffer, "JPEG", 95));
    return bytes;
}

}  // namespace

TEST_F(KeloRequestTest, RequestWords) {
    EXPECT_EQ((KlReqV4{0, 5, 7}).requestWord(), 0);
    EXPECT_EQ((KlReqV4{1, 5, 7}).requestWord(), 1);
    EXPECT_EQ((KlReqV4{2, 0x505, 7}).requestWord(), 0x505);
    EXPECT_EQ((KlReqV4{0x8000, 3, 0x400}).requestWord(), 0x8403);
}

TEST_F(KeloRequestTest, WithoutLiveFeedbackOnlyPlainStatus) {
    KeloObject k;
    setUp(k, 4, 4, 2);
    k.layerImageAtIndex(0)->cg_image();
    k.DMX_MasterImageAtIndex(0)->cg_image();
    KeloObject::setLiveImageFeedbackEnabled(false);
    for (const KlReqV4& r : requests(k, 12)) EXPECT_EQ(r, kStatus);
    EXPECT_EQ(k.layerImageAtIndex(0), nullptr);
    EXPECT_EQ(k.DMX_MasterImageAtIndex(0), nullptr);
    EXPECT_EQ(k.mixImageAtIndex(1), nullptr);
    EXPECT_EQ(k.imageWithRequest({0x8000, 1, 0}), nullptr);
}

TEST_F(KeloRequestTest, PictureDrawnOnceIsAskedForOnFourMoreTurns) {
    KeloObject k;
    setUp(k, 4, 0, 0);
    EXPECT_EQ(k.request(), kStatus) << "nothing wanted";
    k.DMX_MasterImageAtIndex(0)->cg_image();
    const std::vector<KlReqV4> want{kGlobal, kGlobal, kGlobal, kGlobal, kStatus, kStatus};
    EXPECT_EQ(requests(k, 6), want);
}

TEST_F(KeloRequestTest, Version3LayersUseThePackedForm) {
    KeloObject k;
    setUp(k, 3, 4);
    k.layerImageAtIndex(2)->cg_image();
    const auto got = requests(k, 4);
    EXPECT_EQ(got[3], (KlReqV4{2, 0x505, 0}));
    EXPECT_EQ(got[3].requestWord(), 0x0505);
    EXPECT_EQ(k.imageWithRequest(got[3]), k.layerImageAtIndex(2));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(got[i], kStatus) << "layers only on every 4th turn";
}

TEST_F(KeloRequestTest, Version3AndOlderOutputs) {
    KeloObject k3;
    setUp(k3, 3, 0);
    k3.DMX_MasterImageAtIndex(0)->cg_image();
    EXPECT_EQ(k3.request(), (KlReqV4{2, 0x101, 0}));
    EXPECT_EQ(k3.imageWithRequest({2, 0x101, 0}), k3.DMX_MasterImageAtIndex(0));

    KeloObject k2;
    setUp(k2, 2, 4);
    for (int i = 0; i < 4; ++i) k2.layerImageAtIndex(i)->cg_image();
    for (const KlReqV4& r : requests(k2, 8)) EXPECT_EQ(r, kStatus) << "no layer pictures below 3";
}

TEST_F(KeloRequestTest, LayersRoundRobinSkippingHiddenAndDark) {
    KeloObject k;
    kle_general_stat s{};
    s.vMajor = 4;
    s.layercount = 5;
    s.flex_layer_stats[0].level = 255;
    s.flex_layer_stats[1].level = 0;  // dark
    s.flex_layer_stats[2].level = 10;
    s.flex_layer_stats[2].flags = 0x80;  // not shown
    s.flex_layer_stats[3].level = 10;
    s.flex_layer_stats[4].level = 10;
    ASSERT_TRUE(k.setGeneralStatus(&s, sizeof s));
    k.setIsRunning(true);
    std::vector<uint16_t> layers;
    for (int turn = 0; turn < 6; ++turn) {
        for (int i = 0; i < 5; ++i) k.layerImageAtIndex(i)->cg_image();
        const auto got = requests(k, 4);
        ASSERT_EQ(got[3].type, 0x8000);
        layers.push_back(got[3].num);
    }
    EXPECT_EQ(layers, (std::vector<uint16_t>{1, 4, 5, 1, 4, 5}));
}

TEST_F(KeloRequestTest, OutputsAndMixesRoundRobinWithTheGlobalSurface) {
    KeloObject k;
    setUp(k, 4, 0, 3);
    k.setPrefsDict({{"mixes", QVariantMap()}});
    mixes.indexes = [] { return std::vector<int>{0, 2, 5}; };
    ASSERT_NE(k.mixImageAtIndex(2), nullptr);
    EXPECT_EQ(k.mixImagesMax(), 6);
    EXPECT_EQ(k.mixImageAtIndex(3), nullptr) << "no such mix";
    EXPECT_EQ(k.mixImageAtIndex(5)->keloObjectImageIndex(), 5);
    EXPECT_EQ(k.mixImageAtIndex(0), nullptr);

    std::map<std::pair<int, int>, int> counts;
    for (int i = 0; i < 70; ++i) {
        // Views keep drawing output 1, output 3, mix 5 and the global surface.
        k.DMX_MasterImageAtIndex(1)->cg_image();
        k.DMX_MasterImageAtIndex(3)->cg_image();
        k.mixImageAtIndex(5)->cg_image();
        k.DMX_MasterImageAtIndex(0)->cg_image();
        const KlReqV4 r = k.request();
        ++counts[std::make_pair(int(r.type), int(r.num))];
    }
    const std::map<std::pair<int, int>, int> want{
        {{0x4000, 0}, 10},  // the global surface every seventh turn
        {{0x4000, 1}, 20},
        {{0x4000, 3}, 20},
        {{0x2000, 5}, 20},
    };
    EXPECT_EQ(counts, want);
}

TEST_F(KeloRequestTest, RepliesFindTheirPicture) {
    KeloObject k;
    setUp(k, 4, 4, 2);
    const struct {
        KlReqV4 req;
        KeloImage* image;
    } cases[] = {
        {{0x8000, 1, 0}, k.layerImageAtIndex(0)},
        {{0x8000, 24, 0}, k.layerImageAtIndex(23)},
        {{0x8000, 0, 0}, nullptr},
        {{0x8000, 25, 0}, nullptr},
        {{0x8000, 1023, 0}, nullptr},
        {{0x4000, 0, 0}, k.DMX_MasterImageAtIndex(0)},
        {{0x4000, 32, 0}, k.DMX_MasterImageAtIndex(32)},
        {{0x4000, 33, 0}, nullptr},
        {{0x2000, 1, 0}, nullptr},
        {{2, 0x101, 0}, k.DMX_MasterImageAtIndex(0)},
        {{2, 0x201, 0}, k.DMX_MasterImageAtIndex(1)},
        {{2, 0xF0F, 0}, k.layerImageAtIndex(12)},
        {{2, 0x005, 0}, nullptr},
        {{1, 0, 0}, nullptr},
        {{0, 0, 0}, nullptr},
        {{0x1000, 1, 0}, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(k.imageWithRequest(c.req), c.image) << std::hex << c.req.type << " " << c.req.num;
    }
    EXPECT_NE(k.layerImageAtIndex(0), nullptr);
    k.setIsRunning(false);
    EXPECT_EQ(k.imageWithRequest({0x8000, 1, 0}), nullptr) << "not running";
}

TEST_F(KeloRequestTest, FreshPicturesOnly) {
    KeloObject k;
    setUp(k, 4, 1);
    const KlReqV4 req{0x8000, 1, 0};
    EXPECT_EQ(k.freshImageWithRequest(req), nullptr) << "never arrived";
    k.imageWithRequest(req)->setArrived(gNow - 6.0);
    EXPECT_EQ(k.freshImageWithRequest(req), nullptr);
    k.imageWithRequest(req)->setArrived(gNow - 1.0);
    EXPECT_EQ(k.freshImageWithRequest(req), k.layerImageAtIndex(0));
}

TEST_F(KeloRequestTest, ViewRequestsByProfile) {
    KeloObject k;
    setUp(k, 4, 4, 2, 10);
    KlReqV4 r;
    k.imageRequest_V4(&r, 3, 1, 2, -1);
    EXPECT_EQ(r, kGlobal) << "profiles 1-15 have only the global surface";
    k.imageRequest_V4(nullptr, 3, 1, 2, -1);

    setUp(k, 4, 4, 2, 16);
    k.imageRequest_V4(&r, 3, 1, 2, -1);
    EXPECT_EQ(r, (KlReqV4{0x8000, 3, 0}));
    k.imageRequest_V4(&r, 0, 1, 2, -1);
    EXPECT_EQ(r, (KlReqV4{0x2000, 2, 0}));
    k.imageRequest_V4(&r, 0, 1, 0, -1);
    EXPECT_EQ(r, (KlReqV4{0x4000, 1, 0}));
}

TEST_F(KeloRequestTest, MixListRebuildRulesAndBounds) {
    KeloObject k;
    setUp(k, 4, 0, 0);
    int calls = 0;
    std::vector<int> indexes{1, 100000};
    mixes.indexes = [&] {
        ++calls;
        return indexes;
    };
    EXPECT_EQ(k.mixImageAtIndex(1), nullptr) << "no preferences yet";
    EXPECT_EQ(calls, 0);
    k.setPrefsDict({});
    ASSERT_NE(k.mixImageAtIndex(1), nullptr);
    EXPECT_EQ(k.mixImagesMax(), KeloObject::kMaxMixImages) << "a wild mix index is capped";
    EXPECT_EQ(k.mixImageAtIndex(100000), nullptr);

    KeloImage* first = k.mixImageAtIndex(1);
    k.rereadMixesIfWanted();
    EXPECT_TRUE(k.cachedSortedMixesNeedsUpdate());
    EXPECT_EQ(k.mixImagesMax(), 0);
    indexes = {1, 2};
    EXPECT_EQ(k.mixImageAtIndex(1), first) << "pictures survive a rebuild";
    EXPECT_EQ(calls, 2);

    indexes = {};
    k.rereadMixesIfWanted();
    EXPECT_EQ(k.mixImageAtIndex(1), nullptr);
    EXPECT_EQ(k.mixImageAtIndex(1), nullptr);
    EXPECT_EQ(calls, 3) << "an empty list is not asked for again within 5 s";
    gNow += 5.5;
    k.mixImageAtIndex(1);
    EXPECT_EQ(calls, 4);
}

TEST_F(KeloRequestTest, ServerClaimsBeyondTheArraysStayInBounds) {
    for (int major : {3, 4}) {
        KeloObject k;
        kle_general_stat s{};
        s.vMajor = uint8_t(major);
        s.layercount = 255;
        s.DMX_MasterCount = 255;
        s.flags = 0x07;
        for (int block = 0; block < 5; ++block) {
            s.flex_data = uint8_t(block);
            for (auto& l : s.flex_layer_stats) l.level = 255;
            ASSERT_TRUE(k.setGeneralStatus(&s, sizeof s));
        }
        k.setIsRunning(true);
        for (int i = 0; i < 200; ++i) {
            for (int L = 0; L < 24; ++L) k.layerImageAtIndex(L)->cg_image();
            for (int o = 0; o <= 32; ++o) k.DMX_MasterImageAtIndex(o)->cg_image();
            const KlReqV4 r = k.request();
            ASSERT_NE(r.type, 0);
            EXPECT_NE(k.imageWithRequest(r) != nullptr, r == kStatus)
                << "version " << major << ": " << std::hex << r.type << " " << r.num;
        }
    }
}

TEST_F(KeloRequestTest, ReceivedPreviewDecodesAtTheOriginalsAspect) {
    KeloObject k;
    setUp(k, 4, 1);
    KeloImage* image = k.imageWithRequest({0x8000, 1, 0});
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->cg_image().isNull()) << "nothing received yet";

    const struct {
        QSizeF imageSize, originalSize;
        QSize want;
    } cases[] = {
        {{160, 90}, {1920, 1080}, {160, 90}},
        {{160, 90}, {1440, 1080}, {120, 90}},   // 4:3 original: narrower
        {{160, 120}, {1920, 1080}, {160, 90}},  // 16:9 original: flatter
        {{160, 90}, {0, 0}, {160, 90}},         // no original size: as received
    };
    for (const auto& c : cases) {
        image->setImageData(
            jpegOf(int(c.imageSize.width()), int(c.imageSize.height()), Qt::red, Qt::blue));
        image->setImageSize(c.imageSize);
        image->setOriginalSize(c.originalSize);
        const QImage got = image->cg_image();
        EXPECT_EQ(got.size(), c.want);
        EXPECT_TRUE(image->imageData().isEmpty()) << "data is dropped once decoded";
        EXPECT_GT(qRed(got.pixel(2, 2)), 200);
        EXPECT_GT(qBlue(got.pixel(2, got.height() - 3)), 200);
    }

    const QImage good = image->cg_image();
    QByteArray cut = jpegOf(160, 90, Qt::green, Qt::green);
    cut.truncate(cut.size() / 2);
    image->setImageData(cut);
    EXPECT_EQ(image->cg_image(), good) << "a damaged frame keeps the last good picture";
    image->setImageData(jpegOf(160, 90, Qt::green, Qt::green));
    image->setImageSize({160, 90});
    image->setOriginalSize({65535, 1});
    EXPECT_EQ(image->cg_image(), good) << "an absurd aspect is refused";
}

TEST_F(KeloRequestTest, WantedCountdownAndDrawing) {
    KeloImage image;
    EXPECT_EQ(image.wanted(), 0);
    image.spendWanted();
    EXPECT_EQ(image.wanted(), 0) << "0 stays 0";
    image.cg_image();
    EXPECT_EQ(image.wanted(), 5);
    EXPECT_EQ(image.wanted(), 5) << "asking spends nothing";
    image.spendWanted();
    EXPECT_EQ(image.wanted(), 4);
    image.cv_image();
    EXPECT_EQ(image.wanted(), 5);

    const QRectF frame(10, 10, 200, 100);
    EXPECT_EQ(image.getCenteredRect(frame), frame) << "no picture";
    image.setImageData(jpegOf(64, 64, Qt::red, Qt::blue));
    image.setImageSize({64, 64});
    image.setOriginalSize({100, 100});
    EXPECT_EQ(image.getCenteredRect(frame), QRectF(60, 10, 100, 100));

    QImage canvas(64, 64, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter p(&canvas);
    image.drawInContext(p, QRectF(0, 0, 64, 64), true);
    p.end();
    EXPECT_GT(qBlue(canvas.pixel(32, 4)), 200) << "flipped: the bottom shows at the top";
    EXPECT_GT(qRed(canvas.pixel(32, 60)), 200);

    image.setImageData(jpegOf(32, 16, Qt::red, Qt::red));
    image.setImageSize({32, 16});
    EXPECT_EQ(image.cv_image().size(), QSize(32, 16));
    EXPECT_TRUE(KeloImage::imageWithResourceNamed("no such resource")->imageData().isEmpty());
}

KELO_TEST_MAIN()
