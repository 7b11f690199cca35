// The driver loaded with a video mode set, the frame images of
// tests/materials/data, and helpers that read what the device holds.
#pragma once

#include "rtexture.h"
#include "states.h"
#include "texture_interface.h"
#include "tmanager.h"

#include "../driver/driver_fixture.h"

#include <engine/core/globals.h>
#include <engine/core/material.h>
#include <engine/core/render_driver.h>
#include <engine/core/render_timer.h>
#include <engine/core/texture.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

class MaterialsTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        platform::testing::activateApplication();
        const std::string root = std::string(D3DDRIVER_SOURCE_DIR) + "/tests/materials/data";
        ASSERT_TRUE(theResourceManager->setDataRoot(root)) << root;
        thePausedRenderTimer->reset();
        initDriver();
        theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
        ASSERT_NE(g_pDevice, nullptr);
        ASSERT_NE(theD3DRenderMaterialManager, nullptr);
        ASSERT_NE(theD3DRenderTextureManager, nullptr);
        theRenderStateManager->flush();
        platform::testing::resetCallCounts();
    }
    void TearDown() override {
        theRenderDriver->termVideoMode();
        termDriver();
        thePausedRenderTimer->reset();
        DriverTest::TearDown();
    }

    static void setPausedTime(double seconds) { thePausedRenderTimer->update(seconds); }

    // What the device holds once the queued states are sent.
    static DWORD deviceLight(D3DLIGHTSTATETYPE type) {
        theRenderStateManager->flush();
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(g_pDevice->GetLightState(type, &value), D3D_OK);
        return value;
    }
    static DWORD deviceRender(D3DRENDERSTATETYPE type) {
        theRenderStateManager->flush();
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(g_pDevice->GetRenderState(type, &value), D3D_OK);
        return value;
    }
    static DWORD deviceStage(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
        theRenderStateManager->flush();
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(g_pDevice->GetTextureStageState(stage, type, &value), D3D_OK);
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
    // What the Direct3D material behind a render material holds.
    static D3DMATERIAL deviceData(IDirect3DMaterial3* material) {
        D3DMATERIAL data{};
        data.dwSize = sizeof data;
        EXPECT_NE(material, nullptr);
        if (material) {
            EXPECT_EQ(material->GetMaterial(&data), D3D_OK);
        }
        return data;
    }
    static unsigned calls(const char* method) { return platform::testing::callCount(method); }
};

// One of four 2 x 2 opaque frames, each of its own colour.
inline std::string frameName(int index) {
    return "/Images/Materials/frame" + std::to_string(index) + ".tga";
}

inline void expectColor(const D3DCOLORVALUE& value, const Color& expected) {
    EXPECT_FLOAT_EQ(value.r, expected.r);
    EXPECT_FLOAT_EQ(value.g, expected.g);
    EXPECT_FLOAT_EQ(value.b, expected.b);
    EXPECT_FLOAT_EQ(value.a, expected.a);
}
