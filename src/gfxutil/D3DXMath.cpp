#include "gfxutil/D3DXMath.h"

#include <cmath>

// ---- vector and matrix members ---------------------------------------------

D3DXVECTOR3& D3DXVECTOR3::operator+=(const D3DXVECTOR3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
}

D3DXVECTOR3& D3DXVECTOR3::operator-=(const D3DXVECTOR3& v) {
    x -= v.x;
    y -= v.y;
    z -= v.z;
    return *this;
}

D3DXVECTOR3& D3DXVECTOR3::operator*=(float f) {
    x *= f;
    y *= f;
    z *= f;
    return *this;
}

D3DXVECTOR3 D3DXVECTOR3::operator+(const D3DXVECTOR3& v) const {
    return D3DXVECTOR3(x + v.x, y + v.y, z + v.z);
}
D3DXVECTOR3 D3DXVECTOR3::operator-(const D3DXVECTOR3& v) const {
    return D3DXVECTOR3(x - v.x, y - v.y, z - v.z);
}
D3DXVECTOR3 D3DXVECTOR3::operator-() const {
    return D3DXVECTOR3(-x, -y, -z);
}
D3DXVECTOR3 D3DXVECTOR3::operator*(float f) const {
    return D3DXVECTOR3(x * f, y * f, z * f);
}
bool D3DXVECTOR3::operator==(const D3DXVECTOR3& v) const {
    return x == v.x && y == v.y && z == v.z;
}

D3DXMATRIX::D3DXMATRIX(const float* pf) {
    for (int i = 0; i < 16; ++i) {
        m[i / 4][i % 4] = pf[i];
    }
}

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14, float f21, float f22, float f23, float f24,
                       float f31, float f32, float f33, float f34, float f41, float f42, float f43, float f44) {
    _11 = f11, _12 = f12, _13 = f13, _14 = f14;
    _21 = f21, _22 = f22, _23 = f23, _24 = f24;
    _31 = f31, _32 = f32, _33 = f33, _34 = f34;
    _41 = f41, _42 = f42, _43 = f43, _44 = f44;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& other) const {
    D3DXMATRIX result;
    D3DXMatrixMultiply(&result, this, &other);
    return result;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& other) {
    D3DXMatrixMultiply(this, this, &other);
    return *this;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& other) const {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (m[r][c] != other.m[r][c]) {
                return false;
            }
        }
    }
    return true;
}

// ---- matrices ----------------------------------------------------------------

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            pOut->m[r][c] = (r == c) ? 1.0f : 0.0f;
        }
    }
    return pOut;
}

BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (pM->m[r][c] != ((r == c) ? 1.0f : 0.0f)) {
                return FALSE;
            }
        }
    }
    return TRUE;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    // Computed into a local first: the output may be either input.
    float result[4][4];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            result[r][c] = pM1->m[r][0] * pM2->m[0][c] + pM1->m[r][1] * pM2->m[1][c] + pM1->m[r][2] * pM2->m[2][c] +
                           pM1->m[r][3] * pM2->m[3][c];
        }
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            pOut->m[r][c] = result[r][c];
        }
    }
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM) {
    float result[4][4];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            result[r][c] = pM->m[c][r];
        }
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            pOut->m[r][c] = result[r][c];
        }
    }
    return pOut;
}

namespace {

// Cofactor expansion in double precision: the program inverts camera and
// view-projection matrices whose entries span several orders of magnitude.
struct Cofactors {
    double adj[4][4];
    double det;
};

Cofactors ComputeCofactors(const D3DXMATRIX* pM) {
    double a[4][4];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a[r][c] = pM->m[r][c];
        }
    }
    // 2x2 minors of the lower and upper row pairs.
    const double s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    const double s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    const double s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    const double s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    const double s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    const double s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    const double c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    const double c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    const double c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    const double c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    const double c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    const double c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];

    Cofactors out{};
    out.det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    out.adj[0][0] = a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3;
    out.adj[0][1] = -a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3;
    out.adj[0][2] = a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3;
    out.adj[0][3] = -a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3;
    out.adj[1][0] = -a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1;
    out.adj[1][1] = a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1;
    out.adj[1][2] = -a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1;
    out.adj[1][3] = a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1;
    out.adj[2][0] = a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0;
    out.adj[2][1] = -a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0;
    out.adj[2][2] = a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0;
    out.adj[2][3] = -a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0;
    out.adj[3][0] = -a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0;
    out.adj[3][1] = a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0;
    out.adj[3][2] = -a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0;
    out.adj[3][3] = a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0;
    return out;
}

}  // namespace

float D3DXMatrixDeterminant(const D3DXMATRIX* pM) {
    return static_cast<float>(ComputeCofactors(pM).det);
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM) {
    const Cofactors cof = ComputeCofactors(pM);
    if (pDeterminant != nullptr) {
        *pDeterminant = static_cast<float>(cof.det);
    }
    if (cof.det == 0.0 || !std::isfinite(cof.det)) {
        return nullptr;
    }
    const double inv = 1.0 / cof.det;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            pOut->m[r][c] = static_cast<float>(cof.adj[r][c] * inv);
        }
    }
    return pOut;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z) {
    D3DXMatrixIdentity(pOut);
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz) {
    D3DXMatrixIdentity(pOut);
    pOut->_11 = sx;
    pOut->_22 = sy;
    pOut->_33 = sz;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle) {
    const float s = std::sin(angle);
    const float c = std::cos(angle);
    D3DXMatrixIdentity(pOut);
    pOut->_22 = c;
    pOut->_23 = s;
    pOut->_32 = -s;
    pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle) {
    const float s = std::sin(angle);
    const float c = std::cos(angle);
    D3DXMatrixIdentity(pOut);
    pOut->_11 = c;
    pOut->_13 = -s;
    pOut->_31 = s;
    pOut->_33 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle) {
    const float s = std::sin(angle);
    const float c = std::cos(angle);
    D3DXMatrixIdentity(pOut);
    pOut->_11 = c;
    pOut->_12 = s;
    pOut->_21 = -s;
    pOut->_22 = c;
    return pOut;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pAxis, float angle) {
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, pAxis, angle);
    return D3DXMatrixRotationQuaternion(pOut, &q);
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ) {
    const float x = pQ->x;
    const float y = pQ->y;
    const float z = pQ->z;
    const float w = pQ->w;
    D3DXMatrixIdentity(pOut);
    pOut->_11 = 1.0f - 2.0f * (y * y + z * z);
    pOut->_12 = 2.0f * (x * y + z * w);
    pOut->_13 = 2.0f * (x * z - y * w);
    pOut->_21 = 2.0f * (x * y - z * w);
    pOut->_22 = 1.0f - 2.0f * (x * x + z * z);
    pOut->_23 = 2.0f * (y * z + x * w);
    pOut->_31 = 2.0f * (x * z + y * w);
    pOut->_32 = 2.0f * (y * z - x * w);
    pOut->_33 = 1.0f - 2.0f * (x * x + y * y);
    return pOut;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovY, float aspect, float zNear, float zFar) {
    const float yScale = 1.0f / std::tan(fovY * 0.5f);
    const float xScale = yScale / aspect;
    const float q = zFar / (zFar - zNear);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            pOut->m[r][c] = 0.0f;
        }
    }
    pOut->_11 = xScale;
    pOut->_22 = yScale;
    pOut->_33 = q;
    pOut->_34 = 1.0f;
    pOut->_43 = -zNear * q;
    return pOut;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp) {
    D3DXVECTOR3 zAxis = *pAt - *pEye;
    D3DXVec3Normalize(&zAxis, &zAxis);
    D3DXVECTOR3 xAxis;
    D3DXVec3Cross(&xAxis, pUp, &zAxis);
    D3DXVec3Normalize(&xAxis, &xAxis);
    D3DXVECTOR3 yAxis;
    D3DXVec3Cross(&yAxis, &zAxis, &xAxis);
    *pOut = D3DXMATRIX(xAxis.x, yAxis.x, zAxis.x, 0.0f, xAxis.y, yAxis.y, zAxis.y, 0.0f, xAxis.z, yAxis.z, zAxis.z,
                       0.0f, -D3DXVec3Dot(&xAxis, pEye), -D3DXVec3Dot(&yAxis, pEye), -D3DXVec3Dot(&zAxis, pEye), 1.0f);
    return pOut;
}

// ---- vectors -----------------------------------------------------------------

float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

float D3DXVec3LengthSq(const D3DXVECTOR3* pV) {
    return D3DXVec3Dot(pV, pV);
}

float D3DXVec3Length(const D3DXVECTOR3* pV) {
    return std::sqrt(D3DXVec3LengthSq(pV));
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    const D3DXVECTOR3 result(pV1->y * pV2->z - pV1->z * pV2->y, pV1->z * pV2->x - pV1->x * pV2->z,
                             pV1->x * pV2->y - pV1->y * pV2->x);
    *pOut = result;
    return pOut;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    const float length = D3DXVec3Length(pV);
    if (length == 0.0f) {
        *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        return pOut;
    }
    const float inv = 1.0f / length;
    *pOut = D3DXVECTOR3(pV->x * inv, pV->y * inv, pV->z * inv);
    return pOut;
}

D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    *pOut = *pV1 + *pV2;
    return pOut;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    *pOut = *pV1 - *pV2;
    return pOut;
}

D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, float s) {
    *pOut = *pV * s;
    return pOut;
}

D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, float s) {
    *pOut = *pV1 + (*pV2 - *pV1) * s;
    return pOut;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    const float x = pV->x;
    const float y = pV->y;
    const float z = pV->z;
    *pOut = D3DXVECTOR4(
        x * pM->_11 + y * pM->_21 + z * pM->_31 + pM->_41, x * pM->_12 + y * pM->_22 + z * pM->_32 + pM->_42,
        x * pM->_13 + y * pM->_23 + z * pM->_33 + pM->_43, x * pM->_14 + y * pM->_24 + z * pM->_34 + pM->_44);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    D3DXVECTOR4 h;
    D3DXVec3Transform(&h, pV, pM);
    const float inv = 1.0f / h.w;
    *pOut = D3DXVECTOR3(h.x * inv, h.y * inv, h.z * inv);
    return pOut;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
    const float x = pV->x;
    const float y = pV->y;
    const float z = pV->z;
    *pOut = D3DXVECTOR3(x * pM->_11 + y * pM->_21 + z * pM->_31, x * pM->_12 + y * pM->_22 + z * pM->_32,
                        x * pM->_13 + y * pM->_23 + z * pM->_33);
    return pOut;
}

// ---- planes ------------------------------------------------------------------

float D3DXPlaneDotCoord(const D3DXPLANE* pP, const D3DXVECTOR3* pV) {
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d;
}

float D3DXPlaneDotNormal(const D3DXPLANE* pP, const D3DXVECTOR3* pV) {
    return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z;
}

D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP) {
    const float length = std::sqrt(pP->a * pP->a + pP->b * pP->b + pP->c * pP->c);
    if (length == 0.0f) {
        *pOut = D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
        return pOut;
    }
    const float inv = 1.0f / length;
    *pOut = D3DXPLANE(pP->a * inv, pP->b * inv, pP->c * inv, pP->d * inv);
    return pOut;
}

D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint, const D3DXVECTOR3* pNormal) {
    *pOut = D3DXPLANE(pNormal->x, pNormal->y, pNormal->z, -D3DXVec3Dot(pPoint, pNormal));
    return pOut;
}

D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                               const D3DXVECTOR3* pV3) {
    const D3DXVECTOR3 edge1 = *pV2 - *pV1;
    const D3DXVECTOR3 edge2 = *pV3 - *pV1;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &edge1, &edge2);
    D3DXVec3Normalize(&normal, &normal);
    return D3DXPlaneFromPointNormal(pOut, pV1, &normal);
}

D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1,
                                    const D3DXVECTOR3* pV2) {
    const D3DXVECTOR3 direction = *pV2 - *pV1;
    const float along = D3DXPlaneDotNormal(pP, &direction);
    if (along == 0.0f) {
        return nullptr;
    }
    const float t = -D3DXPlaneDotCoord(pP, pV1) / along;
    *pOut = *pV1 + direction * t;
    return pOut;
}

// ---- quaternions ---------------------------------------------------------------

D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* pOut) {
    *pOut = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}

float D3DXQuaternionDot(const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2) {
    return pQ1->x * pQ2->x + pQ1->y * pQ2->y + pQ1->z * pQ2->z + pQ1->w * pQ2->w;
}

float D3DXQuaternionLength(const D3DXQUATERNION* pQ) {
    return std::sqrt(D3DXQuaternionDot(pQ, pQ));
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    const float length = D3DXQuaternionLength(pQ);
    if (length == 0.0f) {
        *pOut = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
        return pOut;
    }
    const float inv = 1.0f / length;
    *pOut = D3DXQUATERNION(pQ->x * inv, pQ->y * inv, pQ->z * inv, pQ->w * inv);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    *pOut = D3DXQUATERNION(-pQ->x, -pQ->y, -pQ->z, pQ->w);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    const float lengthSq = D3DXQuaternionDot(pQ, pQ);
    if (lengthSq == 0.0f) {
        *pOut = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
        return pOut;
    }
    const float inv = 1.0f / lengthSq;
    *pOut = D3DXQUATERNION(-pQ->x * inv, -pQ->y * inv, -pQ->z * inv, pQ->w * inv);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2) {
    // The algebraic product q2 q1, so that the matrix of the result is M(q1) x M(q2).
    const D3DXQUATERNION& a = *pQ2;
    const D3DXQUATERNION& b = *pQ1;
    const D3DXQUATERNION result(
        a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
        a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
    *pOut = result;
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pAxis, float angle) {
    D3DXVECTOR3 axis;
    D3DXVec3Normalize(&axis, pAxis);
    const float s = std::sin(angle * 0.5f);
    *pOut = D3DXQUATERNION(axis.x * s, axis.y * s, axis.z * s, std::cos(angle * 0.5f));
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM) {
    const float trace = pM->_11 + pM->_22 + pM->_33;
    D3DXQUATERNION q;
    if (trace > 0.0f) {
        const float s = std::sqrt(trace + 1.0f) * 2.0f;
        q = D3DXQUATERNION((pM->_23 - pM->_32) / s, (pM->_31 - pM->_13) / s, (pM->_12 - pM->_21) / s, 0.25f * s);
    } else if (pM->_11 > pM->_22 && pM->_11 > pM->_33) {
        const float s = std::sqrt(1.0f + pM->_11 - pM->_22 - pM->_33) * 2.0f;
        q = D3DXQUATERNION(0.25f * s, (pM->_12 + pM->_21) / s, (pM->_13 + pM->_31) / s, (pM->_23 - pM->_32) / s);
    } else if (pM->_22 > pM->_33) {
        const float s = std::sqrt(1.0f + pM->_22 - pM->_11 - pM->_33) * 2.0f;
        q = D3DXQUATERNION((pM->_12 + pM->_21) / s, 0.25f * s, (pM->_23 + pM->_32) / s, (pM->_31 - pM->_13) / s);
    } else {
        const float s = std::sqrt(1.0f + pM->_33 - pM->_11 - pM->_22) * 2.0f;
        q = D3DXQUATERNION((pM->_13 + pM->_31) / s, (pM->_23 + pM->_32) / s, 0.25f * s, (pM->_12 - pM->_21) / s);
    }
    *pOut = q;
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionLn(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    const float sinTheta = std::sqrt(pQ->x * pQ->x + pQ->y * pQ->y + pQ->z * pQ->z);
    // atan2 keeps the angle exact near 0 and pi where acos(w) loses precision.
    const float theta = std::atan2(sinTheta, pQ->w);
    const float scale = (sinTheta > 0.0f) ? theta / sinTheta : 1.0f;
    *pOut = D3DXQUATERNION(pQ->x * scale, pQ->y * scale, pQ->z * scale, 0.0f);
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionExp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
    const float theta = std::sqrt(pQ->x * pQ->x + pQ->y * pQ->y + pQ->z * pQ->z);
    const float scale = (theta > 0.0f) ? std::sin(theta) / theta : 1.0f;
    *pOut = D3DXQUATERNION(pQ->x * scale, pQ->y * scale, pQ->z * scale, std::cos(theta));
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                                    float t) {
    float cosOmega = D3DXQuaternionDot(pQ1, pQ2);
    float sign = 1.0f;
    if (cosOmega < 0.0f) {
        cosOmega = -cosOmega;
        sign = -1.0f;
    }
    float w1 = 1.0f - t;
    float w2 = t;
    // Nearly equal keys: the sine ratio degenerates, linear blend is exact enough.
    if (1.0f - cosOmega > 1e-6f) {
        const float omega = std::acos(cosOmega);
        const float sinOmega = std::sin(omega);
        w1 = std::sin((1.0f - t) * omega) / sinOmega;
        w2 = std::sin(t * omega) / sinOmega;
    }
    w2 *= sign;
    const D3DXQUATERNION result(w1 * pQ1->x + w2 * pQ2->x, w1 * pQ1->y + w2 * pQ2->y, w1 * pQ1->z + w2 * pQ2->z,
                                w1 * pQ1->w + w2 * pQ2->w);
    *pOut = result;
    return pOut;
}

D3DXQUATERNION* D3DXQuaternionSquad(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pA,
                                    const D3DXQUATERNION* pB, const D3DXQUATERNION* pC, float t) {
    D3DXQUATERNION outer;
    D3DXQUATERNION inner;
    D3DXQuaternionSlerp(&outer, pQ1, pC, t);
    D3DXQuaternionSlerp(&inner, pA, pB, t);
    return D3DXQuaternionSlerp(pOut, &outer, &inner, 2.0f * t * (1.0f - t));
}

namespace {

D3DXQUATERNION Negated(const D3DXQUATERNION& q) {
    return D3DXQUATERNION(-q.x, -q.y, -q.z, -q.w);
}

float LengthSq(const D3DXQUATERNION& q) {
    return D3DXQuaternionDot(&q, &q);
}

D3DXQUATERNION Sum(const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
    return D3DXQUATERNION(a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w);
}

D3DXQUATERNION Difference(const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
    return D3DXQUATERNION(a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w);
}

// The key `next` flipped when that brings it nearer to `reference`.
D3DXQUATERNION NearSide(const D3DXQUATERNION& reference, const D3DXQUATERNION& next) {
    return LengthSq(Sum(reference, next)) < LengthSq(Difference(reference, next)) ? Negated(next) : next;
}

// q * exp(-(ln(q^-1 * a) + ln(q^-1 * b)) / 4) with every product taken as
// D3DXQuaternionMultiply takes it, which keeps the tangent in one frame.
D3DXQUATERNION InnerPoint(const D3DXQUATERNION& q, const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
    D3DXQUATERNION inverse;
    D3DXQuaternionInverse(&inverse, &q);
    D3DXQUATERNION toA;
    D3DXQUATERNION toB;
    D3DXQuaternionMultiply(&toA, &inverse, &a);
    D3DXQuaternionMultiply(&toB, &inverse, &b);
    D3DXQuaternionLn(&toA, &toA);
    D3DXQuaternionLn(&toB, &toB);
    D3DXQUATERNION tangent = Sum(toA, toB);
    tangent = D3DXQUATERNION(-0.25f * tangent.x, -0.25f * tangent.y, -0.25f * tangent.z, -0.25f * tangent.w);
    D3DXQUATERNION step;
    D3DXQuaternionExp(&step, &tangent);
    D3DXQUATERNION result;
    D3DXQuaternionMultiply(&result, &q, &step);
    return result;
}

}  // namespace

void D3DXQuaternionSquadSetup(D3DXQUATERNION* pAOut, D3DXQUATERNION* pBOut, D3DXQUATERNION* pCOut,
                              const D3DXQUATERNION* pQ0, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                              const D3DXQUATERNION* pQ3) {
    // Read every input before writing: the outputs may alias them.
    const D3DXQUATERNION q1 = *pQ1;
    const D3DXQUATERNION q0 = NearSide(q1, *pQ0);
    const D3DXQUATERNION q2 = NearSide(q1, *pQ2);
    // Against the already flipped q2: comparing with the raw key would put q3
    // on the far side whenever q2 was flipped, and the curve would swing the long way.
    const D3DXQUATERNION q3 = NearSide(q2, *pQ3);
    const D3DXQUATERNION a = InnerPoint(q1, q2, q0);
    const D3DXQUATERNION b = InnerPoint(q2, q3, q1);
    *pAOut = a;
    *pBOut = b;
    *pCOut = q2;
}
