// The keyed-archive reader: whatever a pasteboard holds. A payload that reads
// back must archive again, and that archive must read back to itself (bytes
// are compared, as a NaN never equals itself).
#include "foundation/KeyedArchive.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The refusals are logged to standard output; keep the fuzzer's own output readable.
    if (!freopen("/dev/null", "w", stdout)) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QVariant object = unarchivedObjectFromData(bytes);
    if (object.isValid()) {
        const QByteArray again = archivedDataFromObject(object);
        if (again.isEmpty()) abort();
        const QVariant back = unarchivedObjectFromData(again);
        if (!back.isValid() || archivedDataFromObject(back) != again) abort();
    }
    return 0;
}
