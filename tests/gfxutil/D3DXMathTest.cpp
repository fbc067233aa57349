#include "gfxutil/D3DXMath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kTol = 1e-5f;

void ExpectVecNear(const D3DXVECTOR3& actual, float x, float y, float z, float tol = kTol) {
    EXPECT_NEAR(actual.x, x, tol);
    EXPECT_NEAR(actual.y, y, tol);
    EXPECT_NEAR(actual.z, z, tol);
}

void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected, float tol = kTol) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tol) << "element " << r << "," << c;
        }
    }
}

// Same rotation: q and -q are equal rotations.
void ExpectSameRotation(const D3DXQUATERNION& a, const D3DXQUATERNION& b, float tol = 1e-4f) {
    EXPECT_NEAR(std::fabs(D3DXQuaternionDot(&a, &b)), 1.0f, tol)
        << "(" << a.x << "," << a.y << "," << a.z << "," << a.w << ") vs (" << b.x << "," << b.y << "," << b.z << ","
        << b.w << ")";
}

D3DXQUATERNION AxisAngle(float x, float y, float z, float angle) {
    D3DXVECTOR3 axis(x, y, z);
    D3DXQUATERNION q;
    D3DXQuaternionRotationAxis(&q, &axis, angle);
    return q;
}

// ---- matrices --------------------------------------------------------------------

TEST(D3DXMatrixTest, MultiplyAppliesTheLeftMatrixFirstAndMayAliasEitherInput) {
    D3DXMATRIX t;
    D3DXMATRIX r;
    D3DXMatrixTranslation(&t, 0.0f, 0.0f, 5.0f);
    D3DXMatrixRotationY(&r, D3DX_PI / 2);
    D3DXMATRIX tr;
    D3DXMatrixMultiply(&tr, &t, &r);

    // (1, 0, 0) moved to (1, 0, 5), then turned a quarter about +y: (5, 0, -1).
    D3DXVECTOR3 p(1.0f, 0.0f, 0.0f);
    D3DXVec3TransformCoord(&p, &p, &tr);
    ExpectVecNear(p, 5.0f, 0.0f, -1.0f);

    D3DXMATRIX aliasLeft = t;
    D3DXMatrixMultiply(&aliasLeft, &aliasLeft, &r);
    ExpectMatrixNear(aliasLeft, tr, 0.0f);
    D3DXMATRIX aliasRight = r;
    D3DXMatrixMultiply(&aliasRight, &t, &aliasRight);
    ExpectMatrixNear(aliasRight, tr, 0.0f);
}

TEST(D3DXMatrixTest, AxisRotationsAreLeftHanded) {
    D3DXMATRIX m;
    D3DXVECTOR3 v;
    const D3DXVECTOR3 ex(1, 0, 0), ey(0, 1, 0), ez(0, 0, 1);

    D3DXMatrixRotationX(&m, D3DX_PI / 2);
    ExpectVecNear(*D3DXVec3TransformCoord(&v, &ey, &m), 0, 0, 1);
    ExpectVecNear(*D3DXVec3TransformCoord(&v, &ez, &m), 0, -1, 0);

    D3DXMatrixRotationY(&m, D3DX_PI / 2);
    ExpectVecNear(*D3DXVec3TransformCoord(&v, &ez, &m), 1, 0, 0);
    ExpectVecNear(*D3DXVec3TransformCoord(&v, &ex, &m), 0, 0, -1);

    D3DXMatrixRotationZ(&m, D3DX_PI / 2);
    ExpectVecNear(*D3DXVec3TransformCoord(&v, &ex, &m), 0, 1, 0);
    ExpectVecNear(*D3DXVec3TransformCoord(&v, &ey, &m), -1, 0, 0);

    D3DXMatrixRotationZ(&m, D3DX_PI / 6);
    const D3DXVECTOR3 p(2, 0, 0);
    ExpectVecNear(*D3DXVec3TransformCoord(&v, &p, &m), 2 * std::cos(D3DX_PI / 6), 1.0f, 0);
}

TEST(D3DXMatrixTest, InverseUndoesAProjectiveMatrixEvenInPlace) {
    // Not affine: view x projection of a turned, moved camera, as the camera inverts it.
    D3DXMATRIX rot, move, proj, view, viewProj;
    const D3DXVECTOR3 axis(1, 2, 3);
    D3DXMatrixRotationAxis(&rot, &axis, 0.7f);
    D3DXMatrixTranslation(&move, 3.0f, -0.4f, 25.0f);
    D3DXMatrixMultiply(&view, &rot, &move);
    D3DXMatrixInverse(&view, nullptr, &view);
    D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 4, 4.0f / 3.0f, 1.0f, 200.0f);
    D3DXMatrixMultiply(&viewProj, &view, &proj);

    D3DXMATRIX back;
    ASSERT_EQ(D3DXMatrixInverse(&back, nullptr, &viewProj), &back);
    D3DXMATRIX product, identity;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixMultiply(&product, &viewProj, &back);
    ExpectMatrixNear(product, identity, 1e-4f);
    D3DXMatrixMultiply(&product, &back, &viewProj);
    ExpectMatrixNear(product, identity, 1e-4f);

    // In place.
    D3DXMATRIX copy = viewProj;
    D3DXMatrixInverse(&copy, nullptr, &copy);
    ExpectMatrixNear(copy, back, 0.0f);
}

TEST(D3DXMatrixTest, SingularMatrixHasNoInverseAndTheOutputIsLeftAlone) {
    D3DXMATRIX flat;
    D3DXMatrixScaling(&flat, 1.0f, 0.0f, 1.0f);
    D3DXMATRIX out;
    D3DXMatrixTranslation(&out, 7.0f, 8.0f, 9.0f);
    const D3DXMATRIX before = out;
    float det = -1.0f;
    EXPECT_EQ(D3DXMatrixInverse(&out, &det, &flat), nullptr);
    EXPECT_EQ(det, 0.0f);
    EXPECT_TRUE(out == before);

    // Two equal rows.
    D3DXMATRIX twins(1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 0, 0, 0, 1);
    EXPECT_EQ(D3DXMatrixInverse(&out, nullptr, &twins), nullptr);
}

TEST(D3DXMatrixTest, QuaternionMatrixAgreesWithAxisRotationsAndComposesInMultiplyOrder) {
    D3DXMATRIX fromQ, expected;
    for (float angle : {0.3f, -1.2f, 2.9f}) {
        D3DXQUATERNION q = AxisAngle(1, 0, 0, angle);
        ExpectMatrixNear(*D3DXMatrixRotationQuaternion(&fromQ, &q), *D3DXMatrixRotationX(&expected, angle));
        q = AxisAngle(0, 1, 0, angle);
        ExpectMatrixNear(*D3DXMatrixRotationQuaternion(&fromQ, &q), *D3DXMatrixRotationY(&expected, angle));
        q = AxisAngle(0, 0, 1, angle);
        ExpectMatrixNear(*D3DXMatrixRotationQuaternion(&fromQ, &q), *D3DXMatrixRotationZ(&expected, angle));
    }

    // Multiply(q1, q2) is the rotation q1 followed by q2, like M(q1) x M(q2).
    const D3DXQUATERNION q1 = AxisAngle(1, 0, 0, 0.8f);
    const D3DXQUATERNION q2 = AxisAngle(0, 1, 1, -0.5f);
    D3DXQUATERNION q12;
    D3DXQuaternionMultiply(&q12, &q1, &q2);
    D3DXMATRIX m1, m2, m12;
    D3DXMatrixRotationQuaternion(&m1, &q1);
    D3DXMatrixRotationQuaternion(&m2, &q2);
    D3DXMatrixMultiply(&expected, &m1, &m2);
    ExpectMatrixNear(*D3DXMatrixRotationQuaternion(&m12, &q12), expected);
}

// ---- vectors -----------------------------------------------------------------------

TEST(D3DXVectorTest, BasicOperations) {
    const D3DXVECTOR3 a(1, 2, 3), b(-2, 0, 5);
    EXPECT_FLOAT_EQ(D3DXVec3Dot(&a, &b), 13.0f);
    D3DXVECTOR3 c;
    ExpectVecNear(*D3DXVec3Cross(&c, &a, &b), 10, -11, 4);
    // In place, the inputs are read before the output is written.
    c = a;
    ExpectVecNear(*D3DXVec3Cross(&c, &c, &b), 10, -11, 4);
    const D3DXVECTOR3 v345(3, 4, 0);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&v345), 5.0f);
    ExpectVecNear(*D3DXVec3Normalize(&c, &v345), 0.6f, 0.8f, 0.0f);
    const D3DXVECTOR3 zero(0, 0, 0);
    ExpectVecNear(*D3DXVec3Normalize(&c, &zero), 0, 0, 0, 0.0f);
}

TEST(D3DXVectorTest, TransformCoordDividesByWAndTransformNormalIgnoresTranslation) {
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, 10, 20, 30);
    m._44 = 2.0f;  // every point's w becomes 2
    const D3DXVECTOR3 p(2, 4, 6);
    D3DXVECTOR3 out;
    ExpectVecNear(*D3DXVec3TransformCoord(&out, &p, &m), 6, 12, 18);
    ExpectVecNear(*D3DXVec3TransformNormal(&out, &p, &m), 2, 4, 6);

    D3DXMATRIX s;
    D3DXMatrixScaling(&s, 2, 3, 4);
    D3DXMatrixTranslation(&m, 1, 1, 1);
    D3DXMatrixMultiply(&m, &s, &m);
    ExpectVecNear(*D3DXVec3TransformNormal(&out, &p, &m), 4, 12, 24);
    ExpectVecNear(*D3DXVec3TransformCoord(&out, &p, &m), 5, 13, 25);
}

// ---- planes --------------------------------------------------------------------------

TEST(D3DXPlaneTest, UnitCubePlanesPointInward) {
    // Corner k takes +1 in x for bit 0, y for bit 1, z for bit 2; the face triples
    // (front, back, left, right, top, bottom) are wound as the scene code winds them.
    D3DXVECTOR3 c[8];
    for (int k = 0; k < 8; ++k) {
        c[k] = D3DXVECTOR3((k & 1) ? 1.0f : -1.0f, (k & 2) ? 1.0f : -1.0f, (k & 4) ? 1.0f : -1.0f);
    }
    const int triples[6][3] = {{0, 1, 2}, {6, 7, 5}, {2, 6, 4}, {7, 3, 5}, {2, 3, 6}, {1, 0, 4}};
    // Every normal is a unit vector pointing to the centre, one unit away.
    const float expectedNormals[6][3] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
    for (int i = 0; i < 6; ++i) {
        D3DXPLANE plane;
        D3DXPlaneFromPoints(&plane, &c[triples[i][0]], &c[triples[i][1]], &c[triples[i][2]]);
        EXPECT_NEAR(plane.a, expectedNormals[i][0], kTol) << "plane " << i;
        EXPECT_NEAR(plane.b, expectedNormals[i][1], kTol) << "plane " << i;
        EXPECT_NEAR(plane.c, expectedNormals[i][2], kTol) << "plane " << i;
        EXPECT_NEAR(plane.d, 1.0f, kTol) << "plane " << i;
    }
}

TEST(D3DXPlaneTest, IntersectLineFindsThePointOnTheWholeLineAndNoneWhenParallel) {
    const D3DXPLANE plane(0, 0, 1, 1);  // z = -1
    D3DXVECTOR3 hit;
    const D3DXVECTOR3 a(0, 0, 0), b(0, 0, -2);
    ASSERT_EQ(D3DXPlaneIntersectLine(&hit, &plane, &a, &b), &hit);
    ExpectVecNear(hit, 0, 0, -1);

    // Beyond the two points, along a slanted line.
    const D3DXVECTOR3 c(1, 2, 3), d(2, 2, 1);
    ASSERT_NE(D3DXPlaneIntersectLine(&hit, &plane, &c, &d), nullptr);
    ExpectVecNear(hit, 3, 2, -1);

    const D3DXVECTOR3 e(0, 0, 5), f(3, 4, 5);
    hit = D3DXVECTOR3(9, 9, 9);
    EXPECT_EQ(D3DXPlaneIntersectLine(&hit, &plane, &e, &f), nullptr);
    ExpectVecNear(hit, 9, 9, 9, 0.0f);
}

// ---- quaternions --------------------------------------------------------------------

TEST(D3DXQuaternionTest, LnExpAndSlerp) {
    // ln of a rotation by 2t about an axis is (axis·t, 0); exp brings it back.
    const D3DXQUATERNION r = AxisAngle(0, 0, 1, 1.0f);
    D3DXQUATERNION ln, back;
    D3DXQuaternionLn(&ln, &r);
    EXPECT_NEAR(ln.z, 0.5f, kTol);
    EXPECT_EQ(ln.w, 0.0f);
    D3DXQuaternionExp(&back, &ln);
    ExpectSameRotation(back, r);
    D3DXQUATERNION identity;
    D3DXQuaternionIdentity(&identity);
    D3DXQuaternionLn(&ln, &identity);
    EXPECT_EQ(ln.x, 0.0f);
    EXPECT_EQ(ln.w, 0.0f);

    const D3DXQUATERNION quarter = AxisAngle(0, 0, 1, D3DX_PI / 2);
    D3DXQUATERNION mid;
    D3DXQuaternionSlerp(&mid, &identity, &quarter, 0.5f);
    ExpectSameRotation(mid, AxisAngle(0, 0, 1, D3DX_PI / 4));
    EXPECT_NEAR(D3DXQuaternionLength(&mid), 1.0f, kTol);
    // The same rotation written with the opposite sign still takes the short way.
    const D3DXQUATERNION flipped(-quarter.x, -quarter.y, -quarter.z, -quarter.w);
    D3DXQuaternionSlerp(&mid, &identity, &flipped, 0.5f);
    ExpectSameRotation(mid, AxisAngle(0, 0, 1, D3DX_PI / 4));
    // Equal keys give the key.
    D3DXQuaternionSlerp(&mid, &quarter, &quarter, 0.3f);
    ExpectSameRotation(mid, quarter, 1e-6f);
}

// Squad through the keys k[i-1..i+2] at f.
D3DXQUATERNION SquadAt(const D3DXQUATERNION* keys, int count, int i, float f) {
    const int i0 = (i - 1 + count) % count;
    const int i2 = (i + 1) % count;
    const int i3 = (i + 2) % count;
    D3DXQUATERNION a, b, c, out;
    D3DXQuaternionSquadSetup(&a, &b, &c, &keys[i0], &keys[i], &keys[i2], &keys[i3]);
    D3DXQuaternionSquad(&out, &keys[i], &a, &b, &c, f);
    return out;
}

TEST(D3DXQuaternionTest, SquadOfEvenStepsAboutOneAxisIsSlerp) {
    // Even steps: the tangents cancel, A = q1, B = q2, and the curve is the great arc.
    D3DXQUATERNION keys[4];
    for (int i = 0; i < 4; ++i) {
        keys[i] = AxisAngle(0, 1, 0, 0.4f * static_cast<float>(i));
    }
    D3DXQUATERNION a, b, c;
    D3DXQuaternionSquadSetup(&a, &b, &c, &keys[0], &keys[1], &keys[2], &keys[3]);
    ExpectSameRotation(a, keys[1], 1e-5f);
    ExpectSameRotation(b, keys[2], 1e-5f);
    for (float f : {0.25f, 0.5f, 0.8f}) {
        D3DXQUATERNION s;
        D3DXQuaternionSquad(&s, &keys[1], &a, &b, &c, f);
        ExpectSameRotation(s, AxisAngle(0, 1, 0, 0.4f + 0.4f * f), 1e-5f);
    }
}

TEST(D3DXQuaternionTest, SquadPassesThroughTheKeysSmoothlyAndIgnoresTheirSigns) {
    const D3DXQUATERNION keys[5] = {AxisAngle(1, 0, 0, 0.1f), AxisAngle(0, 1, 0, 0.7f), AxisAngle(1, 0, 1, 1.2f),
                                    AxisAngle(0, 1, 1, 0.4f), AxisAngle(1, 1, 1, -0.3f)};
    for (int i = 0; i < 5; ++i) {
        ExpectSameRotation(SquadAt(keys, 5, i, 0.0f), keys[i]);
        ExpectSameRotation(SquadAt(keys, 5, i, 1.0f), keys[(i + 1) % 5]);
    }
    // Slope into key 2 from segment 1..2 equals the slope out of it on segment 2..3.
    const float h = 1e-2f;
    const D3DXQUATERNION before = SquadAt(keys, 5, 1, 1.0f - h);
    const D3DXQUATERNION at = SquadAt(keys, 5, 2, 0.0f);
    const D3DXQUATERNION after = SquadAt(keys, 5, 2, h);
    // Relative turns at^-1 before and at^-1 after: mirror images when the slope is continuous.
    D3DXQUATERNION inverseAt, stepIn, stepOut;
    D3DXQuaternionInverse(&inverseAt, &at);
    D3DXQuaternionMultiply(&stepIn, &before, &inverseAt);
    D3DXQuaternionMultiply(&stepOut, &after, &inverseAt);
    const float sIn = stepIn.w < 0 ? -1.0f : 1.0f;
    const float sOut = stepOut.w < 0 ? -1.0f : 1.0f;
    EXPECT_GT(std::fabs(stepOut.x) + std::fabs(stepOut.y) + std::fabs(stepOut.z), 2e-3f);
    EXPECT_NEAR(-sIn * stepIn.x, sOut * stepOut.x, 3e-4f);
    EXPECT_NEAR(-sIn * stepIn.y, sOut * stepOut.y, 3e-4f);
    EXPECT_NEAR(-sIn * stepIn.z, sOut * stepOut.z, 3e-4f);

    // Keys stored with arbitrary signs describe the same rotations: same curve.
    D3DXQUATERNION signs[5];
    for (int i = 0; i < 5; ++i) {
        const float s = (i == 2 || i == 3) ? -1.0f : 1.0f;
        signs[i] = D3DXQUATERNION(s * keys[i].x, s * keys[i].y, s * keys[i].z, s * keys[i].w);
    }
    for (float f : {0.2f, 0.5f, 0.9f}) {
        ExpectSameRotation(SquadAt(signs, 5, 1, f), SquadAt(keys, 5, 1, f));
        ExpectSameRotation(SquadAt(signs, 5, 2, f), SquadAt(keys, 5, 2, f));
    }
}

}  // namespace
