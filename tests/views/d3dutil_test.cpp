// The device framework's matrix, quaternion and vector helpers, checked
// against hand-computed values and against each other.
#include "d3dframe/d3dutil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

constexpr float kPi = 3.14159265f;

D3DMATRIX matrix(std::initializer_list<float> values) {
    D3DMATRIX m;
    std::memcpy(&m, values.begin(), sizeof m);
    return m;
}

float element(const D3DMATRIX& m, int i) {
    return (&m._11)[i];
}

void expectMatrixNear(const D3DMATRIX& actual, const D3DMATRIX& expected, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(element(actual, i), element(expected, i), tolerance) << "element " << i;
}

void expectVectorNear(const D3DVECTOR& v, float x, float y, float z, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

D3DVECTOR transform(const D3DVECTOR& v, const D3DMATRIX& m) {
    D3DVECTOR out = D3DVec_Make(0, 0, 0);
    EXPECT_EQ(D3DMath_VectorMatrixMultiply(out, v, m), S_OK);
    return out;
}

const D3DMATRIX kAffine = matrix({0, 2, 0, 0,  //
                                  -1, 0, 0, 0,  //
                                  0, 0, 4, 0,  //
                                  3, -5, 7, 1});

}  // namespace

// --- Matrices ---------------------------------------------------------------

TEST(MatrixUtilities, MultiplyAppliesTheFirstArgumentLast) {
    D3DMATRIX translate, rotate, q;
    D3DUtil_SetIdentityMatrix(translate);
    translate._41 = 10.0f;
    D3DUtil_SetRotateZMatrix(rotate, kPi / 2);
    // q = rotate * translate: the rotation applies first.
    D3DMath_MatrixMultiply(q, translate, rotate);
    expectVectorNear(transform(D3DVec_Make(1, 0, 0), q), 10, 1, 0);
    // The other way round the translated point is turned.
    D3DMath_MatrixMultiply(q, rotate, translate);
    expectVectorNear(transform(D3DVec_Make(1, 0, 0), q), 0, 11, 0);
}

TEST(MatrixUtilities, MultiplyMayWriteIntoEitherInput) {
    D3DMATRIX a = kAffine, b, expected;
    D3DUtil_SetRotateXMatrix(b, 0.3f);
    D3DMath_MatrixMultiply(expected, a, b);
    D3DMATRIX aliasA = a;
    D3DMath_MatrixMultiply(aliasA, aliasA, b);
    expectMatrixNear(aliasA, expected, 0.0f);
    D3DMATRIX aliasB = b;
    D3DMath_MatrixMultiply(aliasB, a, aliasB);
    expectMatrixNear(aliasB, expected, 0.0f);
}

TEST(MatrixUtilities, InvertOfAnAffineMatrixUndoesIt) {
    D3DMATRIX inverse, product, identity;
    ASSERT_EQ(D3DMath_MatrixInvert(inverse, kAffine), S_OK);
    D3DMath_MatrixMultiply(product, kAffine, inverse);
    D3DUtil_SetIdentityMatrix(identity);
    expectMatrixNear(product, identity);
    const D3DVECTOR p = D3DVec_Make(1, 2, 3);
    const D3DVECTOR back = transform(transform(p, kAffine), inverse);
    expectVectorNear(back, 1, 2, 3, 1e-4f);
}

TEST(MatrixUtilities, InvertRefusesProjectionsAndLeavesTheResultAlone) {
    D3DMATRIX projection;
    ASSERT_EQ(D3DUtil_SetProjectionMatrix(projection, kPi / 2, 1.0f, 1.0f, 10.0f), S_OK);
    D3DMATRIX untouched = kAffine;
    EXPECT_EQ(D3DMath_MatrixInvert(untouched, projection), E_INVALIDARG);
    expectMatrixNear(untouched, kAffine, 0.0f);

    // Just inside and just outside the tolerance of the last column.
    D3DMATRIX nearly = kAffine;
    nearly._44 = 1.0009f;
    EXPECT_EQ(D3DMath_MatrixInvert(untouched, nearly), S_OK);
    nearly._44 = 1.0f;
    nearly._24 = 0.002f;
    EXPECT_EQ(D3DMath_MatrixInvert(untouched, nearly), E_INVALIDARG);
}

TEST(MatrixUtilities, VectorTimesMatrixDividesByW) {
    D3DMATRIX m;
    D3DUtil_SetIdentityMatrix(m);
    m._44 = 2.0f;
    m._41 = 4.0f;
    expectVectorNear(transform(D3DVec_Make(2, 4, 6), m), 3, 2, 3);
}

TEST(MatrixUtilities, VectorAndVertexTimesMatrixRefuseAVanishingW) {
    D3DMATRIX projection;
    ASSERT_EQ(D3DUtil_SetProjectionMatrix(projection, kPi / 2, 1.0f, 1.0f, 10.0f), S_OK);
    // w is the camera-space z: a point in the eye's plane has none.
    D3DVECTOR out = D3DVec_Make(7, 8, 9);
    EXPECT_EQ(D3DMath_VectorMatrixMultiply(out, D3DVec_Make(1, 1, 0), projection), E_INVALIDARG);
    expectVectorNear(out, 7, 8, 9, 0.0f);

    D3DVERTEX vertex{};
    vertex.z = 0.0f;
    D3DVERTEX result{};
    result.x = 5.0f;
    EXPECT_EQ(D3DMath_VertexMatrixMultiply(result, vertex, projection), E_INVALIDARG);
    EXPECT_EQ(result.x, 5.0f);
}

TEST(MatrixUtilities, VertexTimesMatrixMovesThePointTurnsTheNormalKeepsTheTexture) {
    D3DMATRIX m;
    D3DUtil_SetRotateZMatrix(m, kPi / 2);
    m._41 = 1.0f;
    D3DVERTEX v{};
    v.x = 1.0f;
    v.nx = 1.0f;
    v.tu = 0.25f;
    v.tv = 0.75f;
    D3DVERTEX out{};
    ASSERT_EQ(D3DMath_VertexMatrixMultiply(out, v, m), S_OK);
    EXPECT_NEAR(out.x, 1.0f, 1e-6f);
    EXPECT_NEAR(out.y, 1.0f, 1e-6f);
    EXPECT_NEAR(out.nx, 0.0f, 1e-6f);
    EXPECT_NEAR(out.ny, 1.0f, 1e-6f);
    EXPECT_EQ(out.tu, 0.25f);
    EXPECT_EQ(out.tv, 0.75f);
}

TEST(MatrixUtilities, ProjectionMatrixHasTheStandardEntries) {
    D3DMATRIX m;
    ASSERT_EQ(D3DUtil_SetProjectionMatrix(m, kPi / 2, 0.5f, 1.0f, 11.0f), S_OK);
    // cot(45 degrees) = 1; Q = 11 / 10.
    expectMatrixNear(m, matrix({0.5f, 0, 0, 0,  //
                                0, 1, 0, 0,  //
                                0, 0, 1.1f, 1,  //
                                0, 0, -1.1f, 0}));
    // Points on the near and far planes land at depth 0 and 1.
    EXPECT_NEAR(transform(D3DVec_Make(0, 0, 1), m).z, 0.0f, 1e-6f);
    EXPECT_NEAR(transform(D3DVec_Make(0, 0, 11), m).z, 1.0f, 1e-6f);
}

TEST(MatrixUtilities, ProjectionMatrixRefusesDegenerateVolumes) {
    D3DMATRIX m = kAffine;
    EXPECT_EQ(D3DUtil_SetProjectionMatrix(m, kPi / 2, 1.0f, 1.0f, 1.005f), E_INVALIDARG);
    EXPECT_EQ(D3DUtil_SetProjectionMatrix(m, 0.01f, 1.0f, 1.0f, 10.0f), E_INVALIDARG);
    EXPECT_EQ(D3DUtil_SetProjectionMatrix(m, 2 * kPi, 1.0f, 1.0f, 10.0f), E_INVALIDARG);
    expectMatrixNear(m, kAffine, 0.0f);
    EXPECT_EQ(D3DUtil_SetProjectionMatrix(m, 0.03f, 1.0f, 1.0f, 1.02f), S_OK);
}

TEST(MatrixUtilities, ViewMatrixPutsTheTargetStraightAhead) {
    D3DMATRIX m;
    const D3DVECTOR from = D3DVec_Make(1, 2, 3), at = D3DVec_Make(1, 2, 8);
    ASSERT_EQ(D3DUtil_SetViewMatrix(m, from, at, D3DVec_Make(0, 1, 0)), S_OK);
    expectVectorNear(transform(at, m), 0, 0, 5);
    expectVectorNear(transform(from, m), 0, 0, 0);
    // Up stays up, and x points right of the view (left-handed).
    expectVectorNear(transform(D3DVec_Make(1, 3, 3), m), 0, 1, 0);
    expectVectorNear(transform(D3DVec_Make(2, 2, 3), m), 1, 0, 0);
}

TEST(MatrixUtilities, ViewMatrixFindsAnUpWhenTheGivenOneIsAlongTheView) {
    D3DMATRIX m;
    const D3DVECTOR from = D3DVec_Make(0, 0, 0);
    // Looking straight up with "up" along the view: (0, 0, 1) is used.
    ASSERT_EQ(D3DUtil_SetViewMatrix(m, from, D3DVec_Make(0, 5, 0), D3DVec_Make(0, 2, 0)), S_OK);
    expectVectorNear(transform(D3DVec_Make(0, 5, 0), m), 0, 0, 5);
    expectVectorNear(transform(D3DVec_Make(0, 0, 1), m), 0, 1, 0);
    // Looking along z with up along z: (0, 1, 0) is used.
    ASSERT_EQ(D3DUtil_SetViewMatrix(m, from, D3DVec_Make(0, 0, 3), D3DVec_Make(0, 0, -1)), S_OK);
    expectVectorNear(transform(D3DVec_Make(0, 1, 0), m), 0, 1, 0);
}

TEST(MatrixUtilities, ViewMatrixRefusesAnEyeOnItsTarget) {
    D3DMATRIX m = kAffine;
    const D3DVECTOR p = D3DVec_Make(4, 4, 4);
    EXPECT_EQ(D3DUtil_SetViewMatrix(m, p, p, D3DVec_Make(0, 1, 0)), E_INVALIDARG);
    expectMatrixNear(m, kAffine, 0.0f);
}

TEST(MatrixUtilities, AxisRotationsAgreeWithTheGeneralRotation) {
    const float angle = 0.7f;
    D3DMATRIX axis, general;
    D3DUtil_SetRotateXMatrix(axis, angle);
    D3DUtil_SetRotationMatrix(general, D3DVec_Make(3, 0, 0), angle);
    expectMatrixNear(axis, general);
    D3DUtil_SetRotateYMatrix(axis, angle);
    D3DUtil_SetRotationMatrix(general, D3DVec_Make(0, 2, 0), angle);
    expectMatrixNear(axis, general);
    D3DUtil_SetRotateZMatrix(axis, angle);
    D3DUtil_SetRotationMatrix(general, D3DVec_Make(0, 0, 1), angle);
    expectMatrixNear(axis, general);
    // A quarter turn about z takes x to y.
    D3DUtil_SetRotateZMatrix(axis, kPi / 2);
    expectVectorNear(transform(D3DVec_Make(1, 0, 0), axis), 0, 1, 0);
}

// --- Quaternions ------------------------------------------------------------

TEST(QuaternionUtilities, AxisAngleMatrixAndBackAgree) {
    const D3DVECTOR axis = D3DVec_Make(1, 2, 2);
    float x, y, z, w;
    D3DMath_QuaternionFromRotation(x, y, z, w, axis, 1.2f);
    D3DMATRIX fromQuaternion, fromAxis;
    D3DMath_MatrixFromQuaternion(fromQuaternion, x, y, z, w);
    D3DUtil_SetRotationMatrix(fromAxis, axis, 1.2f);
    expectMatrixNear(fromQuaternion, fromAxis);

    float qx, qy, qz, qw;
    D3DMath_QuaternionFromMatrix(qx, qy, qz, qw, fromAxis);
    EXPECT_NEAR(qx, x, 1e-5f);
    EXPECT_NEAR(qy, y, 1e-5f);
    EXPECT_NEAR(qz, z, 1e-5f);
    EXPECT_NEAR(qw, w, 1e-5f);

    D3DVECTOR back;
    float angle;
    D3DMath_RotationFromQuaternion(back, angle, x, y, z, w);
    EXPECT_NEAR(angle, 1.2f, 1e-5f);
    expectVectorNear(back, 1.0f / 3, 2.0f / 3, 2.0f / 3);
}

TEST(QuaternionUtilities, MatrixConversionHandlesHalfTurns) {
    // Trace -1: each branch of the conversion by the largest diagonal.
    for (const D3DVECTOR& axis : {D3DVec_Make(1, 0, 0), D3DVec_Make(0, 1, 0), D3DVec_Make(0, 0, 1)}) {
        D3DMATRIX m, back;
        D3DUtil_SetRotationMatrix(m, axis, kPi);
        float x, y, z, w;
        D3DMath_QuaternionFromMatrix(x, y, z, w, m);
        D3DMath_MatrixFromQuaternion(back, x, y, z, w);
        expectMatrixNear(back, m);
    }
}

TEST(QuaternionUtilities, MultiplyComposesWithTheRightOperandFirst) {
    float ax, ay, az, aw, bx, by, bz, bw, qx, qy, qz, qw;
    D3DMath_QuaternionFromRotation(ax, ay, az, aw, D3DVec_Make(0, 0, 1), kPi / 2);
    D3DMath_QuaternionFromRotation(bx, by, bz, bw, D3DVec_Make(1, 0, 0), kPi / 2);
    D3DMath_QuaternionMultiply(qx, qy, qz, qw, ax, ay, az, aw, bx, by, bz, bw);
    D3DMATRIX q, a, b, ab;
    D3DMath_MatrixFromQuaternion(q, qx, qy, qz, qw);
    D3DMath_MatrixFromQuaternion(a, ax, ay, az, aw);
    D3DMath_MatrixFromQuaternion(b, bx, by, bz, bw);
    D3DMath_MatrixMultiply(ab, a, b);  // b first, then a
    expectMatrixNear(q, ab);
}

TEST(QuaternionUtilities, EulerAnglesAreRollThenPitchThenYaw) {
    const float yaw = 0.4f, pitch = -0.9f, roll = 1.3f;
    float x, y, z, w;
    D3DMath_QuaternionFromAngles(x, y, z, w, yaw, pitch, roll);
    D3DMATRIX fromAngles, rollM, pitchM, yawM, composed;
    D3DMath_MatrixFromQuaternion(fromAngles, x, y, z, w);
    D3DUtil_SetRotateZMatrix(rollM, roll);
    D3DUtil_SetRotateXMatrix(pitchM, pitch);
    D3DUtil_SetRotateYMatrix(yawM, yaw);
    D3DMath_MatrixMultiply(composed, pitchM, rollM);
    D3DMath_MatrixMultiply(composed, yawM, composed);
    expectMatrixNear(fromAngles, composed);
}

TEST(QuaternionUtilities, SlerpFollowsTheArcAndTakesTheShortWay) {
    float ax, ay, az, aw, bx, by, bz, bw, qx, qy, qz, qw;
    const D3DVECTOR zAxis = D3DVec_Make(0, 0, 1);
    D3DMath_QuaternionFromRotation(ax, ay, az, aw, zAxis, 0.0f);
    D3DMath_QuaternionFromRotation(bx, by, bz, bw, zAxis, kPi / 2);
    D3DMath_QuaternionSlerp(qx, qy, qz, qw, ax, ay, az, aw, bx, by, bz, bw, 0.5f);
    float ex, ey, ez, ew;
    D3DMath_QuaternionFromRotation(ex, ey, ez, ew, zAxis, kPi / 4);
    EXPECT_NEAR(qz, ez, 1e-5f);
    EXPECT_NEAR(qw, ew, 1e-5f);
    EXPECT_NEAR(qx * qx + qy * qy + qz * qz + qw * qw, 1.0f, 1e-5f);  // on the arc

    // -b is the same rotation: the result must be the same, not the long way.
    D3DMath_QuaternionSlerp(qx, qy, qz, qw, ax, ay, az, aw, -bx, -by, -bz, -bw, 0.5f);
    EXPECT_NEAR(qz, ez, 1e-5f);
    EXPECT_NEAR(qw, ew, 1e-5f);
}

TEST(QuaternionUtilities, SlerpOfNearlyEqualInputsIsLinear) {
    float ax, ay, az, aw, bx, by, bz, bw, qx, qy, qz, qw;
    const D3DVECTOR zAxis = D3DVec_Make(0, 0, 1);
    D3DMath_QuaternionFromRotation(ax, ay, az, aw, zAxis, 0.0f);
    D3DMath_QuaternionFromRotation(bx, by, bz, bw, zAxis, 0.4f);  // 1 - dot < 0.05
    D3DMath_QuaternionSlerp(qx, qy, qz, qw, ax, ay, az, aw, bx, by, bz, bw, 0.25f);
    EXPECT_FLOAT_EQ(qz, 0.75f * az + 0.25f * bz);
    EXPECT_FLOAT_EQ(qw, 0.75f * aw + 0.25f * bw);
}

// --- Initialisers and vectors -------------------------------------------------

TEST(StructureInitialisers, SetSizesAndDefaults) {
    DDSURFACEDESC2 ddsd;
    std::memset(&ddsd, 0xAB, sizeof ddsd);
    D3DUtil_InitSurfaceDesc(ddsd, DDSD_CAPS, DDSCAPS_TEXTURE);
    EXPECT_EQ(ddsd.dwSize, sizeof(DDSURFACEDESC2));
    EXPECT_EQ(ddsd.dwFlags, static_cast<DWORD>(DDSD_CAPS));
    EXPECT_EQ(ddsd.dwWidth, 0u);

    D3DVIEWPORT2 vp;
    D3DUtil_InitViewport(vp, 64, 32);
    EXPECT_EQ(vp.dwSize, 44u);
    EXPECT_EQ(vp.dvClipX, -1.0f);
    EXPECT_EQ(vp.dvClipY, 1.0f);
    EXPECT_EQ(vp.dvClipWidth, 2.0f);
    EXPECT_EQ(vp.dvClipHeight, 2.0f);
    EXPECT_EQ(vp.dvMaxZ, 1.0f);

    D3DMATERIAL material;
    D3DUtil_InitMaterial(material, 0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ(material.dwSize, 80u);
    EXPECT_EQ(material.dwRampSize, 16u);
    EXPECT_EQ(material.diffuse.g, 0.2f);
    EXPECT_EQ(material.ambient.b, 0.3f);
    EXPECT_EQ(material.specular.r, 0.0f);

    D3DLIGHT light;
    D3DUtil_InitLight(light, D3DLIGHT_DIRECTIONAL, 0, 0, 2);
    EXPECT_EQ(light.dwSize, 76u);
    EXPECT_EQ(light.dltType, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(light.dcvColor.r, 1.0f);
    EXPECT_EQ(light.dcvColor.b, 1.0f);
    expectVectorNear(light.dvDirection, 0, 0, 1);
}

TEST(VectorUtilities, ArithmeticAndDegenerateCases) {
    const D3DVECTOR a = D3DVec_Make(3, 0, 4), b = D3DVec_Make(0, 1, 0);
    EXPECT_FLOAT_EQ(D3DVec_Length(a), 5.0f);
    EXPECT_FLOAT_EQ(D3DVec_SquaredLength(a), 25.0f);
    expectVectorNear(D3DVec_Normalize(a), 0.6f, 0, 0.8f);
    expectVectorNear(D3DVec_Subtract(a, b), 3, -1, 4);
    expectVectorNear(D3DVec_Scale(a, 2), 6, 0, 8);
    expectVectorNear(D3DVec_Divide(a, 2), 1.5f, 0, 2);
    EXPECT_FLOAT_EQ(D3DVec_Dot(a, D3DVec_Make(1, 1, 1)), 7.0f);
    expectVectorNear(D3DVec_Cross(D3DVec_Make(1, 0, 0), b), 0, 0, 1);
    // No NaNs from a zero vector or a zero divisor.
    expectVectorNear(D3DVec_Normalize(D3DVec_Make(0, 0, 0)), 0, 0, 0, 0.0f);
    expectVectorNear(D3DVec_Divide(a, 0.0f), 0, 0, 0, 0.0f);
}
