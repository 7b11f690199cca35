// ComputeSphereVisibility: which planes of the view volume each sphere
// reaches past (union bits) or lies wholly outside (intersection bits).
#include "device_fixture.h"

namespace {

constexpr DWORD kLeft = D3DSTATUS_CLIPUNIONLEFT | D3DSTATUS_CLIPINTERSECTIONLEFT;
constexpr DWORD kRight = D3DSTATUS_CLIPUNIONRIGHT | D3DSTATUS_CLIPINTERSECTIONRIGHT;
constexpr DWORD kTop = D3DSTATUS_CLIPUNIONTOP | D3DSTATUS_CLIPINTERSECTIONTOP;
constexpr DWORD kBottom = D3DSTATUS_CLIPUNIONBOTTOM | D3DSTATUS_CLIPINTERSECTIONBOTTOM;
constexpr DWORD kFront = D3DSTATUS_CLIPUNIONFRONT | D3DSTATUS_CLIPINTERSECTIONFRONT;

struct Sphere {
    D3DVECTOR center;
    float radius;
    DWORD expected;
};

D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

void expectVisibility(IDirect3DDevice3* device, const std::vector<Sphere>& spheres) {
    std::vector<D3DVECTOR> centers;
    std::vector<float> radii;
    for (const Sphere& s : spheres) {
        centers.push_back(s.center);
        radii.push_back(s.radius);
    }
    std::vector<DWORD> results(spheres.size(), 0xDEADBEEF);
    ASSERT_EQ(D3D_OK, device->ComputeSphereVisibility(centers.data(), radii.data(),
                                                      DWORD(spheres.size()), 0, results.data()));
    for (size_t i = 0; i < spheres.size(); ++i)
        EXPECT_EQ(spheres[i].expected, results[i]) << std::hex << "sphere " << i;
}

}  // namespace

// Identity transforms: the volume is -1 <= x, y <= 1, 0 <= z <= 1.
TEST_F(DeviceTest, SphereVisibilityAgainstTheViewportsVolume) {
    makeDevice();
    expectVisibility(device,
                     {
                         {{0, 0, 0.5f}, 0.1f, 0},
                         {{0, 0, 0.5f}, 0.6f, D3DSTATUS_CLIPUNIONFRONT | D3DSTATUS_CLIPUNIONBACK},
                         {{-3, 0, 0.5f}, 0.4f, kLeft},
                         {{1, 0, 0.5f}, 0.25f, D3DSTATUS_CLIPUNIONRIGHT},
                         {{0, 2, 0.5f}, 0.5f, kTop},
                         {{0, -1.2f, 0.5f}, 0.5f, D3DSTATUS_CLIPUNIONBOTTOM},
                         {{3, 3, 0.5f}, 0.5f, kRight | kTop},
                     });
    // The world matrix moves the spheres: x + 3.
    D3DMATRIX world = identity();
    world._41 = 3.0f;
    ASSERT_EQ(D3D_OK, device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world));
    expectVisibility(device, {{{-3, 0, 0.5f}, 0.1f, 0}, {{0, 0, 0.5f}, 0.1f, kRight}});

    // Through a perspective projection, the world matrix back to identity.
    world._41 = 0.0f;
    ASSERT_EQ(D3D_OK, device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world));
    const float zn = 1.0f, zf = 100.0f, q = zf / (zf - zn);
    D3DMATRIX p{};
    p._11 = p._22 = 1.0f;
    p._33 = q;
    p._34 = 1.0f;
    p._43 = -zn * q;
    ASSERT_EQ(D3D_OK, device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &p));
    expectVisibility(
        device, {
                    {{0, 0, 10}, 1.0f, 0},
                    {{20, 0, 10}, 1.0f, kRight},
                    {{0, 0, 1.5f},
                     1.2f,
                     D3DSTATUS_CLIPUNIONFRONT | D3DSTATUS_CLIPUNIONLEFT | D3DSTATUS_CLIPUNIONRIGHT |
                         D3DSTATUS_CLIPUNIONTOP | D3DSTATUS_CLIPUNIONBOTTOM},
                    {{0, 0, -5}, 1.0f, kLeft | kRight | kTop | kBottom | kFront},
                    {{0, 0, 120}, 5.0f, D3DSTATUS_CLIPUNIONBACK | D3DSTATUS_CLIPINTERSECTIONBACK},
                });
}
