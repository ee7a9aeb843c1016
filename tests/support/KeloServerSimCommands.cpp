#include "support/KeloServerSimCommands.h"

#include "support/KeloServerSimHost.h"

#include <QList>
#include <QStringDecoder>

namespace {

bool readable(const QByteArray& line) {
    for (char c : line)
        if ((uchar(c) < 0x20 && c != '\t') || uchar(c) == 0x7F) return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(line);
    return !utf8.hasError();
}

// A whole decimal number within [low, high].
bool number(const QByteArray& word, int low, int high, int* out) {
    bool ok = false;
    const int n = word.toInt(&ok);
    if (!ok || n < low || n > high) return false;
    *out = n;
    return true;
}

// What is left of the line after its first `words` words.
QByteArray rest(const QByteArray& simple, int words) {
    int at = 0;
    for (int i = 0; i < words; ++i) {
        at = simple.indexOf(' ', at);
        if (at < 0) return {};
        ++at;
    }
    return simple.mid(at);
}

}  // namespace

const char* KeloServerSimCommands::usage() {
    return "Commands (server numbers from 1; folder and file numbers 1 to 255):\n"
           "  announce N on|off   running N on|off   answer N on|off\n"
           "  alias N TEXT        layers N COUNT     hostile N\n"
           "  pref N KEY VALUE    a preference changed at the server\n"
           "  add N FOLDER FILE NAME [BYTES]   remove N FOLDER FILE   touch N FOLDER FILE\n"
           "  help   quit\n";
}

KeloServerSimCommands::Result KeloServerSimCommands::run(const QByteArray& line) {
    Result r;
    auto refuse = [&](const QByteArray& why) {
        r.error = why;
        return r;
    };
    if (line.size() > kMaxLine) return refuse("line too long; ignored");
    if (!readable(line)) return refuse("unreadable command (control characters or bad UTF-8); ignored");
    const QByteArray simple = line.simplified();
    const QList<QByteArray> words = simple.split(' ');
    const QByteArray verb = words.value(0);
    if (verb.isEmpty()) return r;
    if (verb == "quit") {
        r.quit = true;
        return r;
    }
    if (verb == "help") {
        r.output = usage();
        return r;
    }
    static const QList<QByteArray> verbs = {"announce", "running", "answer", "alias", "layers",
                                            "hostile",  "pref",    "add",    "remove", "touch"};
    if (!verbs.contains(verb)) return refuse("unknown command '" + verb + "'; try help");
    int server = 0;
    if (!number(words.value(1), 1, host_.serverCount(), &server))
        return refuse("no server '" + words.value(1) + "' (1 to " +
                      QByteArray::number(host_.serverCount()) + ")");
    const int i = server - 1;
    KeloServerSim& sim = host_.sim();
    const QByteArray arg = words.value(2);
    auto onOff = [&](bool* on) {
        *on = arg == "on";
        return words.size() == 3 && (arg == "on" || arg == "off");
    };
    bool on = false;
    if (verb == "announce" || verb == "running" || verb == "answer") {
        if (!onOff(&on)) return refuse(verb + " takes on or off");
        if (verb == "announce") sim.setAnnouncing(i, on);
        if (verb == "running") sim.setRunning(i, on);
        if (verb == "answer") sim.setAnswering(i, on);
        return r;
    }
    if (verb == "alias") {
        const QByteArray text = rest(simple, 2);
        if (text.size() > 59) return refuse("an alias has at most 59 bytes");
        sim.setAlias(i, text);
        return r;
    }
    if (verb == "layers") {
        int layers = 0;
        if (words.size() != 3 || !number(arg, 0, 24, &layers)) return refuse("layers takes 0 to 24");
        sim.setLayerCount(i, layers);
        return r;
    }
    if (verb == "hostile") {
        r.output = "sent " + QByteArray::number(sim.sendHostile(i)) + " hostile datagrams\n";
        return r;
    }
    if (verb == "pref") {
        const QByteArray value = rest(simple, 3);
        if (arg.isEmpty() || words.size() < 4) return refuse("pref takes a key and a value");
        if (sim.preference(i, QString::fromUtf8(arg)).isEmpty())
            return refuse("server " + words.value(1) + " has no preference '" + arg + "'");
        if (!sim.setPreference(i, QString::fromUtf8(arg), value))
            return refuse("'" + arg + "' cannot take that value");
        return r;
    }
    SimMediaTree* tree = host_.mediaTree(i);
    if (!tree) return refuse("no media tree");
    int folder = 0, file = 0;
    if (!number(arg, 1, SimMediaTree::kMaxNumber, &folder) ||
        !number(words.value(3), 1, SimMediaTree::kMaxNumber, &file))
        return refuse(verb + " takes a folder and a file number, 1 to 255");
    QString why;
    bool done = false;
    if (verb == "add") {
        const QByteArray name = words.value(4);
        int bytes = 10000;
        if (name.isEmpty() || words.size() > 6 ||
            (words.size() == 6 && !number(words.value(5), 0, 64 << 20, &bytes)))
            return refuse("add takes a folder, a file, a name without spaces and at most 64 MiB");
        done = tree->addFile(folder, file, name, bytes, &why);
    } else {
        if (words.size() != 4) return refuse(verb + " takes a folder and a file number");
        done = verb == "remove" ? tree->removeFile(folder, file, &why)
                                : tree->touchFile(folder, file, &why);
    }
    if (!done) return refuse(why.toUtf8());
    return r;
}
