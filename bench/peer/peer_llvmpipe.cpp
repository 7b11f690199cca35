#include "peer_llvmpipe.h"

#include <GL/gl.h>
#include <GL/osmesa.h>

#include <vector>

namespace peer {

struct LlvmpipeRenderer::Context {
    OSMesaContext gl = nullptr;
    std::vector<uint32_t> pixels = std::vector<uint32_t>(kWidth * kHeight);
    GLuint texture = 0;
    // Clip-space positions and colours converted once per scene.
    const Scene* converted = nullptr;
    std::vector<float> positions;
    std::vector<uint8_t> colors;
    std::vector<float> uvs;
};

LlvmpipeRenderer::LlvmpipeRenderer() : context_(std::make_unique<Context>()) {
    Context& c = *context_;
    c.gl = OSMesaCreateContextExt(OSMESA_RGBA, 16, 0, 0, nullptr);
    if (c.gl == nullptr) {
        error_ = "OSMesaCreateContextExt failed";
        return;
    }
    if (!OSMesaMakeCurrent(c.gl, c.pixels.data(), GL_UNSIGNED_BYTE, kWidth, kHeight)) {
        error_ = "OSMesaMakeCurrent failed";
        return;
    }
    // Direct3D's 0xAARRGGBB texels as RGBA bytes.
    std::vector<uint8_t> rgba;
    for (const uint32_t t : makeTexels())
        rgba.insert(rgba.end(), {uint8_t(t >> 16), uint8_t(t >> 8), uint8_t(t), uint8_t(t >> 24)});
    glGenTextures(1, &c.texture);
    glBindTexture(GL_TEXTURE_2D, c.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kTextureSize, kTextureSize, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, rgba.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_DITHER);
    glDisable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glViewport(0, 0, kWidth, kHeight);
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

LlvmpipeRenderer::~LlvmpipeRenderer() {
    if (context_->gl != nullptr)
        OSMesaDestroyContext(context_->gl);
}

std::string LlvmpipeRenderer::renderer() const {
    const auto* s = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return s != nullptr ? s : "unknown";
}

int LlvmpipeRenderer::drawnPixels() const {
    int n = 0;
    for (const uint32_t p : context_->pixels)
        n += (p & 0xffffff) != 0;
    return n;
}

void LlvmpipeRenderer::frame(const Scene& scene) {
    Context& c = *context_;
    if (c.converted != &scene) {
        // Identity matrices: positions go in as clip coordinates (x, y, z) * w.
        c.positions.clear();
        c.colors.clear();
        c.uvs.clear();
        for (const ScreenVertex& v : scene.vertices) {
            const float w = 1.0f / v.rhw;
            const float nx = 2.0f * v.x / kWidth - 1.0f, ny = 1.0f - 2.0f * v.y / kHeight;
            c.positions.insert(c.positions.end(), {nx * w, ny * w, (2.0f * v.z - 1.0f) * w, w});
            c.colors.insert(c.colors.end(), {uint8_t(v.color >> 16), uint8_t(v.color >> 8),
                                             uint8_t(v.color), uint8_t(v.color >> 24)});
            c.uvs.insert(c.uvs.end(), {v.u, v.v});
        }
        c.converted = &scene;
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glVertexPointer(4, GL_FLOAT, 0, c.positions.data());
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, c.colors.data());
    glTexCoordPointer(2, GL_FLOAT, 0, c.uvs.data());
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(scene.vertices.size()));
    glFinish();
}

}  // namespace peer
