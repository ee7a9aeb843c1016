// The movie header reader on arbitrary files: the input is written to a
// file of its own and read with and without the sample index; the zlib
// expansion is also fed the raw bytes.
#include "content/moov_info.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const QString path =
        QDir::tempPath() + QString("/moov_fuzz_%1.mov").arg(QCoreApplication::applicationPid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    moov_info info;
    for (bool index : {false, true}) {
        loadFileInfo(&info, path, "mov", index);
        if (info.sampleIndex.size() > info.sampleCount) __builtin_trap();
    }
    std::vector<uint8_t> out;
    zlib_inflate(data, size, &out, 1 << 20);
    return 0;
}
