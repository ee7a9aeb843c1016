// The mix table's work on every poll of the edited server: the table written
// as a "mixes" dictionary, compared with the server's copy, and the
// old-style text of an edit. A layout of 32 outputs and 300 mixes.
#include "outputs/MixRectangle.h"
#include "platform/PropertyList.h"

#include <benchmark/benchmark.h>

namespace {

QVariantMap layout() {
    QVariantMap d{{"000", QVariantMap{{"rect", "0,0,16384,4320"}, {"name", "global surface"},
                                      {"kKlMixVersion", "4100"}}}};
    for (int i = 1; i <= 32; ++i) {
        d.insert(QString::asprintf("%03d", i),
                 QVariantMap{{"rect", QString("%1,0,1920,1080").arg((i - 1) * 440)},
                             {"name", QString::asprintf("Output %03d (Master%d)", i, i + 1)},
                             {"screen_index", QString::number(i)},
                             {"is_output", "1"},
                             {"master_num", QString::number(i + 1)},
                             {"screen_uid", QString::number(1000 + i)},
                             {"screen_uuid", QString("uuid-%1").arg(i)},
                             {"unique_ui_color_id", QString::number(i)},
                             {"custom_color", "127,127,127"},
                             {"mix_rotation", i % 4 ? "0" : "90"}});
    }
    for (int i = 33; i < 333; ++i) {
        QVariantMap e{{"rect", QString("%1,%2,640,360").arg((i % 20) * 700).arg((i / 20) * 200)},
                      {"name", QString("Mix %1").arg(i)},
                      {"unique_ui_color_id", QString::number(i)},
                      {"custom_color", "40,80,160"},
                      {"fit_mode", QString::number(i % 4)}};
        if (i % 3 == 0) {
            e.insert("parent", QString::number(33 + i % 7));
            e.insert("rect", QString("%1,%2,320,180").arg(i % 50).arg(i % 30));
        }
        if (i % 10 == 0) e.insert("multi_mix", QVariantList{"34", "35"});
        d.insert(QString::asprintf("%03d", i), e);
    }
    return d;
}

class Table : public benchmark::Fixture {
public:
    void SetUp(const benchmark::State&) override {
        MixRectangle::removeAll();
        MixRectangle::configureWithDictionary(layout());
        server = MixRectangle::rebuildDict();
    }
    QVariantMap server;
};

// A poll with nothing changed on either side: what runs most.
BENCHMARK_F(Table, PollUnchanged)(benchmark::State& state) {
    const QVariant value = server;
    for (auto _ : state) benchmark::DoNotOptimize(MixRectangle::applyRemoteChanges(value));
}

// After an edit of the table: the whole dictionary written afresh, compared
// with the server's copy, and written as the old-style text that is sent.
BENCHMARK_F(Table, RebuildCompareWrite)(benchmark::State& state) {
    MixRectangle* m = MixRectangle::mixRectangleAtIndex(40);
    int n = 0;
    for (auto _ : state) {
        m->setName(QString::number(n++ & 1));
        const QVariantMap dict = MixRectangle::rebuildDict();
        benchmark::DoNotOptimize(dict == server);
        benchmark::DoNotOptimize(MixRectangle::oldStyleText());
    }
}

// The worst case: every entry changed since the last poll (the first poll
// after reading a layout, or a move of the whole surface).
BENCHMARK_F(Table, EveryEntryChanged)(benchmark::State& state) {
    const std::vector<MixRectangle*> all = MixRectangle::sortedMixRectangles();
    int n = 0;
    for (auto _ : state) {
        const QString name = QString::number(n++ & 1);
        for (MixRectangle* m : all) m->setName(name);
        const QVariantMap dict = MixRectangle::rebuildDict();
        benchmark::DoNotOptimize(dict == server);
        benchmark::DoNotOptimize(MixRectangle::oldStyleText());
    }
}

}  // namespace

BENCHMARK_MAIN();
