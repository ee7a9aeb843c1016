#pragma once

// The engine's private state block and its compiled form of a
// configuration; shared by the engine's builder and its GL drawing.

#include "imageremap/MultiScreen.h"

#include <memory>
#include <optional>

struct MultiScreenControl {
    int32_t universe = 0;
    int64_t address = 0;
    int64_t layerstride = 0;
    int32_t parameter = 0;
    int32_t format = 0;
    double scale = 0;
    double offset = 0;
    double min = 0, max = 0;
};

struct MultiScreenScreen {
    const PlistNode* node = nullptr;  // identity, for the highlight
    bool polygon = false;
    bool ortho = true;
    QRectF activeRect, texRect;
    float z = 0;
    std::optional<QPointF> tcentre, pcentre;
    int32_t tmode = 1;
    std::vector<MultiScreenVertex> vertices;  // the readable ones, in order
    std::optional<MultiScreenVertex> marked;  // the "vertexindex" row
    std::vector<MultiScreenControl> controls;
};

struct MultiScreenConfiguration {
    std::vector<MultiScreenScreen> screens;
    QSizeF texSize, displaySize;
};

struct multi_vars {
    int32_t configurationCount = 0;
    int32_t universeCount = 0;
    int32_t lastConfiguration = -1;
    float scale3D = 1.0f / 240;
    double texGain = 1, posnGain = 1;
    PlistNode::Ptr configurations;
    std::vector<multiscreen_vertex> vertices;
    std::vector<uint32_t> orthoIndices;
    std::vector<uint32_t> perspectiveIndices;
    std::vector<multiscreen_universe> universes;
    int64_t reportVertex = 0;
    int64_t drawFlags = 3;
    int32_t documentVersion = -1;
    // Read from the disk file rather than the record's document.
    bool fromDisk = false;
    // The compiled configurations, by index, made on first use after a load.
    std::vector<std::unique_ptr<MultiScreenConfiguration>> compiled;
};

// Draws the buffers with the current GL context; false when there is none.
bool multiscreenDrawGL(multi_vars* state, const multiscreen_rec* rec);
// Sets and restores the texture matrix and attributes around the build.
struct MultiScreenGLScope {
    MultiScreenGLScope(const multiscreen_rec* rec);
    ~MultiScreenGLScope();
    bool active = false;
    bool textureMatrix = false;
};
