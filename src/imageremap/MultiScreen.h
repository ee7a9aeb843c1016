#pragma once

#include "imageremap/MultiScreenDocument.h"
#include "platform/PlistNode.h"

#include <QPointF>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <vector>

// The multi-screen engine: turns one configuration of an image-remap
// document and the DMX bytes of its universes into textured, coloured
// triangles and draws them with the current OpenGL context (compatibility
// profile). It is called like a plug-in, through `multiscreen` with an
// operation code; it keeps its state in a block it allocates and hands back
// through the host's state slot, and asks the host for data through a
// callback.
//
// The document is read into a compact form when the state is (re)loaded,
// which the host asks for by changing the record's document version; each
// drawing call then only decodes the DMX bytes and builds geometry. Without
// a current GL context a drawing call builds the geometry and draws nothing
// (benchmarks and tests read the buffers).
//
// Thread: the host's (the GL context's) thread.

// What the host fills before each call.
struct multiscreen_rec {
    int32_t configuration = 0;  // index into "configurations"; 255 reads the document from disk
    int32_t layerWord = 0;      // layer index (word / 2) - 1 for strides; below 2: none
    uint32_t textureName = 0;   // bound by the host; non-zero: the texture matrix is set
    uint32_t textureWidth = 0;
    uint32_t textureHeight = 0;
    float textureAspect = 0;  // 0 counts as 1
    float panX = 0, panY = 0;
    float zoom = 1;
    float scaleX = 1, scaleY = 1;
    float rotation1 = 0, rotation2 = 0;  // degrees, summed
    float tintRed = 1, tintGreen = 1, tintBlue = 1;
    float masterAlpha = 1;
    double worldX = 0, worldY = 0, worldWidth = 0, worldHeight = 0;
    int32_t documentVersion = 0;
    PlistNode::Ptr document;
    const PlistNode* highlight = nullptr;  // a screen of the document, or none
    int32_t reserved = 0;
    const float* projection = nullptr;  // 16 floats, column-major, or none
};

// One entry of the universe table; the host sets `bytes` (and their count)
// for the universe `number` when asked (callback operation 12).
struct multiscreen_universe {
    int32_t number = 0;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
};

// The report on the highlighted screen (callback operation 16).
struct multiscreen_report {
    int32_t flags = 0;  // 1: a perspective screen
    float markX = -99999, markY = -99999;
    float x = 0, y = 0, z = 0;
    float textureX = 0, textureY = 0;
};
static_assert(sizeof(multiscreen_report) == 32);

// Host callback: (host context, data, operation) -> ignored result.
// 12: data is a multiscreen_universe*; 13: data is a QString* to receive
// the folder holding "MultiScreenData.plist"; 16: data is a
// const multiscreen_report*.
using multiscreen_callback = int (*)(void* host, void* data, int operation);

// A texture rotation of one screen.
struct rotation_rec {
    int32_t flags = 0;
    bool hasCentre = false;
    float angle = 0;  // turns
    float scale = 1;
    float sinScale = 0, cosScale = 1;
    float centreX = 0, centreY = 0;
};
void rot_vert(const rotation_rec* rotation, QPointF* point);

// One row of the parameter table.
struct p_desc {
    int32_t parameter;
    const char* name;
};

// One vertex as the GL arrays take it (36 bytes).
struct multiscreen_vertex {
    float s, t;
    float r, g, b, a;
    float x, y, z;
};
static_assert(sizeof(multiscreen_vertex) == 36);

struct multi_vars;

enum : int {
    kMultiScreenFree = 5,
    kMultiScreenParameters = 15,
    kMultiScreenDraw = 18,
};

// Operation 5 frees the state (returns null), 15 returns the p_desc table
// (ended by {0, nullptr}), 18 builds and draws (returns null).
const void* multiscreen(multiscreen_rec* rec, multi_vars** state, void* host,
                        multiscreen_callback callback, double unused, int operation);

// (Re)loads the state from a document, or from disk when it is null.
void loadConfigs(multi_vars* state, void* host, multiscreen_callback callback,
                 const PlistNode::Ptr& document);

// What the last drawing call built, for tests and benchmarks.
const std::vector<multiscreen_vertex>& multiscreenVertices(const multi_vars* state);
const std::vector<uint32_t>& multiscreenOrthoIndices(const multi_vars* state);
const std::vector<uint32_t>& multiscreenPerspectiveIndices(const multi_vars* state);
