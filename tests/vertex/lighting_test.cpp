// Lighting of single vertices against the fixed-function formula, one light
// at a time.
#include "d3d/vertex/lighting.h"

#include "vertex_test_util.h"

namespace {

using namespace vertex_test;

constexpr float kPi = 3.14159265358979f, kDeg = kPi / 180.0f;

// A white light at the origin: direction, range, attenuation, flags, and
// falloff, theta and phi of a spot.
D3DLIGHT2 makeLight(D3DLIGHTTYPE type, D3DVECTOR dir, float range = 1000.0f, float a0 = 1,
                    float a1 = 0, float a2 = 0, DWORD flags = D3DLIGHT_ACTIVE, float f = 1,
                    float th = 0, float ph = 0) {
    return {sizeof(D3DLIGHT2), type, {1, 1, 1, 1}, {}, dir, range, f, a0, a1, a2, th, ph, flags};
}

// Material: diffuse (0.5, 0.4, 0.3, alpha 0.6), ambient (0.2, 0.1, 0),
// specular (1, 0.5, 0.25), emissive (0.1, 0, 0.05); ambient light 0x40.
class LightingTest : public ::testing::Test {
protected:
    void SetUp() override {
        D3DMATERIAL m{};
        m.diffuse = {0.5f, 0.4f, 0.3f, 0.6f};
        m.ambient = {0.2f, 0.1f, 0, 1};
        m.specular = {1, 0.5f, 0.25f, 1};
        m.emissive = {0.1f, 0, 0.05f, 1};
        state.setMaterial(m);
        state.setAmbient(0x00404040);
    }

    LitColors lightOne(const D3DLIGHT2& light, Vec3 position, Vec3 normal, Vec3 eye, float power) {
        D3DMATERIAL m = state.material();
        m.power = power;
        state.setMaterial(m);
        EXPECT_EQ(state.setLights(&light, 1), D3D_OK);
        return VertexLighter(state, eye).light(position, normal);
    }

    // emissive + material ambient * ambient light + material diffuse * k;
    // alpha is the material's diffuse alpha.
    static void expectDiffuse(D3DCOLOR got, Vec3 k, const std::string& what) {
        const float base[3] = {0.1f + 0.2f * 64 / 255, 0.1f * 64 / 255, 0.05f};
        const float diffuse[3] = {0.5f, 0.4f, 0.3f}, kc[3] = {k.x, k.y, k.z};
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(ch(got, c), expectedByte(base[c] + diffuse[c] * kc[c]), 1)
                << what << " channel " << c;
        }
        EXPECT_EQ(ch(got, 3), expectedByte(0.6f)) << what;
    }

    LightingState state;
};

// One white light at the origin per row. Diffuse is k * material diffuse;
// the highlight (power > 0) k * material specular, alpha 255.
TEST_F(LightingTest, EachLightTypeDiffuseAndSpecular) {
    const D3DLIGHT2 dir = makeLight(D3DLIGHT_DIRECTIONAL, {0, 0, 1});
    const D3DLIGHT2 attenuated = makeLight(D3DLIGHT_POINT, {}, 10, 1, 0.5f, 0.25f);
    // Spot along +z (direction not unit length), theta 40 and phi 80 degrees:
    // full light within 20 degrees of the axis, none beyond 40, and
    // ((cos a - cos 40) / (cos 20 - cos 40))^falloff between.
    const auto spot = [](float falloff) {
        return makeLight(D3DLIGHT_SPOT, {0, 0, 2}, 1000, 1, 0, 0, 1, falloff, 40 * kDeg, 80 * kDeg);
    };
    const float c20 = std::cos(20 * kDeg), c40 = std::cos(40 * kDeg);
    const auto cone = [&](float deg, float f) {
        return std::pow((std::cos(deg * kDeg) - c40) / (c20 - c40), f);
    };
    // A point 5 away from the spot, `deg` off its axis (the normal faces the light).
    const auto off = [](float deg) { return Vec3{std::sin(deg * kDeg), 0, std::cos(deg * kDeg)}; };
    const Vec3 o{0, 0, 0}, n{0, 0, -1}, eye{0, 0, -10};
    const Vec3 n60{std::sin(60 * kDeg), 0, -std::cos(60 * kDeg)}, eye60 = n60 * 10.0f;
    const float c45 = std::cos(45 * kDeg), h = std::pow(std::cos(30 * kDeg), 4.0f);
    const struct {
        D3DLIGHT2 light;
        Vec3 position, normal;
        float k, power = 0, specular = 0;
        Vec3 eye = {0, 0, -10};
    } cases[] = {
        // Directional: head on, at 60 degrees, facing away, inactive.
        {dir, o, n, 1},
        {dir, o, n60, 0.5f},
        {dir, o, {0, 0, 1}, 0},
        {makeLight(D3DLIGHT_DIRECTIONAL, {0, 0, 1}, 1000, 1, 0, 0, 0), o, n, 0},
        // Point: 1 / (1 + 0.5 d + 0.25 d^2) is 1/3 at d = 2 and 1/7 at d = 4,
        // the range; nothing beyond the range; the direction to the vertex
        // counts; attenuations summing to 0 mean none.
        {attenuated, {0, 0, 2}, n, 1 / 3.0f},
        {makeLight(D3DLIGHT_POINT, {}, 4, 1, 0.5f, 0.25f), {0, 0, 4}, n, 1 / 7.0f},
        {makeLight(D3DLIGHT_POINT, {}, 4), {0, 0, 4.01f}, n, 0},
        {makeLight(D3DLIGHT_POINT, {}, 100), {3, 0, 3}, n, c45},
        {makeLight(D3DLIGHT_POINT, {}, 10, 0), {0, 0, 5}, n, 1},
        {makeLight(D3DLIGHT_POINT, {}, 10), o, {1, 0, 0}, 1},  // on the light: lit whatever N
        // Parallel point: neither range nor attenuation.
        {makeLight(D3DLIGHT_PARALLELPOINT, {}, 0, 0, 0, 5), {0, 0, 50}, n, 1},
        // Spot: on the axis; just inside theta, where no falloff applies
        // however steep; just outside it; between; just inside and outside phi.
        {spot(1), off(0) * 5, off(0) * -1, 1},
        {spot(20), off(19.5f) * 5, off(19.5f) * -1, 1},
        {spot(20), off(20.5f) * 5, off(20.5f) * -1, cone(20.5f, 20)},
        {spot(1), off(30) * 5, off(30) * -1, cone(30, 1)},
        {spot(2), off(30) * 5, off(30) * -1, cone(30, 2)},
        {spot(1), off(39.5f) * 5, off(39.5f) * -1, cone(39.5f, 1)},
        {spot(1), off(40.5f) * 5, off(40.5f) * -1, 0},
        {spot(1), off(60) * 5, off(60) * -1, 0},
        // Highlights with L = N: the eye straight on; 60 degrees off, which
        // puts the half-way vector 30 degrees off N; attenuated like the
        // diffuse light; none from a light flagged D3DLIGHT_NO_SPECULAR.
        {dir, o, n, 1, 10, 1},
        {dir, o, n, 1, 4, h, eye60},
        {attenuated, {0, 0, 2}, n, 1 / 3.0f, 10, 1 / 3.0f},
        {makeLight(D3DLIGHT_DIRECTIONAL, {0, 0, 1}, 1000, 1, 0, 0, D3DLIGHT_ALL), o, n, 1, 10, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& k = cases[i];
        const LitColors c = lightOne(k.light, k.position, k.normal, k.eye, k.power);
        const std::string row = "row " + std::to_string(i);
        expectDiffuse(c.diffuse, {k.k, k.k, k.k}, row);
        EXPECT_NEAR(ch(c.specular, 0), expectedByte(k.specular), 1) << row;
        EXPECT_NEAR(ch(c.specular, 1), expectedByte(k.specular / 2), 1) << row;
        EXPECT_NEAR(ch(c.specular, 2), expectedByte(k.specular / 4), 1) << row;
        EXPECT_EQ(ch(c.specular, 3), 0) << row;  // no fog factor from lighting
    }
    // Each channel takes the light's colour.
    D3DLIGHT2 coloured = dir;
    coloured.dcvColor = {1, 0.5f, 0.25f, 1};
    expectDiffuse(lightOne(coloured, o, n, eye, 0).diffuse, {1, 0.5f, 0.25f}, "colour");
}

TEST_F(LightingTest, SumsOfLightsClampPerChannel) {
    D3DLIGHT2 light = makeLight(D3DLIGHT_DIRECTIONAL, {0, 0, 1});
    light.dcvColor = {2, 0.2f, 0, 1};
    const D3DLIGHT2 lights[2] = {light, light};
    ASSERT_EQ(state.setLights(lights, 2), D3D_OK);
    const LitColors c = VertexLighter(state, {}).light({0, 0, 0}, {0, 0, -1});  // power 0
    EXPECT_EQ(ch(c.diffuse, 0), 255);
    expectDiffuse(c.diffuse | 0x00FF0000, {10, 0.4f, 0}, "red clamped, green summed");
}

TEST(LightValidation, RefusesBadLightsAndKeepsTheOldList) {
    LightingState s;
    // A direction with one non-zero component; a spot with theta = phi = pi.
    const D3DLIGHT2 good[] = {makeLight(D3DLIGHT_DIRECTIONAL, {0, 1, 0}),
                              makeLight(D3DLIGHT_SPOT, {1, 0, 0}, 1000, 1, 0, 0, 1, 1, kPi, kPi)};
    ASSERT_EQ(s.setLights(good, 2), D3D_OK);
    // An unknown type, a directional light without direction, a negative
    // range, a spot whose theta is wider than its phi, one wider than pi.
    const D3DLIGHT2 bad[] = {makeLight(static_cast<D3DLIGHTTYPE>(9), {0, 0, 1}),
                             makeLight(D3DLIGHT_DIRECTIONAL, {0, 0, 0}),
                             makeLight(D3DLIGHT_POINT, {}, -1.0f),
                             makeLight(D3DLIGHT_SPOT, {0, 0, 1}, 1000, 1, 0, 0, 1, 1, 1.0f, 0.5f),
                             makeLight(D3DLIGHT_SPOT, {0, 0, 1}, 1000, 1, 0, 0, 1, 1, 1.0f, 3.2f)};
    for (const D3DLIGHT2& l : bad)
        EXPECT_EQ(s.setLights(&l, 1), DDERR_INVALIDPARAMS) << l.dltType << " " << l.dvPhi;
    EXPECT_EQ(s.setLights(nullptr, 2), DDERR_INVALIDPARAMS);
    ASSERT_EQ(s.lights().size(), 2u);
    EXPECT_EQ(s.lights()[1].dltType, D3DLIGHT_SPOT);
}

TEST(ColorPacking, RoundsAndClamps) {
    EXPECT_EQ(packColor(1.0f, 0.0f, 0.5f, 2.0f), 0xFFFF0080u);
    EXPECT_EQ(packColor(-1.0f, 0.2f, 1.5f, 0.0f), 0x000033FFu);
}

}  // namespace
