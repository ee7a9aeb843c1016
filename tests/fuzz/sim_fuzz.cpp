// The simulated server's own readers of what a controller or an operator
// sends it: server messages and their texts, content-editor queries and
// sets (whole and in fragments) with the answers built from them, transfer
// requests, preference values by the value rule, and command lines.
#include "support/ContentEditorSim.h"
#include "support/KeloServerSimCommands.h"
#include "support/KeloServerSimHost.h"
#include "support/SimPreferences.h"
#include "support/SimRequests.h"

#include <cstddef>
#include <cstdint>

namespace {

KeloServerSimHost& host() {
    static KeloServerSimHost* h = [] {
        KeloServerSimHost::Options o;
        o.count = 3;
        auto* made = new KeloServerSimHost(o);  // never started: no sockets
        made->makeMediaTrees();
        return made;
    }();
    return *h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size == 0) return 0;
    const char* data = reinterpret_cast<const char*>(bytes) + 1;
    const size_t n = size - 1;
    const QByteArray input(data, qsizetype(n));
    switch (bytes[0] % 5) {
        case 0: {
            SimRequests::serverMessageOp(data, n);
            SimRequests::requestWord(data, n);
            QByteArray key, value;
            size_t end = 0;
            if (SimRequests::readText(data, n, 16, &key, &end))
                SimRequests::readText(data, n, end, &value, nullptr);
            break;
        }
        case 1: {
            static ContentEditorSim editor;
            if (editor.receive(data, n) && !editor.messages().empty())
                editor.answer(editor.messages().back().text);
            break;
        }
        case 2:
            SimRequests::transferRequestLength(input);
            SimRequests::readTransferRequest(input);
            break;
        case 3: {
            static const char* const types[] = {"int", "str", "s_array", "dict", "list"};
            QVariantMap entry{{"_type", QString(types[n % 5])}, {"_value", QString("x")}};
            SimPreferences::applyValue(entry, input);
            SimPreferences::valueText(entry.value("_value"));
            break;
        }
        default: {
            // Media additions would fill the disk; the rest runs as typed.
            if (input.simplified().startsWith("add")) break;
            KeloServerSimCommands commands(host());
            commands.run(input);
            break;
        }
    }
    return 0;
}
