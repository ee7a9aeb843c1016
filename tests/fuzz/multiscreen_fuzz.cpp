// The image-remap readers: "multiscreen" replies fed to the editor's load and
// acknowledgement handling (a run of replies separated by NUL bytes), and
// whole-document forms (kitchen sinks). Whatever document comes out is
// checked and built by the engine over DMX bytes taken from the input.
#include "imageremap/MultiScreen.h"
#include "imageremap/MultiScreenEditor.h"
#include "platform/NotificationCenter.h"
#include "serverlink/KeloObject.h"
#include "serverlink/KeloObjectLink.h"
#include "serverlink/ServerLinkNotifications.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

struct Universes {
    std::array<uint8_t, 512> bytes{};
    static int callback(void* host, void* data, int op) {
        if (op != 12) return -1;
        auto* u = static_cast<multiscreen_universe*>(data);
        if (u->number % 2 == 0) {
            u->bytes = static_cast<Universes*>(host)->bytes.data();
            u->size = 512;
        }
        return 0;
    }
};

void build(const PlistNode::Ptr& doc, const QByteArray& input) {
    if (!doc || !MultiScreenDocument::validate(*doc)) return;
    Universes universes;
    for (qsizetype i = 0; i < input.size() && i < 512; ++i)
        universes.bytes[size_t(i)] = uint8_t(input[input.size() - 1 - i]);
    const PlistNode::Ptr configs = doc->value("configurations");
    multiscreen_rec rec;
    rec.textureWidth = 720;
    rec.textureHeight = 480;
    rec.layerWord = input.isEmpty() ? 2 : uint8_t(input[0]) % 8;
    rec.configuration = input.size() > 1 ? uint8_t(input[1]) : 0;
    rec.document = doc;
    const PlistNode::Ptr first = configs ? configs->at(0) : nullptr;
    const PlistNode::Ptr screens = first ? first->value("screens") : nullptr;
    rec.highlight = screens && screens->count() ? screens->at(0).get() : nullptr;
    multi_vars* state = nullptr;
    multiscreen(&rec, &state, &universes, &Universes::callback, 0, kMultiScreenDraw);
    rec.configuration = 0;
    multiscreen(&rec, &state, &universes, &Universes::callback, 0, kMultiScreenDraw);
    multiscreen(nullptr, &state, nullptr, nullptr, 0, kMultiScreenFree);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    if (data[0] & 1) {
        QString error;
        build(MultiScreenDocument::readKitchenSink(bytes, &error, 1u << 20), bytes);
        return 0;
    }
    KeloObjectLink link;
    KeloObject kelo;
    kelo.setName("Kelo Fuzz");
    kelo.setLink(&link);
    kelo.setIsRunning(true);
    double now = 1000;
    MultiScreenEditor editor([&kelo] { return &kelo; }, [&now] { return now; });
    editor.tick();
    for (const QByteArray& reply : bytes.split('\0')) {
        NotificationCenter::defaultCenter().post(kKeloContentEditorNotification, &kelo,
                                                 {{"message", QString::fromUtf8(reply)}});
        now += 0.3;
        editor.tick();
    }
    build(editor.document(), bytes);
    return 0;
}
