// kelo-server-sim: simulated Kelo servers on loopback addresses, for trying
// the controller without real servers. Run it inside a loopback-only network
// namespace. Commands on standard input change the servers while they run.

#include "foundation/OmxNumberUtil.h"
#include "support/KeloServerSim.h"

#include <QByteArray>
#include <QList>

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

volatile sig_atomic_t gStop = 0;

void onSignal(int) {
    gStop = 1;
}

const char kUsage[] =
    "usage: kelo-server-sim [--count N] [--base 127.0.0.2] [--name PREFIX]\n"
    "                       [--controller 127.0.0.1] [--seconds N]\n"
    "  N servers: 1 to 1000; --seconds 0 (the default) runs until stopped.\n"
    "  Simulates N servers named \"PREFIX 1\" ... on consecutive loopback addresses.\n"
    "  Commands on standard input (server numbers from 1):\n"
    "    announce N on|off   running N on|off   answer N on|off\n"
    "    alias N TEXT        layers N COUNT     hostile N      quit\n";

// Far beyond any run; 0 runs until stopped.
constexpr double kMaxSeconds = 2147483;

int badValue(const char* option, const char* value) {
    fprintf(stderr, "%s: bad value '%s'\n%s", option, value, kUsage);
    return 2;
}

// A loopback address in host order, or 0.
uint32_t loopbackAddress(const char* text) {
    in_addr a{};
    if (inet_pton(AF_INET, text, &a) != 1) return 0;
    const uint32_t host = ntohl(a.s_addr);
    return (host >> 24) == 127 ? host : 0;
}

bool onOff(const QByteArray& word, bool* on) {
    if (word == "on" || word == "off") {
        *on = word == "on";
        return true;
    }
    return false;
}

// One command line; false for "quit".
bool command(KeloServerSim& sim, const QByteArray& line) {
    const QList<QByteArray> words = line.simplified().split(' ');
    const QByteArray& verb = words.value(0);
    if (verb.isEmpty()) return true;
    if (verb == "quit") return false;
    static const QList<QByteArray> verbs = {"announce", "running", "answer",
                                            "alias",    "layers",  "hostile"};
    if (!verbs.contains(verb)) {
        fprintf(stderr, "unknown command '%s'\n%s", line.constData(), kUsage);
        return true;
    }
    bool ok = false;
    const int server = words.value(1).toInt(&ok) - 1;
    if (!ok || server < 0 || server >= sim.serverCount()) {
        fprintf(stderr, "no server '%s'\n%s", words.value(1).constData(), kUsage);
        return true;
    }
    const QByteArray simple = line.simplified();
    const int first = simple.indexOf(' ');
    const int second = first < 0 ? -1 : simple.indexOf(' ', first + 1);
    const QByteArray rest = second < 0 ? QByteArray() : simple.mid(second + 1);
    bool on = false;
    if (verb == "announce" && onOff(rest, &on)) {
        sim.setAnnouncing(server, on);
    } else if (verb == "running" && onOff(rest, &on)) {
        sim.setRunning(server, on);
    } else if (verb == "answer" && onOff(rest, &on)) {
        sim.setAnswering(server, on);
    } else if (verb == "alias") {
        sim.setAlias(server, rest);
    } else if (verb == "layers" && rest.toInt(&ok) >= 0 && ok) {
        sim.setLayerCount(server, rest.toInt());
    } else if (verb == "hostile") {
        printf("sent %d hostile datagrams\n", sim.sendHostile(server));
    } else {
        fprintf(stderr, "unknown command '%s'\n%s", line.constData(), kUsage);
        return true;
    }
    fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int count = 1;
    uint32_t base = 0x7F000002;
    QByteArray prefix = "Kelo Sim";
    KeloServerSim::Network network;
    double seconds = 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!strcmp(arg, "--help") || !strcmp(arg, "-h")) {
            fputs(kUsage, stdout);
            return 0;
        }
        if (!value) {
            fprintf(stderr, "%s needs a value\n%s", arg, kUsage);
            return 2;
        }
        ++i;
        if (!strcmp(arg, "--count")) {
            long long n = 0;
            if (!readOptionInteger(value, 1, 1000, &n)) return badValue(arg, value);
            count = int(n);
        } else if (!strcmp(arg, "--base")) {
            base = loopbackAddress(value);
        } else if (!strcmp(arg, "--controller")) {
            network.controller = loopbackAddress(value);
            if (!network.controller) base = 0;
        } else if (!strcmp(arg, "--name")) {
            prefix = value;
        } else if (!strcmp(arg, "--seconds")) {
            if (!readOptionNumber(value, 0, kMaxSeconds, &seconds)) return badValue(arg, value);
        } else {
            fprintf(stderr, "unknown option %s\n%s", arg, kUsage);
            return 2;
        }
    }
    // Loopback only: this program must never talk to a real network.
    if (!base || count < 1 || count > 1000 || ((base + uint32_t(count) - 1) >> 24) != 127) {
        fprintf(stderr, "addresses must lie in 127.0.0.0/8, and 1 to 1000 servers\n%s", kUsage);
        return 2;
    }

    KeloServerSim sim(network);
    sim.addServers(count, base, prefix);
    QString error;
    if (!sim.start(&error)) {
        fprintf(stderr, "kelo-server-sim: %s\n", qPrintable(error));
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const KeloServerSim::Config c = sim.config(i);
        in_addr a{htonl(c.address)};
        printf("server %d: '%s' at %s\n", i + 1, c.name.constData(), inet_ntoa(a));
    }
    fflush(stdout);

    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    bool input = true;
    std::string pending;
    while (!gStop && (seconds <= 0 || std::chrono::steady_clock::now() < end)) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (!input || poll(&p, 1, 200) != 1) {
            if (!input) usleep(200000);
            continue;
        }
        char buffer[512];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input = false;  // no more commands; run on until stopped
            continue;
        }
        pending.append(buffer, size_t(n));
        size_t eol;
        while ((eol = pending.find('\n')) != std::string::npos) {
            const QByteArray line = QByteArray::fromStdString(pending.substr(0, eol));
            pending.erase(0, eol + 1);
            if (!command(sim, line)) gStop = 1;
        }
    }
    sim.stop();
    return 0;
}
