// Strided draws: the same vertices given stream by stream draw exactly what
// they draw packed, transformed or not, listed or indexed.
#include "device_fixture.h"

#include <algorithm>

namespace {

// One vertex with every field; the streams point into arrays of these, so
// their stride is not the packed vertex size.
struct Full {
    float x, y, z, w;
    D3DCOLOR diffuse, specular;
    float u, v;
};

struct StridedCase {
    const char* name;
    DWORD fvf;
    std::vector<Full> vertices;  // a fan of four, then a list of three (indexed)
};

const StridedCase kCases[] = {
    {"transformed textured",
     D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1,
     {{2, 2, 0.5f, 1, 0xFFFF8040, 0xFF102030, 0, 0},
      {20, 3, 0.4f, 1, 0xFF20FF40, 0xFF000000, 1, 0},
      {22, 18, 0.6f, 1, 0xFF4020FF, 0xFF304050, 1, 1},
      {3, 21, 0.5f, 1, 0xFFFFFFFF, 0xFF000000, 0, 1},
      {10, 24, 0.1f, 1, 0xFF808080, 0xFF000000, 0, 0},
      {30, 30, 0.1f, 1, 0xFF00FFFF, 0xFF000000, 1, 1},
      {12, 31, 0.1f, 1, 0xFFFF00FF, 0xFF000000, 0, 1}}},
    {"untransformed and clipped",
     D3DFVF_XYZ | D3DFVF_DIFFUSE,
     {{-0.9f, 0.9f, 0.5f, 0, 0xFFFF0000, 0, 0, 0},
      {1.5f, 0.8f, 0.5f, 0, 0xFF00FF00, 0, 0, 0},
      {0.7f, -0.6f, 0.5f, 0, 0xFF0000FF, 0, 0, 0},
      {-0.8f, -0.9f, 0.5f, 0, 0xFFFFFF00, 0, 0, 0},
      {-0.2f, -0.2f, 0.2f, 0, 0xFF808080, 0, 0, 0},
      {0.4f, -1.4f, 0.2f, 0, 0xFF00FFFF, 0, 0, 0},
      {0.1f, 0.3f, 0.2f, 0, 0xFFFF00FF, 0, 0, 0}}},
};

void PrintTo(const StridedCase& c, std::ostream* os) {
    *os << c.name;
}

// The vertices packed as the format lays them out.
std::vector<BYTE> pack(DWORD fvf, const std::vector<Full>& vs) {
    std::vector<BYTE> out;
    auto put = [&out](const void* p, size_t n) {
        const BYTE* b = static_cast<const BYTE*>(p);
        out.insert(out.end(), b, b + n);
    };
    for (const Full& v : vs) {
        put(&v.x, (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW ? 16 : 12);
        if (fvf & D3DFVF_DIFFUSE)
            put(&v.diffuse, 4);
        if (fvf & D3DFVF_SPECULAR)
            put(&v.specular, 4);
        if (fvf & D3DFVF_TEX1)
            put(&v.u, 8);
    }
    return out;
}

D3DDRAWPRIMITIVESTRIDEDDATA streams(const Full* vs) {
    D3DDRAWPRIMITIVESTRIDEDDATA d{};
    d.position = {const_cast<float*>(&vs->x), sizeof(Full)};
    d.diffuse = {const_cast<D3DCOLOR*>(&vs->diffuse), sizeof(Full)};
    d.specular = {const_cast<D3DCOLOR*>(&vs->specular), sizeof(Full)};
    d.textureCoords[0] = {const_cast<float*>(&vs->u), sizeof(Full)};
    return d;
}

class StridedTest : public DeviceTest, public ::testing::WithParamInterface<StridedCase> {};

TEST_P(StridedTest, DrawsWhatThePackedVerticesDraw) {
    makeDevice();
    IDirectDrawSurface4* tex = texture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    bind(tex);
    device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, TRUE);
    const StridedCase& c = GetParam();
    WORD list[3] = {6, 4, 5};

    std::vector<BYTE> packed = pack(c.fvf, c.vertices);
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLEFAN, c.fvf, packed.data(), 4, 0));
    ASSERT_EQ(D3D_OK, device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, c.fvf, packed.data(), 7,
                                                   list, 3, 0));
    const auto expected = pixels();
    ASSERT_NE(0u, std::count_if(expected.begin(), expected.end(),
                                [](uint32_t p) { return (p & 0xFFFFFF) != 0; }));

    clear(0, 1.0f);
    D3DDRAWPRIMITIVESTRIDEDDATA d = streams(c.vertices.data());
    ASSERT_EQ(D3D_OK, device->DrawPrimitiveStrided(D3DPT_TRIANGLEFAN, c.fvf, &d, 4, 0));
    ASSERT_EQ(D3D_OK,
              device->DrawIndexedPrimitiveStrided(D3DPT_TRIANGLELIST, c.fvf, &d, 7, list, 3, 0));
    EXPECT_EQ(expected, pixels());

    d.diffuse.lpvData = nullptr;  // a stream the format needs
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              device->DrawPrimitiveStrided(D3DPT_TRIANGLEFAN, c.fvf, &d, 4, 0));
    EXPECT_EQ(D3DERR_INVALIDVERTEXFORMAT,
              device->DrawPrimitiveStrided(D3DPT_TRIANGLEFAN, 0, &d, 4, 0));
    bind(nullptr);
    tex->Release();
}

INSTANTIATE_TEST_SUITE_P(Formats, StridedTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<StridedCase>& info) {
                             return info.index == 0 ? std::string("Transformed")
                                                    : std::string("Untransformed");
                         });

}  // namespace
