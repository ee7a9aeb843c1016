// kelo-status: runs the server link without windows and prints a line when a
// server is found, comes into contact, is lost or its status changes. Every
// server heard of is wanted, since no view is here to ask for one. It starts
// through the program's composition root and refreshes on its tick.

#include "app/KeloCompositionRoot.h"
#include "app/KeloHeadlessFrontEnd.h"
#include "app/KeloRemoteTick.h"
#include "app/KeloRemoteTickView.h"
#include "foundation/OmLog.h"
#include "foundation/OmxNumberUtil.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KlE_Control_Status.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

volatile sig_atomic_t gStop = 0;

void onSignal(int) {
    gStop = 1;
}

const char kUsage[] =
    "usage: kelo-status [--json] [--seconds N]\n"
    "  Lists the Kelo servers on the network as they are found, come into\n"
    "  contact, are lost or change. --json prints one JSON object per line;\n"
    "  --seconds stops after N seconds (default: run until interrupted).\n"
    "  The server link's own messages go to standard error.\n";

// The stop timer counts whole milliseconds in an int.
constexpr double kMinSeconds = 0.001;
constexpr double kMaxSeconds = 2147483;

// What a line reports of one server.
struct Snapshot {
    QString name;
    QString address;
    bool inContact = false;
    bool running = false;
    QString version;
    QString userDefinedName;
    int layers = 0;

    bool sameStatus(const Snapshot& o) const {
        return address == o.address && running == o.running && version == o.version &&
               userDefinedName == o.userDefinedName && layers == o.layers;
    }
};

Snapshot snapshot(const KeloObject& kelo, bool inContact) {
    Snapshot s;
    s.name = kelo.name();
    s.address = kelo.addressString();
    s.inContact = inContact;
    s.running = kelo.isRunning();
    if (kelo.generalStatusArrived() != 0) {
        int major = 0, minor = 0;
        kelo.getVMajor(&major, &minor);
        s.version = QString("%1.%2").arg(major).arg(minor);
        s.layers = kelo.layerCount();
    }
    s.userDefinedName = kelo.userDefinedName();
    return s;
}

// The listing as a view of the controller tick.
class StatusPrinter : public KeloRemoteTickView {
public:
    StatusPrinter(KlE_Control_Status& link, FILE* out, bool json)
        : link_(link), out_(out), json_(json) {}

    void performUpdate() override {
        scan();
        if (gStop) QCoreApplication::quit();
    }

    // Compares every server with what was last printed of it.
    void scan() {
        for (const auto& [name, kelo] : link_.keloes()) {
            // Marks it wanted, so that the link polls it.
            if (!kelo->active()) link_.addKeloForName(name);
            const Snapshot now = snapshot(*kelo, link_.current().contains(name));
            const auto known = printed_.find(name);
            if (known == printed_.end()) {
                print("found", now);
            } else if (now.inContact != known->second.inContact) {
                print(now.inContact ? "contact" : "lost", now);
            } else if (!now.sameStatus(known->second)) {
                print("changed", now);
            } else {
                continue;
            }
            printed_[name] = now;
        }
    }

private:
    void print(const char* event, const Snapshot& s) {
        const QString time = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
        if (json_) {
            const QJsonObject o{{"time", time},
                                {"event", event},
                                {"name", s.name},
                                {"address", s.address},
                                {"inContact", s.inContact},
                                {"running", s.running},
                                {"version", s.version},
                                {"userDefinedName", s.userDefinedName},
                                {"layers", s.layers}};
            fprintf(out_, "%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
        } else {
            fprintf(out_, "%s %-7s '%s' %s %s version %s name '%s' layers %d\n", qPrintable(time),
                    event, qPrintable(s.name), s.address.isEmpty() ? "-" : qPrintable(s.address),
                    s.running ? "running" : "idle",
                    s.version.isEmpty() ? "-" : qPrintable(s.version),
                    qPrintable(s.userDefinedName), s.layers);
        }
        fflush(out_);
    }

    KlE_Control_Status& link_;
    FILE* out_;
    bool json_;
    std::map<QString, Snapshot> printed_;
};

}  // namespace

int main(int argc, char** argv) {
    bool json = false;
    double seconds = 0;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
            fputs(kUsage, stdout);
            return 0;
        }
        if (!strcmp(argv[i], "--json")) {
            json = true;
        } else if (!strcmp(argv[i], "--seconds")) {
            const char* value = i + 1 < argc ? argv[++i] : nullptr;
            if (!readOptionNumber(value, kMinSeconds, kMaxSeconds, &seconds)) {
                fprintf(stderr, "kelo-status: --seconds needs a number from %g to %g, not '%s'\n%s",
                        kMinSeconds, kMaxSeconds, value ? value : "", kUsage);
                return 2;
            }
        } else {
            fprintf(stderr, "kelo-status: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
    }

    // The listing keeps standard output to itself; the link's console
    // output goes to standard error.
    FILE* out = fdopen(dup(STDOUT_FILENO), "w");
    if (!out) return 1;
    fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);

    QCoreApplication app(argc, argv);
    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);

    OmLog log;
    KeloHeadlessFrontEnd frontEnd;
    KeloCompositionRoot root(frontEnd.frontEnd());
    if (!root.install()) {
        fclose(out);
        return 1;
    }
    KlE_Control_Status* link = KlE_Control_Status::defaultObject();
    StatusPrinter printer(*link, out, json);
    KeloRemoteTick& tick = root.startLink(*link, log);
    tick.addView(&printer);
    tick.start();
    if (seconds > 0)
        QTimer::singleShot(int(std::lround(seconds * 1000)), &app, &QCoreApplication::quit);
    const int result = app.exec();
    link->stopTimerAndCloseSockets();
    fclose(out);
    return result;
}
