// Lighting of single vertices against the fixed-function formula, one light
// type at a time.
#include "d3d/vertex/lighting.h"

#include "vertex_test_util.h"

#include <d3d.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace platform::d3d::vertex;
using namespace vertex_test;

constexpr float kDeg = 3.14159265358979f / 180.0f;

D3DCOLORVALUE color(float r, float g, float b, float a = 1.0f) {
    D3DCOLORVALUE c;
    c.r = r;
    c.g = g;
    c.b = b;
    c.a = a;
    return c;
}

D3DLIGHT2 makeLight(D3DLIGHTTYPE type, D3DCOLORVALUE c) {
    D3DLIGHT2 l{};
    l.dwSize = sizeof l;
    l.dltType = type;
    l.dcvColor = c;
    l.dvRange = 1000.0f;
    l.dvAttenuation0 = 1.0f;
    l.dwFlags = D3DLIGHT_ACTIVE;
    return l;
}

D3DLIGHT2 directional(float dx, float dy, float dz, D3DCOLORVALUE c) {
    D3DLIGHT2 l = makeLight(D3DLIGHT_DIRECTIONAL, c);
    l.dvDirection = {dx, dy, dz};
    return l;
}

D3DLIGHT2 pointAtOrigin(float range, float a0, float a1, float a2) {
    D3DLIGHT2 l = makeLight(D3DLIGHT_POINT, color(1, 1, 1));
    l.dvRange = range;
    l.dvAttenuation0 = a0;
    l.dvAttenuation1 = a1;
    l.dvAttenuation2 = a2;
    return l;
}

class LightingTest : public ::testing::Test {
protected:
    void SetUp() override {
        D3DMATERIAL m{};
        m.dwSize = sizeof m;
        m.diffuse = color(0.5f, 0.4f, 0.3f, 0.6f);
        m.ambient = color(0.2f, 0.1f, 0.0f);
        m.emissive = color(0.1f, 0.0f, 0.05f);
        state.setMaterial(m);
        state.setAmbient(0x00404040);
    }

    LitColors lightOne(const D3DLIGHT2& light, Vec3 position, Vec3 normal, Vec3 eye = {}) {
        EXPECT_EQ(state.setLights(&light, 1), D3D_OK);
        return VertexLighter(state, eye).light(position, normal);
    }

    // emissive + material ambient * ambient state + material diffuse * colour * k
    void expectDiffuse(D3DCOLOR got, float kr, float kg, float kb) const {
        const D3DMATERIAL& m = state.material();
        const float amb = 64.0f / 255.0f;
        EXPECT_NEAR(red(got), expectedByte(m.emissive.r + m.ambient.r * amb + m.diffuse.r * kr), 1);
        EXPECT_NEAR(green(got), expectedByte(m.emissive.g + m.ambient.g * amb + m.diffuse.g * kg),
                    1);
        EXPECT_NEAR(blue(got), expectedByte(m.emissive.b + m.ambient.b * amb + m.diffuse.b * kb),
                    1);
        EXPECT_EQ(alpha(got), expectedByte(0.6f)) << "diffuse alpha is the material's";
    }

    void shine(float r, float g, float b, float power) {
        D3DMATERIAL m = state.material();
        m.specular = color(r, g, b);
        m.power = power;
        state.setMaterial(m);
    }

    LightingState state;
};

TEST_F(LightingTest, DirectionalHeadOn) {
    const LitColors c =
        lightOne(directional(0, 0, 1, color(1.0f, 0.5f, 1.0f)), {0, 0, 0}, {0, 0, -1});
    expectDiffuse(c.diffuse, 1.0f, 0.5f, 1.0f);
    EXPECT_EQ(c.specular, 0xFF000000u) << "no specular material: black, alpha 255";
}

TEST_F(LightingTest, DirectionalAtSixtyDegreesGivesHalf) {
    const Vec3 n{std::sin(60 * kDeg), 0.0f, -std::cos(60 * kDeg)};
    const LitColors c = lightOne(directional(0, 0, 1, color(1, 1, 1)), {0, 0, 0}, n);
    expectDiffuse(c.diffuse, 0.5f, 0.5f, 0.5f);
}

TEST_F(LightingTest, FacingAwayGetsOnlyAmbientAndEmissive) {
    const LitColors c = lightOne(directional(0, 0, 1, color(1, 1, 1)), {0, 0, 0}, {0, 0, 1});
    expectDiffuse(c.diffuse, 0.0f, 0.0f, 0.0f);
}

TEST_F(LightingTest, InactiveLightGivesNothing) {
    D3DLIGHT2 l = directional(0, 0, 1, color(1, 1, 1));
    l.dwFlags = 0;
    const LitColors c = lightOne(l, {0, 0, 0}, {0, 0, -1});
    expectDiffuse(c.diffuse, 0.0f, 0.0f, 0.0f);
}

TEST_F(LightingTest, PointLightAttenuation) {
    // d = 2: 1 / (1 + 0.5 * 2 + 0.25 * 4) = 1/3
    const LitColors c = lightOne(pointAtOrigin(10.0f, 1.0f, 0.5f, 0.25f), {0, 0, 2}, {0, 0, -1});
    expectDiffuse(c.diffuse, 1.0f / 3, 1.0f / 3, 1.0f / 3);
}

TEST_F(LightingTest, PointLightAtExactlyItsRangeStillShines) {
    // d = 4 = range: 1 / (1 + 2 + 4)
    const LitColors c = lightOne(pointAtOrigin(4.0f, 1.0f, 0.5f, 0.25f), {0, 0, 4}, {0, 0, -1});
    expectDiffuse(c.diffuse, 1.0f / 7, 1.0f / 7, 1.0f / 7);
}

TEST_F(LightingTest, PointLightBeyondItsRangeGivesNothing) {
    const LitColors c = lightOne(pointAtOrigin(4.0f, 1.0f, 0.0f, 0.0f), {0, 0, 4.01f}, {0, 0, -1});
    expectDiffuse(c.diffuse, 0.0f, 0.0f, 0.0f);
}

TEST_F(LightingTest, PointLightDirectionFollowsTheVertex) {
    // Light at the origin, vertex off to the side with a normal facing -z:
    // N.L = cos 45 degrees.
    const LitColors c = lightOne(pointAtOrigin(100.0f, 1.0f, 0.0f, 0.0f), {3, 0, 3}, {0, 0, -1});
    const float k = std::cos(45 * kDeg);
    expectDiffuse(c.diffuse, k, k, k);
}

TEST_F(LightingTest, ZeroAttenuationMeansNone) {
    const LitColors c = lightOne(pointAtOrigin(10.0f, 0.0f, 0.0f, 0.0f), {0, 0, 5}, {0, 0, -1});
    expectDiffuse(c.diffuse, 1.0f, 1.0f, 1.0f);
}

TEST_F(LightingTest, ParallelPointHasNeitherRangeNorAttenuation) {
    D3DLIGHT2 l = pointAtOrigin(0.0f, 0.0f, 0.0f, 5.0f);
    l.dltType = D3DLIGHT_PARALLELPOINT;
    const LitColors c = lightOne(l, {0, 0, 50}, {0, 0, -1});
    expectDiffuse(c.diffuse, 1, 1, 1);
}

class SpotTest : public LightingTest {
protected:
    // Spot at the origin shining along +z, theta 40, phi 80 degrees; the
    // vertex sits `angle` degrees off the axis at distance 5 facing the light.
    LitColors at(float angleDeg, float falloff = 1.0f) {
        D3DLIGHT2 l = makeLight(D3DLIGHT_SPOT, color(1, 1, 1));
        l.dvDirection = {0, 0, 1};
        l.dvTheta = 40 * kDeg;
        l.dvPhi = 80 * kDeg;
        l.dvFalloff = falloff;
        const Vec3 dir{std::sin(angleDeg * kDeg), 0.0f, std::cos(angleDeg * kDeg)};
        return lightOne(l, dir * 5.0f, dir * -1.0f);
    }
};

TEST_F(SpotTest, InsideThetaIsFull) {
    expectDiffuse(at(0).diffuse, 1, 1, 1);
    expectDiffuse(at(19).diffuse, 1, 1, 1);
}

TEST_F(SpotTest, OutsidePhiIsNone) {
    expectDiffuse(at(41).diffuse, 0, 0, 0);
    expectDiffuse(at(60).diffuse, 0, 0, 0);
}

TEST_F(SpotTest, BetweenFallsOff) {
    const float inner = std::cos(20 * kDeg), outer = std::cos(40 * kDeg);
    const float t = (std::cos(30 * kDeg) - outer) / (inner - outer);
    expectDiffuse(at(30).diffuse, t, t, t);
    const float t2 = std::pow(t, 2.0f);
    expectDiffuse(at(30, 2.0f).diffuse, t2, t2, t2);
}

TEST_F(LightingTest, SpecularHeadOnIsFull) {
    shine(1.0f, 0.5f, 0.25f, 10.0f);
    const LitColors c =
        lightOne(directional(0, 0, 1, color(1, 1, 1)), {0, 0, 0}, {0, 0, -1}, {0, 0, -10});
    EXPECT_EQ(red(c.specular), 255);
    EXPECT_NEAR(green(c.specular), 128, 1);
    EXPECT_NEAR(blue(c.specular), 64, 1);
    EXPECT_EQ(alpha(c.specular), 255);
}

TEST_F(LightingTest, SpecularUsesTheHalfwayVector) {
    shine(1.0f, 1.0f, 1.0f, 4.0f);
    // Light straight on (L = N); eye 60 degrees off: H is 30 degrees off N.
    const Vec3 eye{10 * std::sin(60 * kDeg), 0.0f, -10 * std::cos(60 * kDeg)};
    const LitColors c = lightOne(directional(0, 0, 1, color(1, 1, 1)), {0, 0, 0}, {0, 0, -1}, eye);
    EXPECT_NEAR(red(c.specular), expectedByte(std::pow(std::cos(30 * kDeg), 4.0f)), 1);
}

TEST_F(LightingTest, NoSpecularFlagTurnsHighlightsOff) {
    shine(1.0f, 1.0f, 1.0f, 10.0f);
    D3DLIGHT2 l = directional(0, 0, 1, color(1, 1, 1));
    l.dwFlags |= D3DLIGHT_NO_SPECULAR;
    const LitColors c = lightOne(l, {0, 0, 0}, {0, 0, -1}, {0, 0, -10});
    EXPECT_EQ(c.specular, 0xFF000000u);
    expectDiffuse(c.diffuse, 1, 1, 1);
}

TEST_F(LightingTest, SumsOfLightsClampPerChannel) {
    const D3DLIGHT2 lights[2] = {directional(0, 0, 1, color(2, 0.2f, 0)),
                                 directional(0, 0, 1, color(2, 0.2f, 0))};
    ASSERT_EQ(state.setLights(lights, 2), D3D_OK);
    const LitColors c = VertexLighter(state, {}).light({0, 0, 0}, {0, 0, -1});
    EXPECT_EQ(red(c.diffuse), 255);
    expectDiffuse(c.diffuse | 0x00FF0000, 10.0f, 0.4f, 0.0f);  // red clamped, green summed
}

TEST(LightValidation, RefusesBadLights) {
    LightingState s;
    D3DLIGHT2 good = directional(0, 0, 1, color(1, 1, 1));
    ASSERT_EQ(s.setLights(&good, 1), D3D_OK);

    D3DLIGHT2 l = good;
    l.dltType = static_cast<D3DLIGHTTYPE>(9);
    EXPECT_EQ(s.setLights(&l, 1), DDERR_INVALIDPARAMS);
    l = good;
    l.dvDirection = {0, 0, 0};
    EXPECT_EQ(s.setLights(&l, 1), DDERR_INVALIDPARAMS);
    l = pointAtOrigin(-1.0f, 1, 0, 0);
    EXPECT_EQ(s.setLights(&l, 1), DDERR_INVALIDPARAMS);
    l = makeLight(D3DLIGHT_SPOT, color(1, 1, 1));
    l.dvDirection = {0, 0, 1};
    l.dvTheta = 1.0f;
    l.dvPhi = 0.5f;
    EXPECT_EQ(s.setLights(&l, 1), DDERR_INVALIDPARAMS);
    EXPECT_EQ(s.setLights(nullptr, 2), DDERR_INVALIDPARAMS);
    ASSERT_EQ(s.lights().size(), 1u) << "a refused list leaves the old one";
    EXPECT_EQ(s.lights()[0].dltType, D3DLIGHT_DIRECTIONAL);
}

TEST(ColorPacking, RoundsAndClamps) {
    EXPECT_EQ(packColor(1.0f, 0.0f, 0.5f, 2.0f), 0xFFFF0080u);
    EXPECT_EQ(packColor(-1.0f, 0.2f, 1.5f, 0.0f), 0x000033FFu);
}

}  // namespace
