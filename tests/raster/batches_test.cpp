// Recording goes on while the pool's threads draw the batches recorded
// before it: many small blended draws, handed over batch by batch, with a
// finish midway as a lock makes one, give the one-thread picture.
#include "raster_test_util.h"

#include <random>

using namespace rt;

namespace {

std::vector<DWORD> blendedDraws(int threads) {
    constexpr int kW = 64, kH = 48;
    Canvas c(kW, kH, PixelFormat::R5G6B5, DepthFormat::D16);
    c.raster.setThreadCount(threads);
    c.untextured();
    c.rs(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    c.rs(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    c.rs(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    c.rs(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    c.clearDepth(1.0f);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> x(-4, kW + 4), y(-4, kH + 4), z(0, 1);
    for (int i = 0; i < 3000; ++i) {
        // Translucent colours make the order of overlapping draws show.
        const D3DCOLOR colour = (rng() & 0x00ffffff) | 0x90000000;
        const std::vector<Vertex> v{vtx(x(rng), y(rng), colour, 0, 0, z(rng)),
                                    vtx(x(rng), y(rng), colour, 0, 0, z(rng)),
                                    vtx(x(rng), y(rng), colour, 0, 0, z(rng))};
        EXPECT_EQ(DrawStatus::Ok, drawList(c.raster, v));
        if (i == 1700)
            c.raster.finish();
    }
    c.raster.finish();
    std::vector<DWORD> values;
    for (int py = 0; py < kH; ++py)
        for (int px = 0; px < kW; ++px)
            values.insert(values.end(), {c.raw(px, py), c.depthAt(px, py)});
    return values;
}

}  // namespace

TEST(RasterBatches, ManySmallDrawsHandedOverInBatchesGiveTheOneThreadPicture) {
    const std::vector<DWORD> one = blendedDraws(1);
    for (int threads : {2, 3})
        EXPECT_TRUE(one == blendedDraws(threads)) << threads << " threads";
}
