// Content subsystem: the analysis of large media sets, rebuilding a folder's
// rows, the media scan of a large server root and the movie header reader.
#include "BenchSockets.h"
#include "content/CompressionCategory.h"
#include "content/ContentTableView.h"
#include "content/ContentUI.h"
#include "content/ContentUIPanel.h"
#include "content/KeloContentAnalyser.h"
#include "content/KlParsedFileName.h"
#include "content/keloMediaFileRef.h"
#include "content/keloRootPath.h"
#include "content/moov_info.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/OmNetInterface.h"
#include "support/ContentDatabaseBuilder.h"
#include "support/ContentPanelSync.h"
#include "support/MovieAtoms.h"

#include "BenchMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace contentdb;

constexpr int kFolders = 200;
constexpr int kFilesPerFolder = 250;
constexpr int kMembers = 4;

KlE_Control_Status::Options benchLinkOptions() {
    OmNetInterface::setInterfaceLister([] { return std::vector<OmInterfaceAddress>{}; });
    KlE_Control_Status::Options options;
    options.timer = false;
    static int64_t bytes = 0;
    useSockets(options, &bytes);
    return options;
}

// A member that differs from the master here and there: every 50th file
// missing, every 70th longer, every 90th newer.
QVariantMap memberDatabase(const QString& name, int seed) {
    QVariantMap db = mediaDatabase(name, 1, kFolders, kFilesPerFolder);
    int n = seed;
    for (int f = 1; f <= kFolders; ++f) {
        const QString key = folderKey(0, 0, f);
        QVariantMap folder = db.value(key).toMap();
        for (int file = 1; file <= kFilesPerFolder; ++file, ++n) {
            if (n % 50 == 0) {
                folder.remove(fileKey(file));
            } else if (n % 70 == 0) {
                folder.insert(fileKey(file), mediaFile(f, file, 2000));
            } else if (n % 90 == 0) {
                folder.insert(fileKey(file), mediaFile(f, file, 1000, 2e8));
            }
        }
        db.insert(key, folder);
    }
    return db;
}

// Master and four members of 50,000 files each, compared in full.
void BM_AnalyseCollection(benchmark::State& state) {
    KlE_Control_Status link(benchLinkOptions());
    QStringList names{"Master"};
    const auto add = [&](const QString& name, uint32_t address, const QVariantMap& db) {
        KeloObject* kelo = link.addKeloForName(name);
        kelo->setAddress(address, address);
        kelo->setCollectionID(1);
        kelo->setContentTimeStamp("T1");
        kelo->setContentDatabase(db);
    };
    add("Master", 0x0A000001, mediaDatabase("Master", 1, kFolders, kFilesPerFolder));
    for (int m = 0; m < kMembers; ++m) {
        const QString name = QString("Member %1").arg(m + 1);
        add(name, 0x0A000002 + uint32_t(m), memberDatabase(name, m * 7));
        names << name;
    }
    KeloContentAnalyser analyser(&link);
    analyser.setServers(names);
    analyser.setMaster("Master");
    analyser.setCollectionID(1);
    for (auto _ : state) {
        analyser.analyse(false);
        benchmark::DoNotOptimize(analyser.contentAnalysis());
    }
    state.counters["issues"] = analyser.analysis().value(".IssueCount").toDouble();
    state.SetItemsProcessed(state.iterations() * kFolders * kFilesPerFolder * (kMembers + 1));
}
BENCHMARK(BM_AnalyseCollection)->Unit(benchmark::kMillisecond);

// The comparison alone, without the server checks: the master's folders on
// their own (0) and against the four members (1).
void BM_CompareFolders(benchmark::State& state) {
    const QVariantMap master = mediaDatabase("Master", 1, kFolders, kFilesPerFolder);
    std::vector<QVariantMap> members;
    for (int m = 0; m < kMembers; ++m)
        members.push_back(memberDatabase(QString("Member %1").arg(m + 1), m * 7));
    ContentAnalysis analysis;
    analysis.masterName = "Master";
    for (auto _ : state) {
        QVariantMap result;
        int issues = 0;
        for (auto it = master.constBegin(); it != master.constEnd(); ++it)
            KeloContentAnalyser::analyseFolder(
                it.key(), &result, state.range(0) ? &members : nullptr, analysis, &issues, master);
        state.PauseTiming();
        result = {};
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CompareFolders)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Collection 1 shown with the master alone, its one folder holding `files`
// files (file numbers past 255 exist only here, to make the folder big).
ContentCollection* showMasterFolder(ContentUI& ui, int files) {
    ContentCollection* collection = ui.createCollection(1);
    ui.setCollectionID(1);
    auto analysis = std::make_shared<ContentAnalysis>();
    analysis->masterName = "Master";
    analysis->collectionID = 1;
    QVariantMap master = database("Master", 1);
    master.insert(folderKey(0, 0, 1), mediaFolder(1, files));
    analysis->addMember("Master", true, master);
    int issues = 0;
    const std::vector<QVariantMap> none;
    KeloContentAnalyser::analyseFolder(folderKey(0, 0, 1), &analysis->dict, &none, *analysis,
                                       &issues, master);
    analysis->selectedMember = analysis->members.front();
    collection->analysis = analysis;
    ui.updateSelectedServer();
    return collection;
}

// The file rows of a 5,000-file folder built again, carrying the old rows'
// state over.
void BM_RebuildFileRows(benchmark::State& state) {
    QTemporaryDir dir;
    UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
    KlE_Control_Status link(benchLinkOptions());
    ContentUI ui(&link);
    showMasterFolder(ui, 5000);
    ContentTableRowPtr row = ui.folderDataSource().front();
    row->filesDataSource = std::make_shared<ContentRows>(ui.filesDataSourceForFolder(*row));
    for (auto _ : state) {
        ContentRows rows = ui.filesDataSourceForFolder(*row);
        benchmark::DoNotOptimize(rows.data());
        row->filesDataSource = std::make_shared<ContentRows>(std::move(rows));
    }
    state.counters["rows"] = double(row->filesDataSource->size());
}
BENCHMARK(BM_RebuildFileRows)->Unit(benchmark::kMillisecond);

// 10,000 progress notifications of the transfer agent over a 5,000-file
// folder being synced: each updates its history entry and its file row;
// no row is rebuilt.
void BM_TransferNotifications(benchmark::State& state) {
    QTemporaryDir dir;
    UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
    KlE_Control_Status link(benchLinkOptions());
    ContentUI ui(&link);
    ui.setHistoryShown(false);
    ContentCollection* collection = showMasterFolder(ui, 5000);
    ContentTableRowPtr folder = ui.folderDataSource().front();
    ui.updateFilesDataSourceIfNeeded(*folder);
    const std::shared_ptr<ContentRows> files = folder->filesDataSource;
    constexpr int32_t kTransfer = 66;
    collection->transferFolderDict[kTransfer] = folder->masterFolder->SelfRefKey();
    std::vector<QVariantMap> notes;
    for (const ContentTableRowPtr& file : *files) {
        file->syncQueued = true;
        const QVariant task = contentIDVariant(*file->parsedName.contentID());
        collection->appendHistory({{"transfer", kTransfer},
                                   {"file", task},
                                   {"length", 1000000},
                                   {"status", qint64(kTransferStatusPending)},
                                   {"name", file->parsedName.name()}});
        for (const double progress : {0.5, 1.0})
            notes.push_back({{"collection", 1},
                             {"transfer", kTransfer},
                             {"task", task},
                             {"name", file->parsedName.name()},
                             {"status", qint64(kTransferStatusProgress)},
                             {"progress", progress},
                             {"mbps", 80}});
    }
    uint64_t redrawsBefore = 0;
    for (const ContentTableRowPtr& file : *files) redrawsBefore += file->redrawIncrement;
    int64_t handled = 0;
    for (auto _ : state) {
        for (const QVariantMap& note : notes) ui.TransferAgentNotification(note);
        handled += int64_t(notes.size());
    }
    uint64_t redraws = 0;
    for (const ContentTableRowPtr& file : *files) redraws += file->redrawIncrement;
    state.counters["notifications"] = double(notes.size());
    state.counters["rows"] = double(files->size());
    state.counters["row redraws per notification"] =
        double(redraws - redrawsBefore) / double(std::max<int64_t>(handled, 1));
    state.counters["rows rebuilt"] = folder->filesDataSource == files ? 0 : double(files->size());
    state.SetItemsProcessed(handled);
}
BENCHMARK(BM_TransferNotifications)->Unit(benchmark::kMillisecond);

void BM_ParseFileNames(benchmark::State& state) {
    const QString path = "/srv/Kelo/Media/001 Folder/[12]003.Intro Clip.mov";
    for (auto _ : state) benchmark::DoNotOptimize(KlParsedFileName(path).number());
}
BENCHMARK(BM_ParseFileNames);

void BM_DecompressBlock(benchmark::State& state) {
    QByteArray data(1 << 20, '\0');
    for (int i = 0; i < data.size(); ++i) data[i] = char((i * 31) % 251);
    const QByteArray block = contentUiCompress(data);
    for (auto _ : state) benchmark::DoNotOptimize(contentUiDecompress(block));
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_DecompressBlock)->Unit(benchmark::kMicrosecond);

}  // namespace

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

// A 10,000-row file table in which 100 rows change per update: spread over
// the table (arg 0) or all at its top, where they are on screen (arg 1).
// One update is the model's table refresh, whose notification redraws the
// changed rows that are on screen; "drawn" counts the rows painted per
// update, "visible" the rows on screen.
void BM_FileTableUpdate10k(benchmark::State& state) {
    QTemporaryDir dir;
    UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
    KlE_Control_Status link(benchLinkOptions());
    ContentUI ui(&link);
    showMasterFolder(ui, 10000);

    ContentUIPanel::Options options;
    options.ui = &ui;
    options.network = &link;
    options.timer = false;
    ContentUIPanel panel(options);
    ContentPanelSync sync;
    sync.setPanel(&panel);
    ContentSyncServices::install(&sync);
    panel.page()->resize(1200, 800);
    panel.page()->show();
    panel.reloadTables();
    panel.folderTable()->selectRow(0);
    ContentTableView* table = panel.fileTable();
    QApplication::processEvents();
    panel.reportVisibleRows();
    // The first refresh rebuilds the rows for the selection.
    ui.updateTables();
    QApplication::processEvents();
    const auto files = ui.currentFilesDataSource();
    const int count = files ? int(files->size()) : 0;
    const bool onScreen = state.range(0) == 1;
    uint64_t drawn = 0;
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            const int row = onScreen ? i : (i * 100 + 37) % count;
            ++(*files)[size_t(row)]->redrawIncrement;
        }
        table->resetRowsDrawn();
        ui.updateTables();
        QApplication::processEvents();
        drawn += table->rowsDrawn();
    }
    ContentSyncServices::install(nullptr);
    state.counters["rows"] = count;
    state.counters["visible"] = table->visibleRows().second;
    state.counters["drawn"] = double(drawn) / double(std::max<int64_t>(1, state.iterations()));
}
BENCHMARK(BM_FileTableUpdate10k)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

KELO_BENCH_MAIN_WITH_APP()
