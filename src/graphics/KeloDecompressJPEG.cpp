#include "graphics/KeloDecompressJPEG.h"

#include "foundation/OmLog.h"

#include <turbojpeg.h>

#include <memory>
#include <mutex>

namespace {

struct TjHandleDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};

using TjHandle = std::unique_ptr<void, TjHandleDeleter>;

// One decompressor per thread: a handle carries per-decode state and must
// not be shared between concurrent decodes.
TjHandle& threadDecompressor() {
    thread_local TjHandle handle(tjInitDecompress());
    if (!handle) handle.reset(tjInitDecompress());
    return handle;
}

// A handle that saw a warning keeps failing later decodes, so a failed one
// is replaced.
QImage refuse(TjHandle& handle) {
    handle.reset(tjInitDecompress());
    return {};
}

// Pixel order matching QImage::Format_RGB32 (0xffRRGGBB in host order).
constexpr int kPixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;

}  // namespace

KeloDecompressJPEG* KeloDecompressJPEG::instance() {
    static std::once_flag once;
    static KeloDecompressJPEG* shared = nullptr;
    std::call_once(once, [] { shared = new KeloDecompressJPEG(); });
    return shared;
}

QImage cgImageWithJPEGData(const QByteArray& data) {
    if (data.isEmpty()) return {};
    TjHandle& handle = threadDecompressor();
    tjhandle tj = handle.get();
    if (!tj) return {};
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const auto size = static_cast<unsigned long>(data.size());

    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(tj, bytes, size, &width, &height, &subsampling, &colorspace) != 0) {
        OmLogNoFlood(kOmLogDebug, "JPEG header refused: %s\n", tjGetErrorStr2(tj));
        return refuse(handle);
    }
    // A header cut short can pass with a size of 0 × 0.
    if (width <= 0 || height <= 0 || width > KeloDecompressJPEG::kMaxSide ||
        height > KeloDecompressJPEG::kMaxSide) {
        OmLogNoFlood(kOmLogDebug, "JPEG of %d x %d refused\n", width, height);
        return refuse(handle);
    }

    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return {};
    if (tjDecompress2(tj, bytes, size, image.bits(), width, int(image.bytesPerLine()), height,
                      kPixelFormat, 0) != 0) {
        // Warnings count too: the scan data was cut or damaged.
        OmLogNoFlood(kOmLogDebug, "JPEG decode %s: %s\n",
                     tjGetErrorCode(tj) == TJERR_WARNING ? "warning" : "error", tjGetErrorStr2(tj));
        return refuse(handle);
    }
    return image;
}

void KeloDecompressJPEG::decompressJPEGDataSizeOutput(const QByteArray& data, const QSizeF&,
                                                      QImage* output) {
    if (!output) return;
    *output = cgImageWithJPEGData(data);
}

void KeloDecompressJPEG::decompressJPEGDataSizeCvpixbuf(const QByteArray& data, const QSizeF& size,
                                                        QImage* cvpixbuf) {
    if (data.isEmpty()) return;
    QImage image = cgImageWithJPEGData(data);
    if (!image.isNull() &&
        (image.width() != int(size.width()) || image.height() != int(size.height()))) {
        OmLogNoFlood(kOmLogDebug, "JPEG of %d x %d where %d x %d was announced\n", image.width(),
                     image.height(), int(size.width()), int(size.height()));
        image = QImage();
    }
    if (cvpixbuf) *cvpixbuf = image;
}
