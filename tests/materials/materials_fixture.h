// The driver loaded with a video mode set, the frame images of
// tests/materials/data, and helpers that read what the device holds.
#pragma once

#include "rtexture.h"
#include "states.h"
#include "texture_interface.h"
#include "tmanager.h"

#include "../support/driver_fixture.h"

#include <engine/core/globals.h>
#include <engine/core/material.h>
#include <engine/core/render_driver.h>
#include <engine/core/render_timer.h>
#include <engine/core/texture.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

class MaterialsTest : public VideoModeTest {
protected:
    void SetUp() override {
        thePausedRenderTimer->reset();
        VideoModeTest::SetUp();
        const std::string root = std::string(D3DDRIVER_SOURCE_DIR) + "/tests/materials/data";
        ASSERT_TRUE(theResourceManager->setDataRoot(root)) << root;
        materials = theD3DRenderMaterialManager;
        theRenderStateManager->flush();
        platform::testing::resetCallCounts();
    }
    void TearDown() override {
        VideoModeTest::TearDown();
        thePausedRenderTimer->reset();
    }

    // What the device holds once the queued states are sent.
    static DWORD material() {
        return held(&IDirect3DDevice3::GetLightState, D3DLIGHTSTATE_MATERIAL);
    }
    template <typename Get, typename... Args>
    static DWORD held(Get get, Args... args) {
        theRenderStateManager->flush();
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(D3D_OK, (g_pDevice->*get)(args..., &value));
        return value;
    }
    // The texture bound to the stage, without keeping a reference.
    static IDirect3DTexture2* boundTexture(DWORD stage) {
        IDirect3DTexture2* texture = nullptr;
        EXPECT_EQ(g_pDevice->GetTexture(stage, &texture), D3D_OK);
        if (texture)
            texture->Release();
        return texture;
    }
    // Whether the Direct3D material behind a render material holds its data.
    static bool holdsItsData(const RenderMaterial* m) {
        D3DMATERIAL data{};
        data.dwSize = sizeof data;
        return m->getMaterial() && m->getMaterial()->GetMaterial(&data) == D3D_OK &&
               std::memcmp(&data, &m->getData(), sizeof data) == 0;
    }
    static unsigned calls(const char* method) { return platform::testing::callCount(method); }

    D3DRenderMaterialManager* materials = nullptr;
};

// One of four 2 x 2 opaque frames, each of its own colour.
inline std::string frameName(int index) {
    return "/Images/Materials/frame" + std::to_string(index) + ".tga";
}

inline void expectColor(const D3DCOLORVALUE& value, const Color& expected) {
    EXPECT_EQ(std::make_tuple(value.r, value.g, value.b, value.a),
              std::make_tuple(expected.r, expected.g, expected.b, expected.a));
}
