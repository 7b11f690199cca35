#include "d3dframe/d3dutil.h"

#include <cmath>
#include <cstring>

namespace {

float& at(D3DMATRIX& m, int row, int col) {
    return (&m._11)[row * 4 + col];
}
float at(const D3DMATRIX& m, int row, int col) {
    return (&m._11)[row * 4 + col];
}

D3DMATRIX zeroMatrix() {
    D3DMATRIX m;
    std::memset(&m, 0, sizeof m);
    return m;
}

}  // namespace

// ---------------------------------------------------------------------------
// Structure initialisers

void D3DUtil_InitSurfaceDesc(DDSURFACEDESC2& ddsd, DWORD dwFlags, DWORD dwCaps) {
    std::memset(&ddsd, 0, sizeof(ddsd));
    ddsd.dwSize = sizeof(ddsd);
    ddsd.dwFlags = dwFlags;
    ddsd.ddsCaps.dwCaps = dwCaps;
    ddsd.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
}

void D3DUtil_InitViewport(D3DVIEWPORT2& vp, DWORD dwWidth, DWORD dwHeight) {
    std::memset(&vp, 0, sizeof(vp));
    vp.dwSize = sizeof(vp);
    vp.dwWidth = dwWidth;
    vp.dwHeight = dwHeight;
    vp.dvClipX = -1.0f;
    vp.dvClipY = 1.0f;
    vp.dvClipWidth = 2.0f;
    vp.dvClipHeight = 2.0f;
    vp.dvMinZ = 0.0f;
    vp.dvMaxZ = 1.0f;
}

void D3DUtil_InitMaterial(D3DMATERIAL& mtrl, FLOAT r, FLOAT g, FLOAT b, FLOAT a) {
    std::memset(&mtrl, 0, sizeof(mtrl));
    mtrl.dwSize = sizeof(mtrl);
    mtrl.diffuse.r = mtrl.ambient.r = r;
    mtrl.diffuse.g = mtrl.ambient.g = g;
    mtrl.diffuse.b = mtrl.ambient.b = b;
    mtrl.diffuse.a = mtrl.ambient.a = a;
    mtrl.dwRampSize = 16;
}

void D3DUtil_InitLight(D3DLIGHT& light, D3DLIGHTTYPE ltType, FLOAT x, FLOAT y, FLOAT z) {
    std::memset(&light, 0, sizeof(light));
    light.dwSize = sizeof(light);
    light.dltType = ltType;
    light.dcvColor.r = light.dcvColor.g = light.dcvColor.b = 1.0f;
    light.dvPosition = D3DVec_Make(x, y, z);
    light.dvDirection = D3DVec_Normalize(light.dvPosition);
    light.dvRange = std::sqrt(3.402823466e+38f);  // as far as a float squared reaches
}

// ---------------------------------------------------------------------------
// Matrices

void D3DUtil_SetIdentityMatrix(D3DMATRIX& m) {
    m = zeroMatrix();
    m._11 = m._22 = m._33 = m._44 = 1.0f;
}

HRESULT D3DUtil_SetProjectionMatrix(D3DMATRIX& mat, FLOAT fFOV, FLOAT fAspect, FLOAT fNearPlane,
                                    FLOAT fFarPlane) {
    if (!(std::fabs(fFarPlane - fNearPlane) >= 0.01f) ||
        !(std::fabs(std::sin(fFOV / 2.0f)) >= 0.01f))
        return E_INVALIDARG;
    const float h = std::cos(fFOV / 2.0f) / std::sin(fFOV / 2.0f);
    const float w = fAspect * h;
    const float q = fFarPlane / (fFarPlane - fNearPlane);
    mat = zeroMatrix();
    mat._11 = w;
    mat._22 = h;
    mat._33 = q;
    mat._34 = 1.0f;
    mat._43 = -q * fNearPlane;
    return S_OK;
}

HRESULT D3DUtil_SetViewMatrix(D3DMATRIX& mat, const D3DVECTOR& vFrom, const D3DVECTOR& vAt,
                              const D3DVECTOR& vWorldUp) {
    const D3DVECTOR toAt = D3DVec_Subtract(vAt, vFrom);
    const float distance = D3DVec_Length(toAt);
    if (!(distance >= 1e-6f))
        return E_INVALIDARG;
    const D3DVECTOR view = D3DVec_Divide(toAt, distance);

    // Up without its part along the view; other world axes when it is parallel.
    const auto upFrom = [&view](const D3DVECTOR& candidate) {
        return D3DVec_Subtract(candidate, D3DVec_Scale(view, D3DVec_Dot(candidate, view)));
    };
    D3DVECTOR up = upFrom(vWorldUp);
    if (D3DVec_Length(up) < 1e-6f)
        up = upFrom(D3DVec_Make(0.0f, 1.0f, 0.0f));
    if (D3DVec_Length(up) < 1e-6f)
        up = upFrom(D3DVec_Make(0.0f, 0.0f, 1.0f));
    if (!(D3DVec_Length(up) >= 1e-6f))
        return E_INVALIDARG;
    up = D3DVec_Normalize(up);
    const D3DVECTOR right = D3DVec_Cross(up, view);

    D3DUtil_SetIdentityMatrix(mat);
    mat._11 = right.x;
    mat._12 = up.x;
    mat._13 = view.x;
    mat._21 = right.y;
    mat._22 = up.y;
    mat._23 = view.y;
    mat._31 = right.z;
    mat._32 = up.z;
    mat._33 = view.z;
    mat._41 = -D3DVec_Dot(vFrom, right);
    mat._42 = -D3DVec_Dot(vFrom, up);
    mat._43 = -D3DVec_Dot(vFrom, view);
    return S_OK;
}

void D3DUtil_SetRotateXMatrix(D3DMATRIX& mat, FLOAT fRads) {
    D3DUtil_SetIdentityMatrix(mat);
    mat._22 = std::cos(fRads);
    mat._23 = std::sin(fRads);
    mat._32 = -std::sin(fRads);
    mat._33 = std::cos(fRads);
}

void D3DUtil_SetRotateYMatrix(D3DMATRIX& mat, FLOAT fRads) {
    D3DUtil_SetIdentityMatrix(mat);
    mat._11 = std::cos(fRads);
    mat._13 = -std::sin(fRads);
    mat._31 = std::sin(fRads);
    mat._33 = std::cos(fRads);
}

void D3DUtil_SetRotateZMatrix(D3DMATRIX& mat, FLOAT fRads) {
    D3DUtil_SetIdentityMatrix(mat);
    mat._11 = std::cos(fRads);
    mat._12 = std::sin(fRads);
    mat._21 = -std::sin(fRads);
    mat._22 = std::cos(fRads);
}

void D3DUtil_SetRotationMatrix(D3DMATRIX& mat, const D3DVECTOR& vDir, FLOAT fRads) {
    const D3DVECTOR v = D3DVec_Normalize(vDir);
    const float c = std::cos(fRads);
    const float s = std::sin(fRads);
    const float t = 1.0f - c;
    D3DUtil_SetIdentityMatrix(mat);
    // The transpose of the column-vector rotation, for row vectors.
    mat._11 = t * v.x * v.x + c;
    mat._12 = t * v.x * v.y + s * v.z;
    mat._13 = t * v.x * v.z - s * v.y;
    mat._21 = t * v.x * v.y - s * v.z;
    mat._22 = t * v.y * v.y + c;
    mat._23 = t * v.y * v.z + s * v.x;
    mat._31 = t * v.x * v.z + s * v.y;
    mat._32 = t * v.y * v.z - s * v.x;
    mat._33 = t * v.z * v.z + c;
}

void D3DMath_MatrixMultiply(D3DMATRIX& q, const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX result = zeroMatrix();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += at(b, i, k) * at(a, k, j);
            at(result, i, j) = sum;
        }
    q = result;
}

HRESULT D3DMath_MatrixInvert(D3DMATRIX& q, const D3DMATRIX& a) {
    if (std::fabs(a._44 - 1.0f) > 0.001f || std::fabs(a._14) > 0.001f ||
        std::fabs(a._24) > 0.001f || std::fabs(a._34) > 0.001f)
        return E_INVALIDARG;
    // Inverse of the upper 3 x 3 block by cofactors.
    const float c11 = a._22 * a._33 - a._23 * a._32;
    const float c12 = a._23 * a._31 - a._21 * a._33;
    const float c13 = a._21 * a._32 - a._22 * a._31;
    const float det = a._11 * c11 + a._12 * c12 + a._13 * c13;
    if (det == 0.0f || !std::isfinite(det))
        return E_INVALIDARG;
    const float f = 1.0f / det;
    D3DMATRIX r = zeroMatrix();
    r._11 = f * c11;
    r._12 = f * (a._13 * a._32 - a._12 * a._33);
    r._13 = f * (a._12 * a._23 - a._13 * a._22);
    r._21 = f * c12;
    r._22 = f * (a._11 * a._33 - a._13 * a._31);
    r._23 = f * (a._13 * a._21 - a._11 * a._23);
    r._31 = f * c13;
    r._32 = f * (a._12 * a._31 - a._11 * a._32);
    r._33 = f * (a._11 * a._22 - a._12 * a._21);
    r._41 = -(a._41 * r._11 + a._42 * r._21 + a._43 * r._31);
    r._42 = -(a._41 * r._12 + a._42 * r._22 + a._43 * r._32);
    r._43 = -(a._41 * r._13 + a._42 * r._23 + a._43 * r._33);
    r._44 = 1.0f;
    q = r;
    return S_OK;
}

HRESULT D3DMath_VectorMatrixMultiply(D3DVECTOR& vDest, const D3DVECTOR& vSrc,
                                     const D3DMATRIX& mat) {
    const float x = vSrc.x * mat._11 + vSrc.y * mat._21 + vSrc.z * mat._31 + mat._41;
    const float y = vSrc.x * mat._12 + vSrc.y * mat._22 + vSrc.z * mat._32 + mat._42;
    const float z = vSrc.x * mat._13 + vSrc.y * mat._23 + vSrc.z * mat._33 + mat._43;
    const float w = vSrc.x * mat._14 + vSrc.y * mat._24 + vSrc.z * mat._34 + mat._44;
    if (!(std::fabs(w) >= 0.00001f))
        return E_INVALIDARG;
    vDest = D3DVec_Make(x / w, y / w, z / w);
    return S_OK;
}

HRESULT D3DMath_VertexMatrixMultiply(D3DVERTEX& vDest, const D3DVERTEX& vSrc,
                                     const D3DMATRIX& mat) {
    D3DVECTOR position;
    const HRESULT result =
        D3DMath_VectorMatrixMultiply(position, D3DVec_Make(vSrc.x, vSrc.y, vSrc.z), mat);
    if (FAILED(result))
        return result;
    const float nx = vSrc.nx * mat._11 + vSrc.ny * mat._21 + vSrc.nz * mat._31;
    const float ny = vSrc.nx * mat._12 + vSrc.ny * mat._22 + vSrc.nz * mat._32;
    const float nz = vSrc.nx * mat._13 + vSrc.ny * mat._23 + vSrc.nz * mat._33;
    const float tu = vSrc.tu;
    const float tv = vSrc.tv;
    vDest.x = position.x;
    vDest.y = position.y;
    vDest.z = position.z;
    vDest.nx = nx;
    vDest.ny = ny;
    vDest.nz = nz;
    vDest.tu = tu;
    vDest.tv = tv;
    return S_OK;
}

// ---------------------------------------------------------------------------
// Quaternions

void D3DMath_QuaternionFromRotation(FLOAT& x, FLOAT& y, FLOAT& z, FLOAT& w, const D3DVECTOR& v,
                                    FLOAT fTheta) {
    const D3DVECTOR axis = D3DVec_Normalize(v);
    const float s = std::sin(fTheta / 2.0f);
    x = s * axis.x;
    y = s * axis.y;
    z = s * axis.z;
    w = std::cos(fTheta / 2.0f);
}

void D3DMath_RotationFromQuaternion(D3DVECTOR& v, FLOAT& fTheta, FLOAT x, FLOAT y, FLOAT z,
                                    FLOAT w) {
    const float clampedW = w > 1.0f ? 1.0f : (w < -1.0f ? -1.0f : w);
    fTheta = 2.0f * std::acos(clampedW);
    v = D3DVec_Normalize(D3DVec_Make(x, y, z));
}

void D3DMath_QuaternionFromAngles(FLOAT& x, FLOAT& y, FLOAT& z, FLOAT& w, FLOAT fYaw,
                                  FLOAT fPitch, FLOAT fRoll) {
    const float cy = std::cos(fYaw / 2.0f), sy = std::sin(fYaw / 2.0f);
    const float cp = std::cos(fPitch / 2.0f), sp = std::sin(fPitch / 2.0f);
    const float cr = std::cos(fRoll / 2.0f), sr = std::sin(fRoll / 2.0f);
    // Roll first, then pitch, then yaw.
    x = cr * sp * cy + sr * cp * sy;
    y = cr * cp * sy - sr * sp * cy;
    z = sr * cp * cy - cr * sp * sy;
    w = cr * cp * cy + sr * sp * sy;
}

void D3DMath_MatrixFromQuaternion(D3DMATRIX& mat, FLOAT x, FLOAT y, FLOAT z, FLOAT w) {
    const float xx = x * x, yy = y * y, zz = z * z;
    const float xy = x * y, xz = x * z, yz = y * z;
    const float wx = w * x, wy = w * y, wz = w * z;
    D3DUtil_SetIdentityMatrix(mat);
    // Row-vector form: the transpose of the usual column-vector matrix.
    mat._11 = 1.0f - 2.0f * (yy + zz);
    mat._12 = 2.0f * (xy + wz);
    mat._13 = 2.0f * (xz - wy);
    mat._21 = 2.0f * (xy - wz);
    mat._22 = 1.0f - 2.0f * (xx + zz);
    mat._23 = 2.0f * (yz + wx);
    mat._31 = 2.0f * (xz + wy);
    mat._32 = 2.0f * (yz - wx);
    mat._33 = 1.0f - 2.0f * (xx + yy);
}

void D3DMath_QuaternionFromMatrix(FLOAT& x, FLOAT& y, FLOAT& z, FLOAT& w, const D3DMATRIX& mat) {
    const float trace = mat._11 + mat._22 + mat._33;
    if (trace > 0.0f) {
        const float s = std::sqrt(trace + 1.0f) * 2.0f;  // 4w
        w = 0.25f * s;
        x = (mat._23 - mat._32) / s;
        y = (mat._31 - mat._13) / s;
        z = (mat._12 - mat._21) / s;
    } else if (mat._11 > mat._22 && mat._11 > mat._33) {
        const float s = std::sqrt(1.0f + mat._11 - mat._22 - mat._33) * 2.0f;  // 4x
        w = (mat._23 - mat._32) / s;
        x = 0.25f * s;
        y = (mat._12 + mat._21) / s;
        z = (mat._31 + mat._13) / s;
    } else if (mat._22 > mat._33) {
        const float s = std::sqrt(1.0f + mat._22 - mat._11 - mat._33) * 2.0f;  // 4y
        w = (mat._31 - mat._13) / s;
        x = (mat._12 + mat._21) / s;
        y = 0.25f * s;
        z = (mat._23 + mat._32) / s;
    } else {
        const float s = std::sqrt(1.0f + mat._33 - mat._11 - mat._22) * 2.0f;  // 4z
        w = (mat._12 - mat._21) / s;
        x = (mat._31 + mat._13) / s;
        y = (mat._23 + mat._32) / s;
        z = 0.25f * s;
    }
}

void D3DMath_QuaternionMultiply(FLOAT& Qx, FLOAT& Qy, FLOAT& Qz, FLOAT& Qw, FLOAT Ax, FLOAT Ay,
                                FLOAT Az, FLOAT Aw, FLOAT Bx, FLOAT By, FLOAT Bz, FLOAT Bw) {
    const float x = Aw * Bx + Ax * Bw + Ay * Bz - Az * By;
    const float y = Aw * By - Ax * Bz + Ay * Bw + Az * Bx;
    const float z = Aw * Bz + Ax * By - Ay * Bx + Az * Bw;
    const float w = Aw * Bw - Ax * Bx - Ay * By - Az * Bz;
    Qx = x;
    Qy = y;
    Qz = z;
    Qw = w;
}

void D3DMath_QuaternionSlerp(FLOAT& Qx, FLOAT& Qy, FLOAT& Qz, FLOAT& Qw, FLOAT Ax, FLOAT Ay,
                             FLOAT Az, FLOAT Aw, FLOAT Bx, FLOAT By, FLOAT Bz, FLOAT Bw,
                             FLOAT fAlpha) {
    float cosine = Ax * Bx + Ay * By + Az * Bz + Aw * Bw;
    // q and -q are the same rotation: take the shorter way round.
    if (cosine < 0.0f) {
        cosine = -cosine;
        Bx = -Bx;
        By = -By;
        Bz = -Bz;
        Bw = -Bw;
    }
    float scaleA = 1.0f - fAlpha;
    float scaleB = fAlpha;
    if (1.0f - cosine >= 0.05f) {
        const float angle = std::acos(cosine);
        const float sine = std::sin(angle);
        scaleA = std::sin((1.0f - fAlpha) * angle) / sine;
        scaleB = std::sin(fAlpha * angle) / sine;
    }
    Qx = scaleA * Ax + scaleB * Bx;
    Qy = scaleA * Ay + scaleB * By;
    Qz = scaleA * Az + scaleB * Bz;
    Qw = scaleA * Aw + scaleB * Bw;
}

// ---------------------------------------------------------------------------
// Vectors

D3DVECTOR D3DVec_Make(FLOAT x, FLOAT y, FLOAT z) {
    D3DVECTOR v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

D3DVECTOR D3DVec_Subtract(const D3DVECTOR& a, const D3DVECTOR& b) {
    return D3DVec_Make(a.x - b.x, a.y - b.y, a.z - b.z);
}

D3DVECTOR D3DVec_Scale(const D3DVECTOR& v, FLOAT s) {
    return D3DVec_Make(v.x * s, v.y * s, v.z * s);
}

D3DVECTOR D3DVec_Divide(const D3DVECTOR& v, FLOAT s) {
    if (s == 0.0f)
        return D3DVec_Make(0.0f, 0.0f, 0.0f);
    return D3DVec_Make(v.x / s, v.y / s, v.z / s);
}

FLOAT D3DVec_SquaredLength(const D3DVECTOR& v) {
    return D3DVec_Dot(v, v);
}

FLOAT D3DVec_Length(const D3DVECTOR& v) {
    return std::sqrt(D3DVec_SquaredLength(v));
}

D3DVECTOR D3DVec_Normalize(const D3DVECTOR& v) {
    return D3DVec_Divide(v, D3DVec_Length(v));
}

FLOAT D3DVec_Dot(const D3DVECTOR& a, const D3DVECTOR& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

D3DVECTOR D3DVec_Cross(const D3DVECTOR& a, const D3DVECTOR& b) {
    return D3DVec_Make(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
