#include "foundation/OmxGLMatrix.h"

#include <QStringList>

#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr float kNear = 0.01f;
constexpr float kFar = 1000.0f;

float radians(float degrees) {
    return degrees * std::numbers::pi_v<float> / 180.0f;
}

// m = m x r
void multiply(float* m, const float* r) {
    float out[16];
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += m[k * 4 + row] * r[col * 4 + k];
            out[col * 4 + row] = s;
        }
    }
    std::memcpy(m, out, sizeof out);
}

void identity(float* m) {
    std::memset(m, 0, 16 * sizeof(float));
    m[0] = m[5] = m[10] = m[15] = 1;
}

bool normalise(float* v) {
    float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(len > 0)) return false;
    v[0] /= len;
    v[1] /= len;
    v[2] /= len;
    return true;
}

void cross(const float* a, const float* b, float* out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

void RotateGL(float* m, float degrees, float x, float y, float z) {
    float axis[3] = {x, y, z};
    if (!normalise(axis)) return;
    float c = std::cos(radians(degrees));
    float s = std::sin(radians(degrees));
    float t = 1 - c;
    x = axis[0];
    y = axis[1];
    z = axis[2];
    const float r[16] = {x * x * t + c,
                         y * x * t + z * s,
                         x * z * t - y * s,
                         0,
                         x * y * t - z * s,
                         y * y * t + c,
                         y * z * t + x * s,
                         0,
                         x * z * t + y * s,
                         y * z * t - x * s,
                         z * z * t + c,
                         0,
                         0,
                         0,
                         0,
                         1};
    multiply(m, r);
}

void FrustumGL(float* m, float left, float right, float bottom, float top, float nearZ,
               float farZ) {
    // A degenerate volume would fill the matrix with infinities.
    if (right == left || top == bottom || farZ == nearZ) return;
    const float r[16] = {2 * nearZ / (right - left),
                         0,
                         0,
                         0,
                         0,
                         2 * nearZ / (top - bottom),
                         0,
                         0,
                         (right + left) / (right - left),
                         (top + bottom) / (top - bottom),
                         -(farZ + nearZ) / (farZ - nearZ),
                         -1,
                         0,
                         0,
                         -2 * farZ * nearZ / (farZ - nearZ),
                         0};
    multiply(m, r);
}

void PerspectiveGL(float* m, float fovy, float aspect, float nearZ, float farZ) {
    float top = std::tan(radians(fovy) / 2) * nearZ;
    float right = aspect * top;
    FrustumGL(m, -right, right, -top, top, nearZ, farZ);
}

void LookAtGL(float* m, float eyeX, float eyeY, float eyeZ, float centreX, float centreY,
              float centreZ, float upX, float upY, float upZ) {
    float f[3] = {centreX - eyeX, centreY - eyeY, centreZ - eyeZ};
    float up[3] = {upX, upY, upZ};
    float s[3];
    float u[3];
    if (!normalise(f)) return;
    cross(f, up, s);
    if (!normalise(s)) return;
    cross(s, f, u);
    const float r[16] = {s[0], u[0], -f[0], 0, s[1], u[1], -f[1], 0,
                         s[2], u[2], -f[2], 0, 0,    0,    0,     1};
    multiply(m, r);
    const float t[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -eyeX, -eyeY, -eyeZ, 1};
    multiply(m, t);
}

void matrixPerspective(float* m, float fovy, float aspect, float nearZ, float farZ) {
    PerspectiveGL(m, fovy, aspect, nearZ, farZ);
}

void matrixLookAt(float* m, float eyeX, float eyeY, float eyeZ, float centreX, float centreY,
                  float centreZ, float upX, float upY, float upZ) {
    LookAtGL(m, eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
}

void OmxInitProjectionRec(omx_projection_rec* rec) {
    std::memset(rec, 0, sizeof *rec);
    rec->camera[2] = 1;
    rec->fov = 90;
}

void OmxProjection(const omx_projection_rec* rec, float* matrix, float aspect) {
    identity(matrix);
    const float screen[16] = {
        1 + rec->astig, rec->shear[1],  0, 0, rec->shear[0], 1, 0, 0, 0, 0, 1, 0,
        rec->offset[0], rec->offset[1], 0, 1};
    multiply(matrix, screen);

    const float* c = rec->camera;
    const float* l = rec->lookat;
    if (rec->ortho) {
        float d = std::sqrt((c[0] - l[0]) * (c[0] - l[0]) + (c[1] - l[1]) * (c[1] - l[1]) +
                            (c[2] - l[2]) * (c[2] - l[2]));
        float top = d * std::tan(radians(rec->fov) / 2);
        float right = aspect * top;
        if (top > 0 && right != 0) {
            // Depth runs from -kFar to kFar round the eye.
            const float o[16] = {1 / right, 0, 0,         0, 0, 1 / top, 0, 0,
                                 0,         0, -1 / kFar, 0, 0, 0,       0, 1};
            multiply(matrix, o);
        }
    } else {
        PerspectiveGL(matrix, rec->fov, aspect, kNear, kFar);
    }

    float roll = radians(rec->up);
    LookAtGL(matrix, c[0], c[1], c[2], l[0], l[1], l[2], -std::sin(roll), std::cos(roll), 0);
}

namespace {

// Up to n comma-separated numbers of a "%f, %f" style text; the values
// after the first that does not read keep what they held.
void readFloats(const QVariant& value, float* out, int n) {
    const QStringList parts = value.toString().split(u',');
    for (int i = 0; i < n && i < parts.size(); ++i) {
        bool ok = false;
        float v = parts[i].trimmed().toFloat(&ok);
        if (!ok) return;
        out[i] = v;
    }
}

bool truthValue(const QVariant& value) {
    if (value.typeId() == QMetaType::QString) {
        const QString s = value.toString().trimmed();
        if (s.isEmpty()) return false;
        QChar first = s[0].toUpper();
        return first == u'Y' || first == u'T' || (first >= u'1' && first <= u'9');
    }
    return value.toBool();
}

}  // namespace

void OmxProjectionFromDict(const QVariantMap& dict, float* matrix, float aspect) {
    omx_projection_rec rec;
    OmxInitProjectionRec(&rec);
    if (dict.contains("ortho")) rec.ortho = truthValue(dict.value("ortho"));
    if (dict.contains("fov")) readFloats(dict.value("fov"), &rec.fov, 1);
    if (dict.contains("camera")) readFloats(dict.value("camera"), rec.camera, 3);
    if (dict.contains("lookat")) readFloats(dict.value("lookat"), rec.lookat, 3);
    if (dict.contains("up")) readFloats(dict.value("up"), &rec.up, 1);
    if (dict.contains("offset")) readFloats(dict.value("offset"), rec.offset, 2);
    if (dict.contains("shear")) readFloats(dict.value("shear"), rec.shear, 2);
    if (dict.contains("astig")) rec.astig = dict.value("astig").toFloat();
    OmxProjection(&rec, matrix, aspect);
}
