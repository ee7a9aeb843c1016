// Content subsystem: the media scan of a large server root and the movie
// header reader with its sample index.
#include "content/keloMediaFileRef.h"
#include "content/keloRootPath.h"
#include "content/moov_info.h"
#include "support/MovieAtoms.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// 400 numbered folders of 250 movies each: 100,000 files, every number valid.
const QString& mediaRoot() {
    static QTemporaryDir dir;
    static const QString root = [] {
        const QString r = dir.path() + "/Kelo";
        for (int bank = 0; bank < 2; ++bank) {
            for (int folder = 0; folder < 200; ++folder) {
                const QString path =
                    QString("%1/Media/[%2] %3.Folder").arg(r).arg(bank).arg(folder);
                QDir().mkpath(path);
                for (int file = 0; file < 250; ++file)
                    QFile(QString("%1/%2.Clip.mov").arg(path).arg(file, 3, 10, QChar('0')))
                        .open(QIODevice::WriteOnly);
            }
        }
        return r;
    }();
    return root;
}

void BM_MediaScan100k(benchmark::State& state) {
    setKeloRootPathSearchList({mediaRoot()});
    keloRootPath(true);
    size_t count = 0;
    for (auto _ : state) {
        const auto list = rawMediaScan(false);
        count = list ? list->size() : 0;
        benchmark::DoNotOptimize(count);
    }
    state.counters["items"] = double(count);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(count));
    setKeloRootPathSearchList({});
}
BENCHMARK(BM_MediaScan100k)->Unit(benchmark::kMillisecond);

// A movie of 200,000 samples: 10 per chunk, every size in the table.
const QString& bigMovie() {
    static QTemporaryDir dir;
    static const QString path = [] {
        MovieAtoms::Track track;
        track.sampleCount = 200000;
        track.sizes.assign(200000, 5000);
        track.stts = {{200000, 20}};
        track.stsc = {{1, 10, 1}};
        track.chunkOffsets.clear();
        for (uint64_t c = 0; c < 20000; ++c) track.chunkOffsets.push_back(4096 + c * 50000);
        const QString p = dir.path() + "/big.mov";
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(MovieAtoms::atom("ftyp", "qt  ") + MovieAtoms::moov({MovieAtoms::trak(track)}));
        return p;
    }();
    return path;
}

void BM_MoovIndex200k(benchmark::State& state) {
    const QString path = bigMovie();
    moov_info info;
    for (auto _ : state) {
        loadFileInfo(&info, path, "mov", true);
        benchmark::DoNotOptimize(info.sampleIndex.data());
    }
    state.counters["samples"] = double(info.sampleIndex.size());
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(info.sampleIndex.size()));
}
BENCHMARK(BM_MoovIndex200k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
