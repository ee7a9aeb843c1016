#pragma once

// Server models filled by hand, JPEG previews, a recording cell host and
// artefact paths for the Status tab's tests.

#include "serverlink/KeloObject.h"
#include "serverlink/KeloStatusRecords.h"
#include "status/KeloCellHost.h"
#include "support/PixelTestSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cstring>
#include <vector>

namespace statustest {

struct LayerSpec {
    uint8_t level = 255;
    uint8_t folder = 1;
    uint8_t file = 1;
    uint32_t length = 256 * 60;
    uint32_t posn = 256 * 10;
    uint32_t in = 0;
    uint32_t out = 256 * 60;
    uint8_t texError = 0;
    const char* name = "clip.mov";
};

// Files a general status (and the detail of each layer given) the way the
// link does for received records, more than 14 layers in several blocks, and
// marks the server running with live previews on.
inline void fillServer(KeloObject& kelo, int layerCount, uint32_t timeCode,
                       const std::vector<LayerSpec>& layers = {}) {
    kle_general_stat s{};
    s.layercount = uint8_t(std::clamp(layerCount, 0, 255));
    s.tc_value.set(timeCode);
    s.universe.set(7);
    for (int block = 0; block * 14 < std::max(1, layerCount) && block < 5; ++block) {
        s.flex_data = uint8_t(block);
        for (int i = 0; i < 14; ++i) {
            const int layer = block * 14 + i;
            s.flex_layer_stats[i] = {};
            if (layer >= int(layers.size())) continue;
            const LayerSpec& l = layers[size_t(layer)];
            auto& f = s.flex_layer_stats[i];
            f.level = l.level;
            f.media_folder = l.folder;
            f.media_file = l.file;
            f.length.set(l.length);
            f.posn.set(l.posn);
            f.in_pt.set(l.in);
            f.out_pt.set(l.out);
        }
        kelo.setGeneralStatus(&s, sizeof s);
    }
    for (size_t i = 0; i < layers.size() && i < 24; ++i) {
        kle_layer_stat d{};
        d.level = layers[i].level;
        d.texlib = layers[i].folder;
        d.texnum = layers[i].file;
        d.tex_error_code = layers[i].texError;
        d.width.set(1920);
        d.height.set(1080);
        std::memcpy(d.codec, "avc1", 4);
        d.file_fps.set(7680);
        d.play_fps.set(7680);
        d.length.set(layers[i].length);
        d.posn.set(layers[i].posn);
        d.in_pt.set(layers[i].in);
        d.out_pt.set(layers[i].out);
        std::strncpy(d.texname, layers[i].name, sizeof d.texname - 1);
        kelo.setLayerDetailStatus(&d, sizeof d, int(i));
    }
    kelo.setGeneralStatusArrived(KeloObject::now() != 0 ? KeloObject::now() : 1.0);
    kelo.setIsRunning(true);
    KeloObject::setLiveImageFeedbackEnabled(true);
}

inline QByteArray jpeg(int w, int h, const QColor& colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QPainter(&image).fillRect(0, 0, w / 4, h / 4, Qt::white);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return data;
}

// Puts a preview where the link files a received picture record.
inline void setPreview(KeloObject& kelo, const KlReqV4& request, const QByteArray& data,
                       QSizeF size, QSizeF original) {
    KeloImage* image = kelo.imageWithRequest(request);
    if (!image) return;
    image->setImageData(data);
    image->setImageSize(size);
    image->setOriginalSize(original);
}

inline KlReqV4 outputRequest(const KeloObject& kelo) {
    KlReqV4 r;
    kelo.imageRequest_V4(&r, 0, 0, 0, -1);
    return r;
}

inline KlReqV4 layerRequest(const KeloObject& kelo, int layer) {
    KlReqV4 r;
    kelo.imageRequest_V4(&r, layer, 0, 0, -1);
    return r;
}

// A cell host without a widget: records what the cells ask of it.
class RecordingHost : public KeloCellHost {
public:
    void setNeedsDisplayInRect(const QRectF& rect) override { displayRequests.push_back(rect); }
    void displayRectIgnoringOpacity(const QRectF& rect) override { immediate.push_back(rect); }
    bool hasWindow() const override { return true; }
    QRectF visibleRect() const override { return visible; }
    void setNeedsLayout(bool needs) override { needsLayout = needs; }

    std::vector<QRectF> displayRequests;
    std::vector<QRectF> immediate;
    QRectF visible{0, 0, 4000, 4000};
    bool needsLayout = false;
};


}  // namespace statustest
