// The "mixes" configuration as a server sends it (old-style or XML text)
// read into the mix table. Whatever is accepted must give finite geometry
// and must read back unchanged from the table's own old-style text.
#include "outputs/MixRectangle.h"
#include "platform/PropertyList.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool finite(QPointF p) {
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    MixRectangle::removeAll();
    // Half the inputs go in as the server link hands over text, the other
    // half as a dictionary already read.
    const QVariant value = size % 2 ? QVariant(QString::fromUtf8(bytes))
                                    : PropertyList::read(QByteArray(bytes));
    if (MixRectangle::applyRemoteChanges(value) == 0) return 0;
    for (const auto& [index, m] : MixRectangle::mixRectangles()) {
        for (const QPointF& p : m->texVerts())
            if (!finite(p)) std::abort();
        for (const QPointF& p : m->diagverts())
            if (!finite(p)) std::abort();
        m->mixTitle();
        m->description();
    }
    if (!std::isfinite(MixRectangle::worldAspect())) std::abort();
    // The table's own text must be taken back as it is.
    const QVariantMap table = MixRectangle::rebuildDict();
    const QByteArray text = PropertyList::write(table, PropertyList::Format::OpenStep);
    QVariantMap back;
    if (text.isEmpty() || MixRectangle::oldStyleText() != text || !MixRectangle::validateMixes(QString::fromUtf8(text), &back, nullptr) ||
        back != table || MixRectangle::applyRemoteChanges(back) != 0)
        std::abort();
    MixRectangle::performAutoresizeGlobalSurfaceIfNeeded();
    return 0;
}
