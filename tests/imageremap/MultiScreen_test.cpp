// The multi-screen engine's geometry, read back from its buffers (no GL
// context: it builds and draws nothing).

#include "imageremap/MultiScreen.h"

#include "support/TestMain.h"

#include <gtest/gtest.h>

#include <array>
#include <map>

namespace {

QVariantMap control(int parameter, double scale, double offset = 0, int address = 0, int format = 2,
                    QVariant universe = qint64(0)) {
    return {{"parameter", qint64(parameter)}, {"scale", scale},           {"offset", offset},
            {"address", qint64(address)},     {"format", qint64(format)}, {"universe", universe}};
}

QVariantMap rectScreen(const char* active, QVariantList controls = {}, const char* tex = nullptr) {
    QVariantMap s{{"activeRect", active}, {"ortho", qint64(1)}, {"controls", controls}};
    if (tex) s["texRect"] = tex;
    return s;
}

struct Host {
    std::map<int, std::array<uint8_t, 512>> universes;
    std::vector<multiscreen_report> reports;
    int diskAsks = 0;
    static int callback(void* host, void* data, int op) {
        auto* h = static_cast<Host*>(host);
        if (op == 12) {
            auto* u = static_cast<multiscreen_universe*>(data);
            const auto it = h->universes.find(u->number);
            if (it != h->universes.end()) {
                u->bytes = it->second.data();
                u->size = it->second.size();
            }
        } else if (op == 16) {
            h->reports.push_back(*static_cast<multiscreen_report*>(data));
        } else if (op == 13) {
            ++h->diskAsks;
            return -1;
        }
        return 0;
    }
};

class Engine : public ::testing::Test {
protected:
    void TearDown() override {
        multiscreen(nullptr, &state, nullptr, nullptr, 0, kMultiScreenFree);
    }

    // Draws configuration 0 of a document whose only configuration has these screens.
    void draw(const QVariantList& screens, const QVariantMap& extra = {}) {
        QVariantMap doc{{"configurations", QVariantList{QVariantMap{{"texSize", "{200, 100}"},
                                                                    {"screens", screens}}}},
                        {"universes", QVariantList{"0", "7"}}};
        for (auto it = extra.begin(); it != extra.end(); ++it) doc[it.key()] = it.value();
        rec.document = PlistNode::fromVariant(doc);
        ++rec.documentVersion;
        redraw();
    }
    void redraw() {
        host.reports.clear();
        multiscreen(&rec, &state, &host, &Host::callback, 0, kMultiScreenDraw);
    }
    const std::vector<multiscreen_vertex>& v() const { return multiscreenVertices(state); }
    // The screen at `i` of the document drawn.
    const PlistNode* screen(int i) const {
        return rec.document->value("configurations")->at(0)->value("screens")->at(i).get();
    }

    multiscreen_rec rec = [] {
        multiscreen_rec r;
        r.textureWidth = 200;
        r.textureHeight = 100;
        r.layerWord = 2;
        return r;
    }();
    multi_vars* state = nullptr;
    Host host;
};

TEST_F(Engine, ParameterTableKeepsItsOrder) {
    const auto* rows = static_cast<const p_desc*>(
        multiscreen(nullptr, nullptr, nullptr, nullptr, 0, kMultiScreenParameters));
    int n = 0;
    while (rows[n].name) ++n;
    EXPECT_EQ(n, 33);
    EXPECT_STREQ(rows[27].name, "RGB");
    EXPECT_EQ(rows[28].parameter, 34);
    EXPECT_STREQ(rows[32].name, "Expand");
}

TEST_F(Engine, RectangleScreenGeometryAndTexture) {
    draw({rectScreen("{{10, 20}, {30, 40}}", {}, "{{5, 6}, {50, 60}}")});
    ASSERT_EQ(v().size(), 4u);
    EXPECT_EQ(multiscreenOrthoIndices(state), (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    // Positions (x0,y0) (x0,y1) (x1,y1) (x1,y0); texture L=5-100, T=50-6.
    const float expected[4][4] = {
        {10, 20, -95, 44}, {10, 60, -95, -16}, {40, 60, -45, -16}, {40, 20, -45, 44}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_FLOAT_EQ(v()[k].x, expected[k][0]) << k;
        EXPECT_FLOAT_EQ(v()[k].y, expected[k][1]) << k;
        EXPECT_FLOAT_EQ(v()[k].s, expected[k][2]) << k;
        EXPECT_FLOAT_EQ(v()[k].t, expected[k][3]) << k;
        EXPECT_FLOAT_EQ(v()[k].a, 1) << k;
    }
}

// Position controls add up, the last Dimmer wins, gain controls multiply and
// carry to later screens, as do the origin and expand values.
TEST_F(Engine, ControlsCombineAndCarry) {
    host.universes[0][0] = 10;
    host.universes[0][1] = 5;
    host.universes[0][2] = 51;
    draw({rectScreen("{{0, 0}, {10, 10}}",
                     {control(2, 1.0, 0, 0), control(2, 1.0, 0, 1), control(4, 1.0, 0.5, 99, 7),
                      control(4, 1.0 / 255, 0, 2), control(17, 0, 2), control(17, 0, 1.5),
                      control(41, 0, 100)}),
          rectScreen("{{0, 0}, {10, 10}}", {control(2, 1.0, 0, 1)})});
    ASSERT_EQ(v().size(), 8u);
    // Screen 1: (10 + 5) x gain 3, + origin 100; dimmer 51/255 = 0.2.
    EXPECT_FLOAT_EQ(v()[0].x, 145);
    EXPECT_FLOAT_EQ(v()[0].r, 0.2f);
    // Screen 2: 5 x gain 3 + origin 100, full colour.
    EXPECT_FLOAT_EQ(v()[4].x, 115);
    EXPECT_FLOAT_EQ(v()[4].r, 1);
}

TEST_F(Engine, FormatsDecodeBigEndianAndMissingBytesTakeFixedValues) {
    host.universes[0] = {};
    host.universes[0][0] = 0x80;
    host.universes[0][1] = 0x01;
    host.universes[0][2] = 0xFF;
    host.universes[0][3] = 0xFE;
    const struct {
        int format;
        QVariant universe;
        int address;
        double expected;  // X Position = raw
    } cases[] = {
        {0, qint64(0), 0, double(int32_t(0x8001FFFE))},
        {1, qint64(0), 0, 1},
        {2, qint64(0), 2, 255},
        {3, qint64(0), 2, 127},
        {4, qint64(0), 2, 128},
        {5, qint64(0), 0, 0x8001},
        {9, qint64(0), 0, 0},
        // No bytes: the format's fixed value.
        {1, qint64(-1), 0, 32512},
        {3, qint64(5), 0, 128},
        {4, qint64(1), 0, 127},  // universe 7 has no bytes from the host
        // Past the end of the universe's 512 bytes.
        {0, qint64(0), 510, 0},
        {1, qint64(0), 511, 32512},
    };
    for (const auto& c : cases) {
        draw({rectScreen("{{0, 0}, {10, 10}}",
                         {control(2, 1.0, 0, c.address, c.format, c.universe)})});
        ASSERT_EQ(v().size(), 4u);
        EXPECT_FLOAT_EQ(v()[0].x, float(c.expected)) << c.format << " @" << c.address;
    }
}

TEST_F(Engine, ScaleZeroGivesTheClampedOffsetAndCanHide) {
    draw({rectScreen(
        "{{0, 0}, {10, 10}}",
        {QVariantMap{
            {"parameter", qint64(2)}, {"scale", 0.0}, {"offset", 50.0}, {"min_max", "{0, 20}"}}})});
    ASSERT_EQ(v().size(), 4u);
    EXPECT_FLOAT_EQ(v()[0].x, 20);
    draw({rectScreen("{{0, 0}, {10, 10}}", {control(12, 0)}),
          rectScreen("{{0, 0}, {10, 10}}", {control(5, 0)})});
    EXPECT_TRUE(v().empty()) << "disabled, and transparent";
}

TEST_F(Engine, FlipThreeWithRotateTwoMapsAsNeither) {
    auto texture = [&](int flip, int rot) {
        draw({rectScreen("{{0, 0}, {10, 10}}", {control(11, 0, flip), control(10, 0, rot)},
                         "{{1, 2}, {3, 4}}")});
        std::vector<std::pair<float, float>> st;
        for (const auto& x : v()) st.emplace_back(x.s, x.t);
        return st;
    };
    EXPECT_EQ(texture(3, 2), texture(0, 0));
    EXPECT_NE(texture(1, 0), texture(0, 0));
}

TEST_F(Engine, RepeatsStepAndAreBounded) {
    draw({rectScreen("{{0, 0}, {10, 10}}",
                     {control(24, 0, 3), control(29, 0, 20), control(26, 0, 5)})});
    ASSERT_EQ(v().size(), 12u);
    EXPECT_FLOAT_EQ(v()[8].x, 40);
    EXPECT_FLOAT_EQ(v()[8].y, 10);
    EXPECT_FLOAT_EQ(v()[8].s - v()[0].s, 40);

    // 2^31 copies would never finish: they stop at the limit.
    draw({rectScreen("{{0, 0}, {10, 10}}", {control(24, 0, 2147483648.0)})});
    EXPECT_EQ(v().size(), 4u * 1024);

    // None at all, but the highlighted screen still reports.
    draw({rectScreen("{{7, 8}, {10, 10}}", {control(24, 0, 0)})});
    rec.highlight = screen(0);
    redraw();
    EXPECT_TRUE(v().empty());
    ASSERT_EQ(host.reports.size(), 1u);
    EXPECT_FLOAT_EQ(host.reports[0].x, 7);
    EXPECT_FLOAT_EQ(host.reports[0].markX, -99999);
}

TEST_F(Engine, HighlightKeepsItsScreenVisibleAndDimsTheOthers) {
    draw({rectScreen("{{0, 0}, {10, 10}}", {control(4, 0, 0)}), rectScreen("{{0, 0}, {10, 10}}")});
    rec.highlight = screen(0);
    redraw();
    ASSERT_EQ(v().size(), 8u);
    EXPECT_FLOAT_EQ(v()[0].r, 0.1f) << "dimmer held at 0.1";
    EXPECT_FLOAT_EQ(v()[4].r, 0.5f) << "half tint";
    EXPECT_FLOAT_EQ(v()[4].a, 1);
    ASSERT_EQ(host.reports.size(), 1u);
}

TEST_F(Engine, AbortStopsThisAndEveryLaterScreen) {
    draw({rectScreen("{{0, 0}, {10, 10}}"), rectScreen("{{0, 0}, {10, 10}}", {control(14, 0, 0.6)}),
          rectScreen("{{0, 0}, {10, 10}}")});
    EXPECT_EQ(v().size(), 4u);
}

TEST_F(Engine, PolygonScreensFanOrStripTheirReadableVertices) {
    QVariantMap fan{
        {"ortho", qint64(1)},
        {"tmode", "1"},
        {"vertexindex", qint64(1)},
        {"vertices", QVariantList{"{10,20}", "{1,2,3,4}", "{30,20,0,0,0}", "{30,40}", "{10,40}"}}};
    draw({fan});
    ASSERT_EQ(v().size(), 4u) << "the four-number vertex is skipped";
    EXPECT_EQ(multiscreenOrthoIndices(state), (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_FLOAT_EQ(v()[0].z, 0);
    EXPECT_FLOAT_EQ(v()[0].s, 10 - 100);
    EXPECT_FLOAT_EQ(v()[0].t, 50 - 20);
    rec.highlight = screen(0);
    redraw();
    ASSERT_EQ(host.reports.size(), 1u);
    EXPECT_FLOAT_EQ(host.reports[0].markX, -99999) << "row 1 is no vertex";
    EXPECT_FLOAT_EQ(host.reports[0].textureX, 10);
    EXPECT_FLOAT_EQ(host.reports[0].textureY, 20);

    QVariantMap strip = fan;
    strip["tmode"] = "0";
    strip["vertices"] = QVariantList{"{0,0}", "{1,0}", "{0,1}", "{1,1}"};
    rec.highlight = nullptr;
    draw({strip});
    EXPECT_EQ(multiscreenOrthoIndices(state), (std::vector<uint32_t>{0, 1, 2, 2, 1, 3}));
}

TEST_F(Engine, PerspectiveScreensGoToTheirOwnListAboutTheDisplayCentre) {
    QVariantMap s = rectScreen("{{100, 50}, {10, 10}}");
    s["ortho"] = qint64(0);
    draw({s});
    EXPECT_TRUE(multiscreenOrthoIndices(state).empty());
    EXPECT_EQ(multiscreenPerspectiveIndices(state).size(), 6u);
    EXPECT_FLOAT_EQ(v()[0].x, 0) << "display size = texture size 200 x 100";
    EXPECT_FLOAT_EQ(v()[0].y, 0);
}

TEST_F(Engine, RgbControlsReadTheirOwnBytes) {
    auto& u = host.universes[0];
    u = {};
    u[10] = 255;
    u[11] = 0;
    u[12] = 51;
    u[13] = 102;
    draw({rectScreen("{{0, 0}, {10, 10}}", {control(34, 1, 0, 10)})});
    ASSERT_EQ(v().size(), 4u);
    EXPECT_FLOAT_EQ(v()[0].r, 1);
    EXPECT_FLOAT_EQ(v()[0].g, 0.4f);
    EXPECT_FLOAT_EQ(v()[0].b, 0.6f);
    draw({rectScreen("{{0, 0}, {10, 10}}", {control(35, 1, 0, 510)})});
    EXPECT_FLOAT_EQ(v()[0].r, 1) << "three bytes past the end: nothing read";
}

// Configuration 255 reads the document from disk; this host has no folder,
// so nothing is drawn, and going back draws the record's document again.
TEST_F(Engine, DiskConfigurationAndBackAgain) {
    draw({rectScreen("{{0, 0}, {10, 10}}")});
    ASSERT_EQ(v().size(), 4u);
    rec.configuration = 255;
    redraw();
    EXPECT_EQ(host.diskAsks, 1);
    EXPECT_TRUE(v().empty());
    rec.configuration = 0;
    redraw();
    EXPECT_EQ(v().size(), 4u);
    rec.configuration = 9;  // out of range: configuration 0
    redraw();
    EXPECT_EQ(v().size(), 4u);
}

}  // namespace

KELO_TEST_MAIN()
