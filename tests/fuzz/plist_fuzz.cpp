// Property-list readers (every form, detected and old-style text) and the
// length-prefixed decompressor. Whatever reads back is written again, which
// exercises the writers on odd but valid trees.
#include "foundation/VNSDataCategory.h"
#include "platform/PropertyList.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString error;
    const QVariant v = PropertyList::read(bytes, &error);
    if (v.isValid()) {
        for (auto f : {PropertyList::Format::Xml, PropertyList::Format::Binary,
                       PropertyList::Format::OpenStep})
            PropertyList::write(v, f, &error);
    }
    PropertyList::readOpenStep(bytes, &error);
    decompress(bytes);
    return 0;
}
