#include "imageremap/MultiScreenState.h"

#include <QOpenGLContext>
#include <QOpenGLFunctions_2_1>
#include <QOpenGLVersionFunctionsFactory>

#ifndef GL_TEXTURE_RECTANGLE
#define GL_TEXTURE_RECTANGLE 0x84F5
#endif
#ifndef GL_CLAMP_TO_BORDER
#define GL_CLAMP_TO_BORDER 0x812D
#endif

namespace {

// The fixed-function entry points of the current compatibility context, or
// null without one.
QOpenGLFunctions_2_1* currentGL() {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    if (!context || context->isOpenGLES()) return nullptr;
    return QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_2_1>(context);
}

}  // namespace

MultiScreenGLScope::MultiScreenGLScope(const multiscreen_rec* rec) {
    QOpenGLFunctions_2_1* gl = currentGL();
    if (!gl) return;
    active = true;
    if (rec->textureName != 0) {
        textureMatrix = true;
        // Zoom and scale 0 would make the matrix infinite; they count as 1.
        auto nonZero = [](float v) { return v == 0 ? 1.0f : v; };
        const float aspect = nonZero(rec->textureAspect);
        gl->glMatrixMode(GL_TEXTURE);
        gl->glPushMatrix();
        gl->glLoadIdentity();
        gl->glTranslatef(float(rec->textureWidth) * 0.5f - rec->panX,
                         float(rec->textureHeight) * 0.5f - rec->panY, 0);
        gl->glScalef(1 / nonZero(rec->zoom) / aspect / nonZero(rec->scaleX),
                     1 / nonZero(rec->zoom) / nonZero(rec->scaleY), 1);
        gl->glRotatef(rec->rotation1 + rec->rotation2, 0, 0, 1);
    }
    gl->glPushAttrib(GL_LIGHTING_BIT | GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT | GL_POLYGON_BIT);
    gl->glDisable(GL_LIGHTING);
    gl->glMatrixMode(GL_PROJECTION);
    gl->glPushMatrix();
    gl->glMatrixMode(GL_MODELVIEW);
    gl->glPushMatrix();
    gl->glLoadIdentity();
}

MultiScreenGLScope::~MultiScreenGLScope() {
    if (!active) return;
    QOpenGLFunctions_2_1* gl = currentGL();
    if (!gl) return;
    gl->glMatrixMode(GL_MODELVIEW);
    gl->glPopMatrix();
    gl->glMatrixMode(GL_PROJECTION);
    gl->glPopMatrix();
    if (textureMatrix) {
        gl->glMatrixMode(GL_TEXTURE);
        gl->glPopMatrix();
    }
    gl->glMatrixMode(GL_MODELVIEW);
    gl->glPopAttrib();
}

bool multiscreenDrawGL(multi_vars* st, const multiscreen_rec* rec) {
    QOpenGLFunctions_2_1* gl = currentGL();
    if (!gl || st->vertices.empty()) return gl != nullptr;
    const char* base = reinterpret_cast<const char*>(st->vertices.data());
    const GLsizei stride = sizeof(multiscreen_vertex);
    gl->glEnableClientState(GL_VERTEX_ARRAY);
    gl->glEnableClientState(GL_COLOR_ARRAY);
    gl->glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    gl->glVertexPointer(3, GL_FLOAT, stride, base + offsetof(multiscreen_vertex, x));
    gl->glColorPointer(4, GL_FLOAT, stride, base + offsetof(multiscreen_vertex, r));
    gl->glTexCoordPointer(2, GL_FLOAT, stride, base + offsetof(multiscreen_vertex, s));
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    gl->glTexParameteri(GL_TEXTURE_RECTANGLE, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
    const float border[4] = {0.35f, 0.1f, 0.35f, 0};
    gl->glTexParameterfv(GL_TEXTURE_RECTANGLE, GL_TEXTURE_BORDER_COLOR, border);

    if (!st->perspectiveIndices.empty() && rec->projection) {
        gl->glMatrixMode(GL_PROJECTION);
        gl->glLoadMatrixf(rec->projection);
        gl->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        gl->glDisable(GL_LIGHTING);
        gl->glEnable(GL_DEPTH_TEST);
        gl->glMatrixMode(GL_MODELVIEW);
        gl->glLoadIdentity();
        gl->glScalef(st->scale3D, -st->scale3D, st->scale3D);
        gl->glDrawElements(GL_TRIANGLES, GLsizei(st->perspectiveIndices.size()), GL_UNSIGNED_INT,
                           st->perspectiveIndices.data());
    }
    if (!st->orthoIndices.empty() && (st->drawFlags & 1)) {
        gl->glMatrixMode(GL_PROJECTION);
        gl->glLoadIdentity();
        gl->glOrtho(0, rec->worldWidth, rec->worldHeight, 0, -10000, 10000);
        gl->glDisable(GL_DEPTH_TEST);
        gl->glMatrixMode(GL_MODELVIEW);
        gl->glLoadIdentity();
        gl->glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        gl->glDisable(GL_LIGHTING);
        gl->glDrawElements(GL_TRIANGLES, GLsizei(st->orthoIndices.size()), GL_UNSIGNED_INT,
                           st->orthoIndices.data());
    }
    gl->glDisableClientState(GL_VERTEX_ARRAY);
    gl->glDisableClientState(GL_COLOR_ARRAY);
    gl->glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    return true;
}
