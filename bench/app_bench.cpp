// The application controller's 0.2 s tick with 200 servers heard and in the
// monitor list: nothing changed since the last tick, and every server changed
// (state and name counters) with the server list of 200 rows to rebuild.
#include "BenchSockets.h"

#include "app/KeloRemote.h"
#include "app/KeloRemoteSettings.h"
#include "app/KeloRemoteTick.h"
#include "foundation/OmLog.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloObjectTCP.h"
#include "serverlink/KlE_Control_Status.h"
#include "serverlink/OmNetInterface.h"
#include "support/WireBuilders.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace {

constexpr int kServers = 200;

struct TickFixture {
    TickFixture() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        UserDefaults::setStandardFile(dir.filePath("defaults.plist"));
        app = std::make_unique<QApplication>(argc, argv);
        OmNetInterface::setInterfaceLister([] { return std::vector<OmInterfaceAddress>{}; });
        // Discovery's product queries would connect: none is wanted here.
        setKeloTcpConnector([](uint32_t, uint16_t) { return -1; });

        QVariantList monitor;
        QVariantMap active;  // only added servers stay in the monitor list
        for (int i = 0; i < kServers; ++i) {
            const QString name = QString("Kelo %1").arg(i);
            monitor << QVariantMap{{"name", name}};
            active.insert(name, name);
        }
        const QVariantMap layout{{"monitor", monitor},
                                 {"breakouts", QVariantList{QVariantList{}}},
                                 {"layout_settings", QVariantMap{}}};
        QFile file(dir.filePath("KeloRemote.plist"));
        if (file.open(QIODevice::WriteOnly))
            file.write(PropertyList::write(QVariantMap{{"curr_layout", "0"},
                                                       {"layouts", QVariantList{layout}},
                                                       {"active_keloes", active}},
                                           PropertyList::Format::Xml));
        file.close();

        KlE_Control_Status::Options options;
        options.timer = false;
        useSockets(options, &bytes);
        link = std::make_unique<KlE_Control_Status>(options);
        remote = std::make_unique<KeloRemote>(
            std::make_unique<KeloRemoteSettings>(dir.filePath("KeloRemote.plist")));
        tick = std::make_unique<KeloRemoteTick>(*link, log);
        remote->awakeFromNib(*link, *tick, "5.2", "/opt/kelo-verozo");
        // Every server heard on loopback, so the server list has 200 rows.
        for (int i = 0; i < kServers; ++i) {
            const QByteArray ploc = WireBuilders::citpPLoc(
                4811, "MediaServer", QString("Kelo %1").arg(i).toUtf8(), "Running");
            link->handleMessage(ploc.constData(), size_t(ploc.size()), false,
                                0x7F000002u + uint32_t(i), 0x7F000002u + uint32_t(i), "lo");
        }
        // Every server renamed once, so that the measured ticks find the
        // names remembered.
        for (const auto& [name, kelo] : link->keloes()) {
            kelo->setIsRunning(true);
            kelo->addChanges(ServerChanges::kName);
        }
        tick->tick();
    }

    int argc = 1;
    char name[10] = "app_bench";
    char* argv[2] = {name, nullptr};
    QTemporaryDir dir;
    std::unique_ptr<QApplication> app;
    int64_t bytes = 0;
    OmLog log;
    std::unique_ptr<KlE_Control_Status> link;
    std::unique_ptr<KeloRemoteTick> tick;
    std::unique_ptr<KeloRemote> remote;
};

TickFixture& fixture() {
    static TickFixture f;
    return f;
}

void BM_TickUnchanged(benchmark::State& state) {
    TickFixture& f = fixture();
    for (auto _ : state) f.tick->tick();
}
BENCHMARK(BM_TickUnchanged)->Unit(benchmark::kMicrosecond);

void BM_TickAllChanged(benchmark::State& state) {
    TickFixture& f = fixture();
    for (auto _ : state) {
        for (const auto& [name, kelo] : f.link->keloes())
            kelo->addChanges(ServerChanges::kState | ServerChanges::kName);
        // Interfaces rescanned: the server list is rebuilt too.
        f.link->scanForInterfaces();
        f.tick->tick();
    }
    state.counters["rows"] = double(f.remote->serverListRows().size());
    state.counters["monitored"] = double(f.remote->serversCount());
}
BENCHMARK(BM_TickAllChanged)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
