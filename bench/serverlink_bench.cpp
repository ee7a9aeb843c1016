#include "BenchSockets.h"
#include "app/KeloRemoteNotificationRoute.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "serverlink/BftpTransferMessage.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlDataSender.h"
#include "serverlink/KlEStatMessage.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/KlMsgNotificationDataCollector.h"
#include "serverlink/OmNetInterface.h"
#include "serverlink/StatusReplyWalker.h"
#include "serverlink/channels/StatusChannel.h"
#include "serverlink/keloLayerProgressRec.h"
#include "support/KeloServerSim.h"
#include "support/WireBuilders.h"

#include <turbojpeg.h>
#include <QtEndian>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

namespace {

// A link driven by hand: no timer, no interfaces, and ports of its own.
KlE_Control_Status::Options benchLinkOptions() {
    OmNetInterface::setInterfaceLister([] { return std::vector<OmInterfaceAddress>{}; });
    KlE_Control_Status::Options options;
    options.timer = false;
    options.citpPort = 44809;
    options.statusPort = 44810;
    options.prefsPort = 46437;
    return options;
}

// Sixteen mixes, as the outputs table would list them.
struct SixteenMixes : MixRectangleServices {
    std::vector<int> sortedMixIndexes(KeloObject&) override {
        std::vector<int> mixes;
        for (int m = 1; m <= 16; ++m) mixes.push_back(m);
        return mixes;
    }
};

// A busy version 4 server: 24 layers playing, 32 outputs and 16 mixes, with
// views drawing a spread of its pictures.
void setUpBusyServer(KeloObject& k) {
    static SixteenMixes mixes;
    MixRectangleServices::install(&mixes);
    k.setPrefsDict({});
    k.setIsRunning(true);
    kle_general_stat s{};
    s.vMajor = 4;
    s.layercount = 24;
    s.DMX_MasterCount = 32;
    for (int block = 0; block < 2; ++block) {
        s.flex_data = uint8_t(block);
        for (auto& l : s.flex_layer_stats) l.level = 200;
        k.setGeneralStatus(&s, sizeof s);
    }
}

void drawSomePictures(KeloObject& k) {
    for (int L = 0; L < 24; L += 3) k.layerImageAtIndex(L)->cg_image();
    for (int o = 0; o <= 32; o += 4) k.DMX_MasterImageAtIndex(o)->cg_image();
    for (int m = 1; m <= 16; m += 5) k.mixImageAtIndex(m)->cg_image();
}

void BM_KeloObjectRequest(benchmark::State& state) {
    KeloObject k;
    setUpBusyServer(k);
    int64_t n = 0;
    for (auto _ : state) {
        // Views redraw at 5 Hz while the poller asks at 30 Hz.
        if (n++ % 6 == 0) drawSomePictures(k);
        benchmark::DoNotOptimize(k.request());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeloObjectRequest);

void BM_KeloObjectRequestNothingWanted(benchmark::State& state) {
    KeloObject k;
    setUpBusyServer(k);
    for (auto _ : state) benchmark::DoNotOptimize(k.request());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeloObjectRequestNothingWanted);

// One status reply as a version 4 server sends it 30 times a second: general
// status, one layer detail and a 320x180 preview JPEG of layer 0.
QByteArray previewJpeg() {
    constexpr int w = 320, h = 180;
    std::vector<unsigned char> rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &rgb[(size_t(y) * w + x) * 3];
            p[0] = uint8_t(x * 255 / w);
            p[1] = uint8_t(y * 255 / h);
            p[2] = uint8_t((x * 7 + y * 13) & 0xFF);
        }
    }
    tjhandle tj = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &jpeg, &size, TJSAMP_420, 80, 0);
    QByteArray out(reinterpret_cast<const char*>(jpeg), qsizetype(size));
    tjFree(jpeg);
    tjDestroy(tj);
    return out;
}

void appendRecord(QByteArray& reply, uint16_t typeWord, const QByteArray& body) {
    char head[4];
    qToBigEndian<quint16>(uint16_t(body.size() + 4), head);
    qToBigEndian<quint16>(typeWord, head + 2);
    reply.append(head, 4).append(body);
}

QByteArray statusReplyWithPreview() {
    QByteArray reply = KlEStatMessage::statusRequest(0x8001);
    reply[11] = char(kKlEOpStatusReply);
    kle_general_stat s{};
    s.vMajor = 4;
    s.layercount = 4;
    appendRecord(reply, 0x8800, QByteArray(reinterpret_cast<const char*>(&s), sizeof s));
    kle_layer_stat d{};
    d.level = 255;
    appendRecord(reply, 0x8801, QByteArray(reinterpret_cast<const char*>(&d), sizeof d));
    const QByteArray jpeg = previewJpeg();
    char fields[10];
    for (int i = 0; i < 5; ++i) {
        const uint16_t v[] = {320, 180, 1920, 1080, uint16_t(jpeg.size())};
        qToBigEndian<quint16>(v[i], fields + 2 * i);
    }
    appendRecord(reply, 0x8001, QByteArray(fields, 10) + jpeg);
    return reply.append(2, '\0');
}

void BM_StatusReplyWalk(benchmark::State& state) {
    const QByteArray reply = statusReplyWithPreview();
    for (auto _ : state) {
        StatusReplyWalker walker(reply.constData(), size_t(reply.size()));
        StatusRecord r;
        int records = 0;
        while (walker.next(&r)) ++records;
        benchmark::DoNotOptimize(records);
    }
    state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_StatusReplyWalk);

// Filing the records into the server object and decoding the preview, as the
// receive hand-off and the next redraw do.
void BM_StatusReplyFileAndDecode(benchmark::State& state) {
    const QByteArray reply = statusReplyWithPreview();
    KeloObject k;
    k.setIsRunning(true);
    fileStatusReply(&k, reply.constData(), size_t(reply.size()), 1.0);
    if (k.layerImageAtIndex(0)->cg_image().isNull()) state.SkipWithError("preview did not decode");
    for (auto _ : state) {
        fileStatusReply(&k, reply.constData(), size_t(reply.size()), 1.0);
        benchmark::DoNotOptimize(k.layerImageAtIndex(0)->cg_image().constBits());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StatusReplyFileAndDecode);

// A preference dictionary as a simulated server sends it, read on the
// receive thread. While a server's dictionary is missing it is asked for
// every tick, so at warm-up a receive thread reads one per server per tick.
// Argument 0: every dictionary new (a serial number in the alias); 1: the
// same one again, as a late server sends it.
void BM_PrefsDictDecode(benchmark::State& state) {
    KeloServerSim::Config config;
    config.alias = "Stage 000000000";
    const QByteArray text =
        PropertyList::write(KeloServerSim::preferenceDictionary(config), PropertyList::Format::Xml);
    QByteArray reply = WireBuilders::serverMessage(WireBuilders::kPrefsDict, 0, text + '\0');
    if (StatusChannel::decodePrefsDict(reply.constData(), size_t(reply.size())).toMap().size() < 10)
        state.SkipWithError("dictionary did not decode");
    const qsizetype serialAt = reply.indexOf("000000000");
    uint32_t serial = 0;
    for (auto _ : state) {
        if (state.range(0) == 0) {
            const QByteArray digits = QByteArray::number(++serial).rightJustified(9, '0');
            std::memcpy(reply.data() + serialAt, digits.constData(), 9);
        }
        const QVariant decoded =
            StatusChannel::decodePrefsDict(reply.constData(), size_t(reply.size()));
        benchmark::DoNotOptimize(decoded.constData());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrefsDictDecode)->Arg(0)->Arg(1);

// One tick of the network singleton with 256 wanted running servers that
// have their preferences: a status request each. Argument 1 sends them
// through the socket to 127.0.0.x (run it in a loopback-only namespace),
// 0 measures the tick alone.
void BM_ControlStatusTick256(benchmark::State& state) {
    KlE_Control_Status::Options options = benchLinkOptions();
    int64_t bytes = 0;
    useSockets(options, state.range(0) == 0 ? &bytes : nullptr);
    KlE_Control_Status link(options);
    const QVariantMap prefs{{"a", QVariantMap{{"_value", "1"}}},
                            {"b", QVariantMap{{"_value", "2"}}}};
    for (uint32_t i = 0; i < 256; ++i) {
        KeloObject* kelo = link.addKeloForName(QString("Kelo %1").arg(i));
        kelo->setAddress(0x7F000002 + i, 0x7F000002 + i);
        kelo->setIsRunning(true);
        kelo->setPrefsDict(prefs);
    }
    link.updateAddresses();
    link.timerProc();
    for (auto _ : state) link.timerProc();
    state.SetItemsProcessed(int64_t(state.iterations()) * 256);
}
BENCHMARK(BM_ControlStatusTick256)->Arg(0)->Arg(1);

// What the status views do for one server at each 30 Hz redraw: the summary
// of all 32 layers, then the position as a time code and as a DMX value.
void BM_LayerProgressSummary32(benchmark::State& state) {
    std::vector<short_layer_status_2> status(32);
    std::vector<kle_layer_stat> detail(32);
    for (int L = 0; L < 32; ++L) {
        status[L].level = uint8_t(L % 2 ? 255 : 128);
        status[L].media_folder = detail[L].texlib = 1;
        status[L].media_file = detail[L].texnum = uint8_t(L);
        status[L].length.set(256 * 600);
        status[L].posn.set(uint32_t(256 * L * 7 + 77));
        status[L].out_pt.set(256 * 600);
        detail[L].level = status[L].level;
        detail[L].file_fps.set(L % 3 ? 7672 : 6400);
        detail[L].play_fps.set(7680);
        std::snprintf(detail[L].texname, sizeof detail[L].texname, "clip %02d.mov", L);
    }
    keloLayerProgressRec rec{};
    for (auto _ : state) {
        for (int L = 0; L < 32; ++L) {
            getLayerProgressInfo(&rec, &status[L], &detail[L], true);
            benchmark::DoNotOptimize(progressTimeString(rec.posn, &rec, 0));
            benchmark::DoNotOptimize(convertFrameCountToDmx(int(rec.posnFrames), &rec));
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 32);
}
BENCHMARK(BM_LayerProgressSummary32);

// Progress replies as a master sends them: names of varied length and 0-8
// receiver records.
std::vector<QByteArray> transferProgressReplies(int count) {
    std::vector<QByteArray> replies;
    replies.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        QByteArray r(56, '\0');
        r.append(QString::asprintf("folder %d/clip %d.mov", i % 17, i).toUtf8());
        r.append('\0');
        if (r.size() % 2) r.append('\0');
        const int m = i % 9;
        char field[12];
        qToBigEndian(uint16_t(m), field);
        r.append(field, 2);
        for (int k = 0; k < m; ++k) {
            qToBigEndian(uint32_t(0xC0000200 + k), field);
            qToBigEndian(fourCharCode("prog"), field + 4);
            qToBigEndian(uint32_t(k), field + 8);
            r.append(field, 12);
        }
        char* d = r.data();
        qToBigEndian(fourCharCode("BFTP"), d);
        qToBigEndian(uint32_t(r.size()), d + 4);
        qToBigEndian(uint32_t(66 + i / 100), d + 8);
        qToBigEndian(fourCharCode("prog"), d + 12);
        d[16] = 7;
        qToBigEndian(uint16_t(80), d + 20);
        qToBigEndian(uint16_t(i * 7), d + 22);
        qToBigEndian(fourCharCode("BFTp"), d + 32);
        replies.push_back(r);
    }
    return replies;
}

void BM_TransferProgressReplies10000(benchmark::State& state) {
    const std::vector<QByteArray> replies = transferProgressReplies(10000);
    BftpProgressReply reply;
    for (auto _ : state) {
        for (const QByteArray& r : replies) {
            uint32_t length = 0;
            if (BftpTransferMessage::readReplyHeader(r.constData(), &length) ||
                BftpTransferMessage::readReply(r.constData(), length, &reply)) {
                state.SkipWithError("reply refused");
                return;
            }
            benchmark::DoNotOptimize(reply);
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 10000);
}
BENCHMARK(BM_TransferProgressReplies10000);

}  // namespace

// A 1 MB content item reply in its 17 fragments, put back together as they
// arrive in order, and shuffled (which the collector refuses at the first
// fragment out of place).
static void BM_FragmentReassembly1MB(benchmark::State& state) {
    const bool shuffled = state.range(0) != 0;
    QByteArray payload(1 << 20, '\0');
    for (int i = 0; i < payload.size(); ++i) payload[i] = char(i * 7);
    _kle_v3_stat_data h = blank_stat;
    h.op = kKlEOpContentItemData;
    uint8_t header[sizeof h];
    std::memcpy(header, &h, sizeof h);
    std::vector<QByteArray> parts;
    KlDataSender::send(
        header, payload.constData(), uint32_t(payload.size()), [&](const uint8_t* d, size_t n) {
            parts.emplace_back(reinterpret_cast<const char*>(d) + 16, qsizetype(n - 18));
            return true;
        });
    if (shuffled) std::shuffle(parts.begin(), parts.end(), std::mt19937(7));
    int64_t complete = 0;
    for (auto _ : state) {
        KlMsgNotificationDataCollector collector;
        for (const QByteArray& part : parts) {
            if (auto message = collector.handleDataMsg(part)) {
                benchmark::DoNotOptimize(message->constData());
                ++complete;
            }
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * payload.size());
    state.counters["fragments"] = double(parts.size());
    state.counters["complete"] = double(complete) / double(state.iterations());
}
BENCHMARK(BM_FragmentReassembly1MB)->Arg(0)->Arg(1);

namespace {

// 10,000 preference changes as the Preferences editor makes them: a
// "KeloRemoteNotification" of type 2 each, turned into a set-preference
// datagram. Argument 1 sends them through the socket to 127.0.0.2 (run it in
// a loopback-only namespace), 0 stops at the send seam.
void BM_PreferenceChanges10000(benchmark::State& state) {
    KlE_Control_Status::Options options = benchLinkOptions();
    int64_t bytes = 0;
    useSockets(options, state.range(0) == 0 ? &bytes : nullptr);
    KlE_Control_Status link(options);
    // The program's own route, so that the figure includes its dispatch.
    KeloRemoteNotificationRoute route(link);
    KeloObject* kelo = link.addKeloForName("Kelo Bench");
    kelo->setAddress(0x7F000002, 0x7F000002);
    kelo->setIsRunning(true);
    QVariantMap prefs;
    for (int i = 0; i < 200; ++i)
        prefs.insert(QString("pref%1").arg(i), QVariantMap{{"_type", "s"}, {"_value", "0"}});
    kelo->setPrefsDict(prefs);
    link.timerProc();
    std::vector<QVariantMap> notes;
    for (int i = 0; i < 10000; ++i) {
        notes.push_back({{"type", 2},
                         {"fixtureName", "Kelo Bench"},
                         {"prefName", QString("pref%1").arg(i % 200)},
                         {"prefValue", QString::number(i)}});
    }
    NotificationCenter& centre = NotificationCenter::defaultCenter();
    for (auto _ : state) {
        for (const QVariantMap& note : notes) centre.post("KeloRemoteNotification", nullptr, note);
    }
    benchmark::DoNotOptimize(bytes);
    state.SetItemsProcessed(int64_t(state.iterations()) * 10000);
}
BENCHMARK(BM_PreferenceChanges10000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
