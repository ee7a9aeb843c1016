#pragma once

#include <QByteArray>
#include <QImage>
#include <QSizeF>

// Decodes the servers' JPEG preview pictures. There is no hardware decoder to
// hand them to, so both entry points decode in software (libturbojpeg) into a
// QImage of Format_RGB32. Data that does not decode cleanly gives a null
// image: a corrupt, truncated or oversized JPEG, and also one that decodes
// only with a warning (a cut-off scan would show as a grey band; the next
// frame follows within a fraction of a second).
class KeloDecompressJPEG {
public:
    // The shared decoder, made once on first use (thread-safe).
    static KeloDecompressJPEG* instance();

    KeloDecompressJPEG(const KeloDecompressJPEG&) = delete;
    KeloDecompressJPEG& operator=(const KeloDecompressJPEG&) = delete;

    // Stores the decoded picture (null when it does not decode) through
    // `output`; does nothing when `output` is null. `size` is not used.
    void decompressJPEGDataSizeOutput(const QByteArray& data, const QSizeF& size, QImage* output);
    // The pixel-buffer entry: empty data leaves `cvpixbuf` untouched; a picture
    // whose size is not the announced `size` (whole pixels) is refused, as a
    // decoder set up for that size would.
    void decompressJPEGDataSizeCvpixbuf(const QByteArray& data, const QSizeF& size,
                                        QImage* cvpixbuf);

    // Largest width or height accepted from a JPEG header; a few bytes can
    // claim 65535 × 65535.
    static constexpr int kMaxSide = 4096;

private:
    KeloDecompressJPEG() = default;
};

// Decodes one JPEG; a null image when it is not a clean, acceptable JPEG.
// Safe to call from any thread.
QImage cgImageWithJPEGData(const QByteArray& data);
