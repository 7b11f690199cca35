// The device framework's matrix, quaternion and vector helpers, checked
// against hand-computed values and against each other.
#include "views_fixture.h"

#include "d3dframe/d3dutil.h"

namespace {

// The coordinates of the vectors, one after another.
std::vector<float> flat(std::initializer_list<D3DVECTOR> vectors) {
    std::vector<float> out;
    for (const D3DVECTOR& v : vectors)
        out.insert(out.end(), {v.x, v.y, v.z});
    return out;
}

D3DVECTOR transform(float x, float y, float z, const D3DMATRIX& m) {
    D3DVECTOR out = D3DVec_Make(0, 0, 0);
    EXPECT_EQ(D3DMath_VectorMatrixMultiply(out, D3DVec_Make(x, y, z), m), S_OK);
    return out;
}

const D3DMATRIX kAffine = matrix({0, 2, 0, 0, -1, 0, 0, 0, 0, 0, 4, 0, 3, -5, 7, 1});

}  // namespace

// Only affine matrices (last column 0, 0, 0, 1 within 0.001) are inverted; a
// refusal leaves the result alone.
TEST(MatrixUtilities, InvertUndoesAnAffineMatrixAndRefusesOthers) {
    D3DMATRIX inverse, projection;
    ASSERT_EQ(D3DMath_MatrixInvert(inverse, kAffine), S_OK);
    const D3DVECTOR moved = transform(1, 2, 3, kAffine);
    expectNear(flat({transform(moved.x, moved.y, moved.z, inverse)}), {1, 2, 3}, 1e-4f);
    ASSERT_EQ(D3DUtil_SetProjectionMatrix(projection, kPi / 2, 1.0f, 1.0f, 10.0f), S_OK);
    D3DMATRIX untouched = kAffine, nearly = kAffine;
    EXPECT_EQ(D3DMath_MatrixInvert(untouched, projection), E_INVALIDARG);
    expectMatrixNear(untouched, kAffine, 0.0f);
    nearly._44 = 1.0009f;
    EXPECT_EQ(D3DMath_MatrixInvert(untouched, nearly), S_OK);
    nearly._44 = 1.0f;
    nearly._24 = 0.002f;
    EXPECT_EQ(D3DMath_MatrixInvert(untouched, nearly), E_INVALIDARG);
}

// Points are divided by w, and refused (the result untouched) when w, here
// the camera-space z, vanishes; a vertex's normal is turned without the
// translation and its texture coordinates kept.
TEST(MatrixUtilities, VectorAndVertexTimesMatrix) {
    D3DMATRIX m, projection;
    D3DUtil_SetIdentityMatrix(m);
    m._44 = 2.0f;
    m._41 = 4.0f;
    expectNear(flat({transform(2, 4, 6, m)}), {3, 2, 3});
    ASSERT_EQ(D3DUtil_SetProjectionMatrix(projection, kPi / 2, 1.0f, 1.0f, 10.0f), S_OK);
    D3DVECTOR out = D3DVec_Make(7, 8, 9);
    EXPECT_EQ(D3DMath_VectorMatrixMultiply(out, D3DVec_Make(1, 1, 0), projection), E_INVALIDARG);
    expectNear(flat({out}), {7, 8, 9}, 0.0f);
    D3DVERTEX vertex{}, result{};
    result.x = 5.0f;
    EXPECT_EQ(D3DMath_VertexMatrixMultiply(result, vertex, projection), E_INVALIDARG);
    EXPECT_EQ(result.x, 5.0f);

    D3DUtil_SetRotateZMatrix(m, kPi / 2);
    m._41 = 1.0f;
    vertex.x = vertex.nx = 1.0f;
    vertex.tu = 0.25f;
    vertex.tv = 0.75f;
    ASSERT_EQ(D3DMath_VertexMatrixMultiply(result, vertex, m), S_OK);
    expectNear(
        {result.x, result.y, result.z, result.nx, result.ny, result.nz, result.tu, result.tv},
        {1, 1, 0, 0, 1, 0, 0.25f, 0.75f}, 1e-6f);
}

// The target lands straight ahead, up stays up and x points right (left-
// handed). An up along the view is replaced by y, or z when the view is along
// y; an eye on its target is refused, the result untouched.
TEST(MatrixUtilities, ViewMatrixPutsTheTargetStraightAhead) {
    D3DMATRIX m = kAffine;
    const D3DVECTOR from = D3DVec_Make(1, 2, 3), at = D3DVec_Make(1, 2, 8);
    EXPECT_EQ(D3DUtil_SetViewMatrix(m, from, from, D3DVec_Make(0, 1, 0)), E_INVALIDARG);
    expectMatrixNear(m, kAffine, 0.0f);
    ASSERT_EQ(D3DUtil_SetViewMatrix(m, from, at, D3DVec_Make(0, 1, 0)), S_OK);
    expectMatrixNear(m, matrix({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, -3, 1}));
    const D3DVECTOR origin = D3DVec_Make(0, 0, 0);
    ASSERT_EQ(D3DUtil_SetViewMatrix(m, origin, D3DVec_Make(0, 5, 0), D3DVec_Make(0, 2, 0)), S_OK);
    expectNear(flat({transform(0, 5, 0, m), transform(0, 0, 1, m)}), {0, 0, 5, 0, 1, 0});
    ASSERT_EQ(D3DUtil_SetViewMatrix(m, origin, D3DVec_Make(0, 0, 3), D3DVec_Make(0, 0, -1)), S_OK);
    expectNear(flat({transform(0, 1, 0, m)}), {0, 1, 0});
}

// A rotation as axis and angle, as a quaternion and as a matrix: each way
// round gives the same, also for half turns, where the matrix conversion goes
// by the largest diagonal element.
TEST(QuaternionUtilities, AxisAngleQuaternionAndMatrixAgree) {
    const D3DVECTOR axis = D3DVec_Make(1, 2, 2), zAxis = D3DVec_Make(0, 0, 1);
    float x, y, z, w, qx, qy, qz, qw, angle;
    D3DMath_QuaternionFromRotation(x, y, z, w, axis, 1.2f);
    D3DMATRIX fromQuaternion, fromAxis;
    D3DMath_MatrixFromQuaternion(fromQuaternion, x, y, z, w);
    D3DUtil_SetRotationMatrix(fromAxis, axis, 1.2f);
    expectMatrixNear(fromQuaternion, fromAxis);
    D3DMath_QuaternionFromMatrix(qx, qy, qz, qw, fromAxis);
    expectNear({qx, qy, qz, qw}, {x, y, z, w});
    D3DVECTOR back;
    D3DMath_RotationFromQuaternion(back, angle, x, y, z, w);
    expectNear({back.x, back.y, back.z, angle}, {1.0f / 3, 2.0f / 3, 2.0f / 3, 1.2f});
    for (const D3DVECTOR& halfTurn : {D3DVec_Make(1, 0, 0), D3DVec_Make(0, 1, 0), zAxis}) {
        D3DMATRIX m, again;
        D3DUtil_SetRotationMatrix(m, halfTurn, kPi);
        D3DMath_QuaternionFromMatrix(x, y, z, w, m);
        D3DMath_MatrixFromQuaternion(again, x, y, z, w);
        expectMatrixNear(again, m);
    }
}

// a * b turns by b first, then a; Euler angles turn by roll, then pitch, then
// yaw.
TEST(QuaternionUtilities, ProductsAndEulerAnglesComposeInOrder) {
    float ax, ay, az, aw, bx, by, bz, bw, qx, qy, qz, qw;
    D3DMath_QuaternionFromRotation(ax, ay, az, aw, D3DVec_Make(0, 0, 1), kPi / 2);
    D3DMath_QuaternionFromRotation(bx, by, bz, bw, D3DVec_Make(1, 0, 0), kPi / 2);
    D3DMath_QuaternionMultiply(qx, qy, qz, qw, ax, ay, az, aw, bx, by, bz, bw);
    D3DMATRIX q, a, b, composed, roll, pitch, yaw;
    D3DMath_MatrixFromQuaternion(q, qx, qy, qz, qw);
    D3DMath_MatrixFromQuaternion(a, ax, ay, az, aw);
    D3DMath_MatrixFromQuaternion(b, bx, by, bz, bw);
    D3DMath_MatrixMultiply(composed, a, b);
    expectMatrixNear(q, composed);
    D3DMath_QuaternionFromAngles(qx, qy, qz, qw, 0.4f, -0.9f, 1.3f);
    D3DMath_MatrixFromQuaternion(q, qx, qy, qz, qw);
    D3DUtil_SetRotateZMatrix(roll, 1.3f);
    D3DUtil_SetRotateXMatrix(pitch, -0.9f);
    D3DUtil_SetRotateYMatrix(yaw, 0.4f);
    D3DMath_MatrixMultiply(composed, pitch, roll);
    D3DMath_MatrixMultiply(composed, yaw, composed);
    expectMatrixNear(q, composed);
}

// Halfway from no turn to a quarter turn is an eighth turn on the unit
// sphere, the short way round also from -b; nearly equal inputs (1 - cos
// under 0.05) are mixed linearly.
TEST(QuaternionUtilities, SlerpFollowsTheShortArcAndIsLinearForNearInputs) {
    const D3DVECTOR zAxis = D3DVec_Make(0, 0, 1);
    float ax, ay, az, aw, bx, by, bz, bw, ex, ey, ez, ew, qx, qy, qz, qw;
    D3DMath_QuaternionFromRotation(ax, ay, az, aw, zAxis, 0.0f);
    D3DMath_QuaternionFromRotation(bx, by, bz, bw, zAxis, kPi / 2);
    D3DMath_QuaternionFromRotation(ex, ey, ez, ew, zAxis, kPi / 4);
    for (float sign : {1.0f, -1.0f}) {
        D3DMath_QuaternionSlerp(qx, qy, qz, qw, ax, ay, az, aw, sign * bx, sign * by, sign * bz,
                                sign * bw, 0.5f);
        expectNear({qz, qw, qx * qx + qy * qy + qz * qz + qw * qw}, {ez, ew, 1});
    }
    D3DMath_QuaternionFromRotation(bx, by, bz, bw, zAxis, 0.4f);
    D3DMath_QuaternionSlerp(qx, qy, qz, qw, ax, ay, az, aw, bx, by, bz, bw, 0.25f);
    expectNear({qz, qw}, {0.75f * az + 0.25f * bz, 0.75f * aw + 0.25f * bw}, 1e-6f);
}

// No NaNs from a zero vector or a zero divisor: they give zero vectors.
TEST(VectorUtilities, ArithmeticAndDegenerateCases) {
    const D3DVECTOR a = D3DVec_Make(3, 0, 4), b = D3DVec_Make(0, 1, 0);
    expectNear({D3DVec_Length(a), D3DVec_SquaredLength(a), D3DVec_Dot(a, D3DVec_Make(1, 1, 1))},
               {5, 25, 7});
    expectNear(flat({D3DVec_Normalize(a), D3DVec_Subtract(a, b), D3DVec_Scale(a, 2),
                     D3DVec_Divide(a, 2), D3DVec_Cross(D3DVec_Make(1, 0, 0), b),
                     D3DVec_Normalize(D3DVec_Make(0, 0, 0)), D3DVec_Divide(a, 0.0f)}),
               {0.6f, 0, 0.8f, 3, -1, 4, 6, 0, 8, 1.5f, 0, 2, 0, 0, 1, 0, 0, 0, 0, 0, 0});
}
