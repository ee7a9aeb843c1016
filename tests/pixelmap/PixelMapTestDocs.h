#pragma once

// Small documents and profiles built in code, so that each test shows the
// values it depends on.

#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace pmtest {

inline QVariantMap pixel(double x, double y, int count, int type, int address, int shape = 0) {
    return {{"pix_x", x},           {"pix_y", y},           {"pix_cnt", qint64(count)},
            {"pix_type", qint64(type)}, {"pix_addr", qint64(address)}, {"pix_shape", qint64(shape)}};
}

// A profile of `pixels` pixels in a row, each of `perPixel` channels.
inline QVariantMap profile(const QString& name, int pixels, int perPixel = 3, int type = 1) {
    QVariantList list;
    for (int i = 0; i < pixels; ++i) list.append(pixel(i, 0, perPixel, type, i + 1));
    return {{"profile_name", name},         {"fix_cnt", qint64(pixels * perPixel)},
            {"fix_width", qint64(pixels)},  {"fix_height", qint64(1)},
            {"fix_level", 1.0},             {"fix_pixfill", 1.0},
            {"pixels", list}};
}

inline QVariantMap fixture(const QString& reference, const QVariant& universe, int address,
                           const QString& protocol = "Art-Net", double x = 0, double y = 0) {
    return {{"fix_reference", reference}, {"fix_univ", universe},    {"fix_addr", qint64(address)},
            {"fix_xpos", x},              {"fix_ypos", y},           {"fix_protocol", protocol},
            {"fix_rotation", 0.0}};
}

inline QVariantMap context(const QVariant& uniqueId, const QVariantList& fixtures,
                           int protocol = 0, int sourceId = 0) {
    QVariantMap settings{{"source_rect", "{{0, 0}, {1920, 1080}}"},
                         {"context_size", "{192, 108}"},
                         {"source_id", qint64(sourceId)},
                         {"ctx_protocol", qint64(protocol)}};
    if (uniqueId.isValid()) settings.insert("unique_id", uniqueId);
    return {{"context", settings}, {"fixtures", fixtures}};
}

inline QVariantMap document(const QVariantList& contexts, const QVariantList& profiles = {}) {
    return {{"pmap_version", qint64(3900)},
            {"contexts", contexts},
            {"profiles", profiles},
            {"sources", QVariantList{QVariantMap{{"source_id", qint64(0)},
                                                 {"source_width", qint64(1920)},
                                                 {"source_height", qint64(1080)},
                                                 {"source_auto", false}}}},
            {"destinations", QVariantMap{{"default", QVariantMap{{"Art-Net", "2.0.0.1"}, {"sACN", ""}}}}},
            {"sACN_priority", qint64(100)}};
}

}  // namespace pmtest
