#include "peer_ours.h"

#include "../support/raster_state.h"

#include <cstring>

namespace peer {

using namespace platform::d3d::raster;

OurRenderer::OurRenderer(int bits, int threads) : raster_(threads) {
    const bool wide = bits == 32;
    const DWORD bpp = wide ? 4 : 2;
    const PixelFormat format = wide ? PixelFormat::X8R8G8B8 : PixelFormat::R5G6B5;
    const PixelFormat texFormat = wide ? PixelFormat::A8R8G8B8 : PixelFormat::R5G6B5;
    color_.resize(size_t{kWidth} * kHeight * bpp);
    depth_.resize(size_t{kWidth} * kHeight * 2);
    raster_.setRenderTarget(
        RenderTarget{color_.data(), LONG(kWidth * bpp), kWidth, kHeight, format});
    const DepthBuffer depth{depth_.data(), kWidth * 2, kWidth, kHeight, DepthFormat::D16};
    raster_.setDepthBuffer(&depth);

    const std::vector<uint32_t> argb = makeTexels();
    texels_.resize(argb.size() * bpp);
    for (size_t i = 0; i < argb.size(); ++i) {
        const DWORD raw = packColor(texFormat, argb[i]);
        std::memcpy(&texels_[i * bpp], &raw, bpp);
    }
    texture_.format = texFormat;
    texture_.levels.push_back(
        TextureLevel{texels_.data(), LONG(kTextureSize * bpp), kTextureSize, kTextureSize});

    bench::modulateTexture(raster_.state(), &texture_, true);
}

void OurRenderer::frame(const Scene& scene) {
    static_assert(sizeof(ScreenVertex) == 28, "packed as D3DFVF_XYZRHW | DIFFUSE | TEX1");
    const DWORD fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    const auto count = static_cast<DWORD>(scene.vertices.size());
    raster_.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, nullptr, 0, 0xff000000, 1.0f);
    raster_.draw(D3DPT_TRIANGLELIST, VertexSource::fromFVF(fvf, scene.vertices.data(), count), 0,
                 count);
    raster_.finish();
}

}  // namespace peer
