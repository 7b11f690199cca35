// The two workloads both renderers draw, as plain data: screen-space
// vertices (Direct3D conventions: pixel centres at integers, z in 0..1,
// rhw = 1 / w) and one 64 x 64 texture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace peer {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kTextureSize = 64;
constexpr int kLayers = 8;
constexpr int kSmallTriangles = 20000;

struct ScreenVertex {
    float x, y, z, rhw;
    uint32_t color;  // 0xAARRGGBB
    float u, v;
};

enum class Workload { Fill, SmallTriangles };

struct Scene {
    std::vector<ScreenVertex> vertices;  // a triangle list
    double workPerFrame = 0;             // pixels (fill) or triangles
};

// Fill: kLayers full-screen quads back to front, each in perspective (the
// right side twice as far), bilinear texture x Gouraud colour. Small
// triangles: right triangles with 8-pixel legs (32 pixels) over the screen.
Scene makeScene(Workload w);
// 0xAARRGGBB texels, row by row: a checker with noise, opaque.
std::vector<uint32_t> makeTexels();

const char* workloadName(Workload w);
const char* workloadUnit(Workload w);

}  // namespace peer
