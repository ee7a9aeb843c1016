#include "foundation/OmLog.h"
#include "platform/PropertyList.h"

#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

#include <plist/plist.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// The logger redirects stdout into a file in a temporary folder only while a
// benchmark runs, so the reporter's output still reaches the terminal.
std::unique_ptr<QTemporaryDir> gLogDir;
std::unique_ptr<OmLog> gLog;
std::atomic<long long> gSerial{0};

void openLog(const benchmark::State&) {
    gLogDir = std::make_unique<QTemporaryDir>();
    gLog = std::make_unique<OmLog>(gLogDir->path(), "benchmark starting up...\n");
    gLog->setLoggingTag("Bench");
}

void closeLog(const benchmark::State&) {
    gLog.reset();
    gLogDir.reset();
}

// Every text is new in its first 14 characters, so each line is judged in
// full and written.
void BM_LogDistinctLines(benchmark::State& state) {
    for (auto _ : state) {
        gLog->d("%012lld distinct line from thread %d", gSerial.fetch_add(1), state.thread_index());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogDistinctLines)
    ->Setup(openLog)
    ->Teardown(closeLog)
    ->Threads(1)
    ->Threads(4)
    ->UseRealTime();

// One text over and over: after the second copy every call is suppressed.
void BM_LogRepeatedLine(benchmark::State& state) {
    for (auto _ : state) gLog->d("the same line from every thread");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogRepeatedLine)
    ->Setup(openLog)
    ->Teardown(closeLog)
    ->Threads(1)
    ->Threads(4)
    ->UseRealTime();

// ---- Property lists: ours against raw libplist on the same documents ----

// About 1 MB of XML: a content list whose records repeat their keys and
// several of their strings, as real catalogues do.
QVariant catalogue() {
    static const QStringList kinds = {"movie", "still", "audio", "generator"};
    static const QStringList tags = {
        "intro", "loop", "stage left", "stage right", QString::fromUtf8("caf\u00e9"), "outro"};
    const QDateTime base(QDate(2024, 3, 1), QTime(9, 0), Qt::UTC);
    QVariantList items;
    for (int i = 0; i < 1600; ++i) {
        QByteArray thumb(24, '\0');
        for (int b = 0; b < thumb.size(); ++b) thumb[b] = char((i * 31 + b * 7) & 0xFF);
        items.append(QVariantMap{
            {"name", QStringLiteral("Clip %1").arg(i, 5, 10, QLatin1Char('0'))},
            {"path", QStringLiteral("/media/content/folder%1/clip%2.mov").arg(i % 40).arg(i)},
            {"kind", kinds[i % kinds.size()]},
            {"width", 1920},
            {"height", i % 3 ? 1080 : 720},
            {"duration", 12.5 + i * 0.25},
            {"modified", base.addSecs(i * 97)},
            {"enabled", i % 5 != 0},
            {"thumbnail", thumb},
            {"tags", QVariantList{tags[i % tags.size()], tags[(i / 3) % tags.size()]}},
        });
    }
    return QVariantMap{{"version", 3}, {"title", "Content"}, {"items", items}};
}

struct Documents {
    QVariant tree;
    QByteArray xml;     // as our writer puts it
    QByteArray binary;  // as libplist puts it, so both readers parse the same bytes
    PlistPtr node;      // the same tree in libplist's form
};

const Documents& documents() {
    static const Documents docs = [] {
        Documents d;
        d.tree = catalogue();
        d.xml = PropertyList::write(d.tree, PropertyList::Format::Xml);
        plist_t node = nullptr;
        plist_from_xml(d.xml.constData(), static_cast<uint32_t>(d.xml.size()), &node);
        d.node.reset(node);
        char* bin = nullptr;
        uint32_t length = 0;
        plist_to_bin(node, &bin, &length);
        d.binary = QByteArray(bin, length);
        std::free(bin);
        return d;
    }();
    return docs;
}

void BM_PlistReadXmlOurs(benchmark::State& state) {
    const QByteArray& xml = documents().xml;
    for (auto _ : state) benchmark::DoNotOptimize(PropertyList::read(xml));
    state.SetBytesProcessed(state.iterations() * xml.size());
}
BENCHMARK(BM_PlistReadXmlOurs)->Unit(benchmark::kMillisecond);

// Parsing and freeing: a reader of the raw library pays for both.
void BM_PlistReadXmlLibplist(benchmark::State& state) {
    const QByteArray& xml = documents().xml;
    for (auto _ : state) {
        plist_t node = nullptr;
        plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &node);
        plist_free(node);
    }
    state.SetBytesProcessed(state.iterations() * xml.size());
}
BENCHMARK(BM_PlistReadXmlLibplist)->Unit(benchmark::kMillisecond);

void BM_PlistReadBinaryOurs(benchmark::State& state) {
    const QByteArray& bin = documents().binary;
    for (auto _ : state) benchmark::DoNotOptimize(PropertyList::read(bin));
    state.SetBytesProcessed(state.iterations() * bin.size());
}
BENCHMARK(BM_PlistReadBinaryOurs)->Unit(benchmark::kMillisecond);

void BM_PlistReadBinaryLibplist(benchmark::State& state) {
    const QByteArray& bin = documents().binary;
    for (auto _ : state) {
        plist_t node = nullptr;
        plist_from_bin(bin.constData(), static_cast<uint32_t>(bin.size()), &node);
        plist_free(node);
    }
    state.SetBytesProcessed(state.iterations() * bin.size());
}
BENCHMARK(BM_PlistReadBinaryLibplist)->Unit(benchmark::kMillisecond);

void BM_PlistWriteXmlOurs(benchmark::State& state) {
    const QVariant& tree = documents().tree;
    qsizetype size = 0;
    for (auto _ : state) size = PropertyList::write(tree, PropertyList::Format::Xml).size();
    state.counters["output_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_PlistWriteXmlOurs)->Unit(benchmark::kMillisecond);

void BM_PlistWriteXmlLibplist(benchmark::State& state) {
    plist_t node = documents().node.get();
    uint32_t size = 0;
    for (auto _ : state) {
        char* xml = nullptr;
        plist_to_xml(node, &xml, &size);
        std::free(xml);
    }
    state.counters["output_bytes"] = size;
}
BENCHMARK(BM_PlistWriteXmlLibplist)->Unit(benchmark::kMillisecond);

void BM_PlistWriteBinaryOurs(benchmark::State& state) {
    const QVariant& tree = documents().tree;
    qsizetype size = 0;
    for (auto _ : state) size = PropertyList::write(tree, PropertyList::Format::Binary).size();
    state.counters["output_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_PlistWriteBinaryOurs)->Unit(benchmark::kMillisecond);

void BM_PlistWriteBinaryLibplist(benchmark::State& state) {
    plist_t node = documents().node.get();
    uint32_t size = 0;
    for (auto _ : state) {
        char* bin = nullptr;
        plist_to_bin(node, &bin, &size);
        std::free(bin);
    }
    state.counters["output_bytes"] = size;
}
BENCHMARK(BM_PlistWriteBinaryLibplist)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
