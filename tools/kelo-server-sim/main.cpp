// kelo-server-sim: simulated Kelo servers on loopback addresses, for trying
// the controller without real servers. Each server answers every channel a
// controller uses (announcements, status and previews, preferences, the
// content editor, the product query, the content database and transfers
// over TCP) and has a media tree of its own in a temporary folder that goes
// at exit. Run it inside a loopback-only network namespace. Commands on
// standard input change the servers while they run.

#include "foundation/OmxNumberUtil.h"
#include "support/KeloServerSimCommands.h"
#include "support/KeloServerSimHost.h"

#include <QByteArray>

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

volatile sig_atomic_t gStop = 0;

void onSignal(int) {
    gStop = 1;
}

const char kOptions[] =
    "usage: kelo-server-sim [--count N] [--base 127.0.0.2] [--name PREFIX]\n"
    "                       [--controller 127.0.0.1] [--seconds N]\n"
    "  N servers: 1 to 1000; --seconds 0 (the default) runs until stopped.\n"
    "  Simulates N servers named \"PREFIX 1\" ... on consecutive loopback addresses;\n"
    "  servers 1-3 form collection 1, 4-6 collection 2, and so on.\n";

void usage(FILE* to) {
    fputs(kOptions, to);
    fputs(KeloServerSimCommands::usage(), to);
}

// Far beyond any run; 0 runs until stopped.
constexpr double kMaxSeconds = 2147483;

int badValue(const char* option, const char* value) {
    fprintf(stderr, "%s: bad value '%s'\n", option, value);
    usage(stderr);
    return 2;
}

// A loopback address in host order, or 0.
uint32_t loopbackAddress(const char* text) {
    in_addr a{};
    if (inet_pton(AF_INET, text, &a) != 1) return 0;
    const uint32_t host = ntohl(a.s_addr);
    return (host >> 24) == 127 ? host : 0;
}

}  // namespace

int main(int argc, char** argv) {
    KeloServerSimHost::Options options;
    options.count = 1;
    double seconds = 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!strcmp(arg, "--help") || !strcmp(arg, "-h")) {
            usage(stdout);
            return 0;
        }
        if (!value) {
            fprintf(stderr, "%s needs a value\n", arg);
            usage(stderr);
            return 2;
        }
        ++i;
        if (!strcmp(arg, "--count")) {
            long long n = 0;
            if (!readOptionInteger(value, 1, 1000, &n)) return badValue(arg, value);
            options.count = int(n);
        } else if (!strcmp(arg, "--base")) {
            options.base = loopbackAddress(value);
        } else if (!strcmp(arg, "--controller")) {
            options.network.controller = loopbackAddress(value);
            if (!options.network.controller) options.base = 0;
        } else if (!strcmp(arg, "--name")) {
            options.prefix = value;
        } else if (!strcmp(arg, "--seconds")) {
            if (!readOptionNumber(value, 0, kMaxSeconds, &seconds)) return badValue(arg, value);
        } else {
            fprintf(stderr, "unknown option %s\n", arg);
            usage(stderr);
            return 2;
        }
    }
    // Loopback only: this program must never talk to a real network.
    const uint32_t base = options.base;
    if (!base || options.count < 1 || options.count > 1000 ||
        ((base + uint32_t(options.count) - 1) >> 24) != 127) {
        fprintf(stderr, "addresses must lie in 127.0.0.0/8, and 1 to 1000 servers\n");
        usage(stderr);
        return 2;
    }

    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    signal(SIGPIPE, SIG_IGN);
    KeloServerSimHost host(options);
    QString error;
    if (!host.start(&error)) {
        fprintf(stderr, "kelo-server-sim: %s\n", qPrintable(error));
        return 1;
    }
    for (int i = 0; i < host.serverCount(); ++i) {
        const KeloServerSim::Config c = host.sim().config(i);
        in_addr a{htonl(c.address)};
        printf("server %d: '%s' at %s, collection %d, media in %s\n", i + 1, c.name.constData(),
               inet_ntoa(a), c.collectionID, qPrintable(host.mediaTree(i)->root()));
    }
    fflush(stdout);

    KeloServerSimCommands commands(host);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    bool input = true;
    bool discarding = false;  // inside a line that was too long
    QByteArray pending;
    while (!gStop && (seconds <= 0 || std::chrono::steady_clock::now() < end)) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (!input || poll(&p, 1, 200) != 1) {
            if (!input) usleep(200000);
            continue;
        }
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input = false;  // no more commands; run on until stopped
            continue;
        }
        pending.append(buffer, n);
        qsizetype eol;
        while ((eol = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(eol);
            pending.remove(0, eol + 1);
            if (discarding) {
                discarding = false;
                continue;
            }
            const KeloServerSimCommands::Result r = commands.run(line);
            if (!r.output.isEmpty()) fputs(r.output.constData(), stdout);
            if (!r.error.isEmpty()) fprintf(stderr, "kelo-server-sim: %s\n", r.error.constData());
            fflush(stdout);
            if (r.quit) gStop = 1;
        }
        // A line without end is dropped whole, however long it runs on.
        if (pending.size() > KeloServerSimCommands::kMaxLine) {
            if (!discarding)
                fprintf(stderr, "kelo-server-sim: line too long; ignored\n");
            discarding = true;
            pending.clear();
        }
    }
    host.stop();
    return 0;
}
