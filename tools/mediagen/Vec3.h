// Small vector and matrix helpers for building geometry. Left-handed, +Y up,
// row vectors: a point p is carried by a matrix M as p × M.
#pragma once

#include <cmath>

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vec3() = default;
    Vec3(float fX, float fY, float fZ) : x(fX), y(fY), z(fZ) {}

    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3 operator*(float f) const { return {x * f, y * f, z * f}; }
    Vec3& operator+=(const Vec3& o) {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
};

inline float Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float Length(const Vec3& a) {
    return std::sqrt(Dot(a, a));
}

inline Vec3 Normalize(const Vec3& a) {
    const float fLen = Length(a);
    return fLen > 1e-12f ? a * (1.0f / fLen) : Vec3(0.0f, 0.0f, 0.0f);
}

inline Vec3 Lerp(const Vec3& a, const Vec3& b, float t) {
    return a + (b - a) * t;
}

// 4 x 4 row-major matrix, translation in the fourth row.
struct Mat4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    static Mat4 Identity() { return Mat4(); }
    static Mat4 Translation(float fX, float fY, float fZ) {
        Mat4 r;
        r.m[12] = fX;
        r.m[13] = fY;
        r.m[14] = fZ;
        return r;
    }
    static Mat4 Scaling(float fX, float fY, float fZ) {
        Mat4 r;
        r.m[0] = fX;
        r.m[5] = fY;
        r.m[10] = fZ;
        return r;
    }
    // Same sense as the platform's rotation helpers: RotationY(a) carries +Z toward +X.
    static Mat4 RotationX(float fAngle) {
        Mat4 r;
        const float c = std::cos(fAngle), s = std::sin(fAngle);
        r.m[5] = c;
        r.m[6] = s;
        r.m[9] = -s;
        r.m[10] = c;
        return r;
    }
    static Mat4 RotationY(float fAngle) {
        Mat4 r;
        const float c = std::cos(fAngle), s = std::sin(fAngle);
        r.m[0] = c;
        r.m[2] = -s;
        r.m[8] = s;
        r.m[10] = c;
        return r;
    }
    static Mat4 RotationZ(float fAngle) {
        Mat4 r;
        const float c = std::cos(fAngle), s = std::sin(fAngle);
        r.m[0] = c;
        r.m[1] = s;
        r.m[4] = -s;
        r.m[5] = c;
        return r;
    }

    Mat4 operator*(const Mat4& o) const {
        Mat4 r;
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                float f = 0.0f;
                for (int k = 0; k < 4; ++k) {
                    f += m[i * 4 + k] * o.m[k * 4 + j];
                }
                r.m[i * 4 + j] = f;
            }
        }
        return r;
    }

    Vec3 TransformPoint(const Vec3& p) const {
        return {p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12], p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
                p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
    }
    Vec3 TransformNormal(const Vec3& n) const {
        return {n.x * m[0] + n.y * m[4] + n.z * m[8], n.x * m[1] + n.y * m[5] + n.z * m[9],
                n.x * m[2] + n.y * m[6] + n.z * m[10]};
    }
};
