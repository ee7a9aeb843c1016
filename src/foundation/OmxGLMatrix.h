#pragma once

#include <QVariantMap>

// 4 x 4 column-major matrices, multiplied in place on the right like the
// fixed-function OpenGL and GLU calls they mirror.
void RotateGL(float* m, float degrees, float x, float y, float z);
void FrustumGL(float* m, float left, float right, float bottom, float top, float nearZ, float farZ);
void PerspectiveGL(float* m, float fovy, float aspect, float nearZ, float farZ);
void LookAtGL(float* m, float eyeX, float eyeY, float eyeZ, float centreX, float centreY,
              float centreZ, float upX, float upY, float upZ);
void matrixPerspective(float* m, float fovy, float aspect, float nearZ, float farZ);
void matrixLookAt(float* m, float eyeX, float eyeY, float eyeZ, float centreX, float centreY,
                  float centreZ, float upX, float upY, float upZ);

// A camera: where it stands, what it looks at, its field of view (degrees)
// and roll (`up`, degrees), plus screen-space corrections.
struct omx_projection_rec {
    float camera[3];
    float lookat[3];
    float shear[2];
    float offset[2];
    float fov;
    float up;
    float astig;
    bool ortho;
};

// Zeroes the record; the camera stands at (0, 0, 1) with a 90 degree view.
void OmxInitProjectionRec(omx_projection_rec* rec);
// Writes the record's projection into `matrix` (replacing it):
//   offset x shear x astig x projection x view
// The view looks from `camera` at `lookat`, rolled by `up` degrees. The
// projection is a perspective of `fov` (near 0.01, far 1000), or with
// `ortho` the orthographic volume that frames the same area at the lookat
// distance. `astig` stretches x by (1 + astig); `shear` and `offset` then
// act in normalised screen units, so they move the picture the same at any
// depth.
void OmxProjection(const omx_projection_rec* rec, float* matrix, float aspect);
// Reads "ortho", "fov", "camera" and "lookat" ("x, y, z"), "up", "offset" and
// "shear" ("x, y") and "astig"; missing keys keep their defaults.
void OmxProjectionFromDict(const QVariantMap& dict, float* matrix, float aspect);
