#include "peer_workload.h"

#include <random>

namespace peer {

Scene makeScene(Workload w) {
    Scene s;
    if (w == Workload::Fill) {
        const float W = kWidth, H = kHeight;
        for (int layer = 0; layer < kLayers; ++layer) {
            // Back to front, so every layer passes the depth test.
            const float z = 0.9f - 0.1f * static_cast<float>(layer);
            const ScreenVertex a{0, 0, z, 1.0f, 0xffff8040, 0, 0};
            const ScreenVertex b{W, 0, z, 0.5f, 0xff40ff80, 3, 0};
            const ScreenVertex c{W, H, z, 0.5f, 0xff8040ff, 3, 2};
            const ScreenVertex d{0, H, z, 1.0f, 0xffffffff, 0, 2};
            s.vertices.insert(s.vertices.end(), {a, b, c, a, c, d});
        }
        s.workPerFrame = static_cast<double>(kLayers) * kWidth * kHeight;
        return s;
    }
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> px(0, kWidth - 9), py(0, kHeight - 9);
    for (int i = 0; i < kSmallTriangles; ++i) {
        const float x = px(rng), y = py(rng);
        s.vertices.push_back({x, y, 0.5f, 1.0f, 0xffff0000, 0, 0});
        s.vertices.push_back({x + 8, y, 0.5f, 0.9f, 0xff00ff00, 0.1f, 0});
        s.vertices.push_back({x, y + 8, 0.5f, 0.8f, 0xff0000ff, 0, 0.1f});
    }
    s.workPerFrame = kSmallTriangles;
    return s;
}

std::vector<uint32_t> makeTexels() {
    std::vector<uint32_t> t(kTextureSize * kTextureSize);
    std::mt19937 rng(7);
    for (int i = 0; i < kTextureSize * kTextureSize; ++i) {
        const bool light = ((i >> 3) ^ (i >> 9)) & 1;
        t[i] = 0xff000000u | (light ? 0xffffffu : (rng() & 0xffffffu));
    }
    return t;
}

const char* workloadName(Workload w) {
    return w == Workload::Fill ? "textured bilinear fill" : "small triangles";
}

const char* workloadUnit(Workload w) {
    return w == Workload::Fill ? "Mpixels/s" : "M triangles/s";
}

}  // namespace peer
