// Pixel-map documents as they come from disk: the bytes are unpacked (plain or
// compressed twice) and, when they hold a dictionary, loaded into a model,
// refreshed, undone and written back.
#include "pixelmap/OmPixelMapFile.h"
#include "pixelmap/PixelMapModel.h"
#include "platform/UserDefaults.h"

#include <QDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool once = [] {
        UserDefaults::setStandardFile(QDir::temp().filePath(QStringLiteral("pmap_fuzz_defaults.plist")));
        return true;
    }();
    (void)once;
    static PixelMapModel model;
    if (model.profileList().isEmpty()) model.loadStockProfiles();

    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    bool compressed = false;
    readPmapData(bytes, &compressed);
    const std::optional<QVariantMap> dict = dictionaryWithPmapData(bytes);
    if (!dict) return 0;

    model.loadFixtureProfiles(*dict, false, true);
    if (!model.loadPixelMapData(&*dict).isEmpty()) return 0;
    if (model.markUndo()) {
        if (!model.mergedFixList().empty()) model.mergedFixList().front()->setMAddress(511);
        model.updateAllPixelMapData();
        model.addUndo(QStringLiteral("Edit Fixture(s)"));
        model.undo();
        model.redo();
    }
    for (PmFixture* fixture : model.mergedFixList()) {
        fixture->highestMergeAddr();
        fixture->slewString();
        for (const PmFixture* other : model.fixList(0)) fixture->overlapsFixture(*other);
        break;
    }
    pmapDataWithDictionary(model.pixelMapFile().dict(), false);
    model.loadStockProfiles();
    return 0;
}
