// Matrix, quaternion, vector and structure helpers of the device framework.
// Matrices are Direct3D's, for row vectors: a point p transforms as p * M.
#pragma once

#include <d3d.h>

// ---------------------------------------------------------------------------
// Structure initialisers

// Zero-fills the description and sets its size, the given flags and caps,
// and the size of its pixel format.
void D3DUtil_InitSurfaceDesc(DDSURFACEDESC2& ddsd, DWORD dwFlags = 0, DWORD dwCaps = 0);

// A viewport of dwWidth x dwHeight pixels at the origin whose clip volume is
// x -1..1, y 1..-1 and depth 0..1.
void D3DUtil_InitViewport(D3DVIEWPORT2& vp, DWORD dwWidth = 0, DWORD dwHeight = 0);

// A material whose diffuse and ambient colours are the given one.
void D3DUtil_InitMaterial(D3DMATERIAL& mtrl, FLOAT r = 0.0f, FLOAT g = 0.0f, FLOAT b = 0.0f,
                          FLOAT a = 1.0f);

// A white light of the DirectX 5 size at (or towards) x, y, z; a directional
// light gets the normalised vector as its direction.
void D3DUtil_InitLight(D3DLIGHT& light, D3DLIGHTTYPE ltType, FLOAT x = 0.0f, FLOAT y = 0.0f,
                       FLOAT z = 0.0f);

// ---------------------------------------------------------------------------
// Matrices

void D3DUtil_SetIdentityMatrix(D3DMATRIX& m);

// Perspective projection with a vertical field of view and the aspect ratio
// width over height. Refused (E_INVALIDARG, matrix untouched) when the planes
// nearly coincide or the field of view is nearly 0 or a full turn.
HRESULT D3DUtil_SetProjectionMatrix(D3DMATRIX& mat, FLOAT fFOV, FLOAT fAspect, FLOAT fNearPlane,
                                    FLOAT fFarPlane);

// Look-at matrix, left-handed (z forward). Refused (E_INVALIDARG, matrix
// untouched) when from and at coincide or no up direction can be found.
HRESULT D3DUtil_SetViewMatrix(D3DMATRIX& mat, const D3DVECTOR& vFrom, const D3DVECTOR& vAt,
                              const D3DVECTOR& vWorldUp);

// Rotations by fRads radians; the axis need not be unit length.
void D3DUtil_SetRotateXMatrix(D3DMATRIX& mat, FLOAT fRads);
void D3DUtil_SetRotateYMatrix(D3DMATRIX& mat, FLOAT fRads);
void D3DUtil_SetRotateZMatrix(D3DMATRIX& mat, FLOAT fRads);
void D3DUtil_SetRotationMatrix(D3DMATRIX& mat, const D3DVECTOR& vDir, FLOAT fRads);

// q = b * a as a matrix product: for row vectors b applies first, then a.
// q may be a or b.
void D3DMath_MatrixMultiply(D3DMATRIX& q, const D3DMATRIX& a, const D3DMATRIX& b);

// Inverse of an affine matrix; refused (E_INVALIDARG, q untouched) when the
// last column is not (0, 0, 0, 1) within 0.001.
HRESULT D3DMath_MatrixInvert(D3DMATRIX& q, const D3DMATRIX& a);

// Homogeneous transforms with the division by w; refused (E_INVALIDARG,
// destination untouched) when |w| < 0.00001. The vertex's normal is turned
// by the matrix's rotation part; its texture coordinates are copied.
HRESULT D3DMath_VectorMatrixMultiply(D3DVECTOR& vDest, const D3DVECTOR& vSrc,
                                     const D3DMATRIX& mat);
HRESULT D3DMath_VertexMatrixMultiply(D3DVERTEX& vDest, const D3DVERTEX& vSrc,
                                     const D3DMATRIX& mat);

// ---------------------------------------------------------------------------
// Quaternions (x, y, z, w), w the scalar part

void D3DMath_QuaternionFromRotation(FLOAT& x, FLOAT& y, FLOAT& z, FLOAT& w, const D3DVECTOR& v,
                                    FLOAT fTheta);
// The axis of the identity comes out as the zero vector with angle 0.
void D3DMath_RotationFromQuaternion(D3DVECTOR& v, FLOAT& fTheta, FLOAT x, FLOAT y, FLOAT z,
                                    FLOAT w);
// Yaw about y, pitch about x, roll about z.
void D3DMath_QuaternionFromAngles(FLOAT& x, FLOAT& y, FLOAT& z, FLOAT& w, FLOAT fYaw,
                                  FLOAT fPitch, FLOAT fRoll);
void D3DMath_MatrixFromQuaternion(D3DMATRIX& mat, FLOAT x, FLOAT y, FLOAT z, FLOAT w);
void D3DMath_QuaternionFromMatrix(FLOAT& x, FLOAT& y, FLOAT& z, FLOAT& w, const D3DMATRIX& mat);
// Q = A * B: B's rotation applies first, then A's.
void D3DMath_QuaternionMultiply(FLOAT& Qx, FLOAT& Qy, FLOAT& Qz, FLOAT& Qw, FLOAT Ax, FLOAT Ay,
                                FLOAT Az, FLOAT Aw, FLOAT Bx, FLOAT By, FLOAT Bz, FLOAT Bw);
// Spherical interpolation from A (fAlpha 0) to B (fAlpha 1) along the
// shorter arc; nearly equal inputs are interpolated linearly.
void D3DMath_QuaternionSlerp(FLOAT& Qx, FLOAT& Qy, FLOAT& Qz, FLOAT& Qw, FLOAT Ax, FLOAT Ay,
                             FLOAT Az, FLOAT Aw, FLOAT Bx, FLOAT By, FLOAT Bz, FLOAT Bw,
                             FLOAT fAlpha);

// ---------------------------------------------------------------------------
// Vectors

D3DVECTOR D3DVec_Make(FLOAT x, FLOAT y, FLOAT z);
D3DVECTOR D3DVec_Subtract(const D3DVECTOR& a, const D3DVECTOR& b);
D3DVECTOR D3DVec_Scale(const D3DVECTOR& v, FLOAT s);
// Division by 0 gives the zero vector rather than infinities.
D3DVECTOR D3DVec_Divide(const D3DVECTOR& v, FLOAT s);
FLOAT D3DVec_Length(const D3DVECTOR& v);
FLOAT D3DVec_SquaredLength(const D3DVECTOR& v);
// A zero vector stays zero.
D3DVECTOR D3DVec_Normalize(const D3DVECTOR& v);
FLOAT D3DVec_Dot(const D3DVECTOR& a, const D3DVECTOR& b);
D3DVECTOR D3DVec_Cross(const D3DVECTOR& a, const D3DVECTOR& b);
