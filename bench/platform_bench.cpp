// Property-list parse and write of a preference-like dictionary of about 1 MB
// (in XML) in every form.
#include "platform/PropertyList.h"

#include <benchmark/benchmark.h>

#include <QDateTime>

namespace {

QVariantMap preferences(bool withDates) {
    QVariantMap root;
    for (int server = 0; server < 160; ++server) {
        QVariantMap s;
        s["name"] = QStringLiteral("Server %1 \u2013 stage left").arg(server);
        s["address"] = QStringLiteral("10.0.%1.%2").arg(server / 200).arg(server % 200);
        s["enabled"] = server % 3 != 0;
        s["brightness"] = 0.25 + server / 100.0;
        s["thumbnail"] = QByteArray(256, char(server));
        if (withDates)
            s["lastSeen"] =
                QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC).addSecs(server * 3600);
        QVariantList layers;
        for (int layer = 0; layer < 16; ++layer) {
            QVariantMap l;
            l["index"] = qint64(layer);
            l["opacity"] = layer / 16.0;
            l["visible"] = layer % 2 == 0;
            l["media"] =
                QStringLiteral("/media/clips/folder %1/clip_%2.mov").arg(server).arg(layer);
            l["position"] = QVariantList{qint64(layer * 10), qint64(-layer * 5), 1.5};
            layers.append(l);
        }
        s["layers"] = layers;
        root[QStringLiteral("server.%1").arg(server, 3, 10, QLatin1Char('0'))] = s;
    }
    return root;
}

const QByteArray& encoded(PropertyList::Format format) {
    static const QByteArray forms[] = {
        PropertyList::write(preferences(true), PropertyList::Format::Xml),
        PropertyList::write(preferences(true), PropertyList::Format::Binary),
        PropertyList::write(preferences(false), PropertyList::Format::OpenStep),
    };
    return forms[static_cast<int>(format)];
}

void BM_PlistRead(benchmark::State& state) {
    const auto format = static_cast<PropertyList::Format>(state.range(0));
    const QByteArray& bytes = encoded(format);
    for (auto _ : state) benchmark::DoNotOptimize(PropertyList::read(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

void BM_PlistWrite(benchmark::State& state) {
    const auto format = static_cast<PropertyList::Format>(state.range(0));
    const QVariant value = preferences(format != PropertyList::Format::OpenStep);
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray bytes = PropertyList::write(value, format);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["bytes"] = static_cast<double>(size);
}

// 0 XML, 1 binary, 2 old-style text.
BENCHMARK(BM_PlistRead)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlistWrite)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
