// The shadow copy, deferred changes, flushing, stacks and read-back of the
// render state manager, seen from the device's side.
#include "states_fixture.h"

#include <vector>

using platform::testing::lastArguments;
using platform::testing::resetCallCounts;

namespace {

// The Direct3D numbers the engine's types stand for, in the engine's order.
const DWORD kRenderNumbers[RS_COUNT] = {2,  7,  8,  9,  14, 17, 18, 19, 20, 22, 23, 26, 27, 28,
                                        29, 34, 35, 36, 37, 38, 40, 41, 48, 49, 60, 24, 15, 25};
const DWORD kStageNumbers[TSS_COUNT] = {1, 2, 3, 4, 5, 6, 11, 13, 14, 16, 17, 18, 19, 20, 21};

std::vector<ULONG_PTR> args(ULONG_PTR a, ULONG_PTR b) {
    return {a, b};
}
std::vector<ULONG_PTR> args(ULONG_PTR a, ULONG_PTR b, ULONG_PTR c) {
    return {a, b, c};
}

}  // namespace

TEST_F(StatesTest, EachEngineTypeReachesItsDirect3DStateOnlyAtFlush) {
    for (int i = 0; i < RS_COUNT; ++i) {
        const auto type = static_cast<RenderStateType>(i);
        const DWORD value = manager->getState(type) + 1;
        resetCallCounts();
        manager->setState(type, value);
        EXPECT_EQ(0u, stateCalls()) << "render type " << i;
        manager->flush();
        EXPECT_EQ(1u, calls("SetRenderState")) << "render type " << i;
        EXPECT_EQ(args(kRenderNumbers[i], value),
                  lastArguments("IDirect3DDevice3::SetRenderState"));
    }
    for (int i = 0; i < LS_COUNT; ++i) {
        const auto type = static_cast<LightStateType>(i);
        resetCallCounts();
        manager->setState(type, manager->getState(type) + 1);
        manager->flush();
        EXPECT_EQ(1u, calls("SetLightState")) << "light type " << i;
        EXPECT_EQ(ULONG_PTR(i + 1), lastArguments("IDirect3DDevice3::SetLightState").at(0));
    }
    for (int i = 0; i < TSS_COUNT; ++i) {
        const auto type = static_cast<TextureStageStateType>(i);
        const DWORD value = manager->getState(type, 7) + 1;
        resetCallCounts();
        manager->setState(type, 7, value);
        EXPECT_EQ(0u, stateCalls());
        manager->flush();
        EXPECT_EQ(1u, calls("SetTextureStageState")) << "stage type " << i;
        EXPECT_EQ(args(7, kStageNumbers[i], value),
                  lastArguments("IDirect3DDevice3::SetTextureStageState"));
    }
}

TEST_F(StatesTest, DeferredStateReachesTheDeviceOnceWithItsLastValue) {
    const DWORD before = deviceRender(D3DRENDERSTATE_FOGCOLOR);
    manager->setState(RS_FOGCOLOR, 0x111111);
    manager->setState(RS_FOGCOLOR, 0x222222);
    manager->setRenderState(D3DRENDERSTATE_FOGCOLOR, 0x333333);

    DWORD wanted = 0;
    EXPECT_EQ(D3D_OK, manager->getRenderState(D3DRENDERSTATE_FOGCOLOR, &wanted));
    EXPECT_EQ(0x333333u, wanted);
    EXPECT_EQ(0x333333u, manager->getState(RS_FOGCOLOR));
    EXPECT_EQ(before, deviceRender(D3DRENDERSTATE_FOGCOLOR));
    EXPECT_EQ(0u, stateCalls());

    manager->flush();
    EXPECT_EQ(1u, calls("SetRenderState"));
    EXPECT_EQ(0x333333u, deviceRender(D3DRENDERSTATE_FOGCOLOR));
    manager->flush();
    EXPECT_EQ(1u, calls("SetRenderState"));
}

TEST_F(StatesTest, ChangedAndChangedBackOrUnchangedStatesCostNoDeviceCall) {
    const DWORD held = manager->getState(RS_CULLMODE);
    manager->setState(RS_CULLMODE, held == D3DCULL_CW ? D3DCULL_CCW : D3DCULL_CW);
    manager->setState(RS_CULLMODE, held);
    const DWORD minFilter = manager->getState(TSS_MINFILTER, 1);
    manager->setState(TSS_MINFILTER, 1, minFilter + 1);
    manager->setTextureStageState(1, D3DTSS_MINFILTER, minFilter);
    manager->flush();
    EXPECT_EQ(0u, stateCalls());
    EXPECT_FALSE(manager->isChanged());

    manager->setState(RS_ZFUNC, manager->getState(RS_ZFUNC));
    EXPECT_FALSE(manager->isChanged());
    manager->flush();
    EXPECT_EQ(0u, stateCalls());
}

TEST_F(StatesTest, StatesOutsideTheDeferredSetGoToTheDeviceAtOnceAndOnlyWhenNew) {
    const DWORD held = deviceRender(D3DRENDERSTATE_TEXTUREPERSPECTIVE);
    EXPECT_EQ(D3D_OK, manager->setRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, held));
    EXPECT_EQ(0u, calls("SetRenderState"));

    EXPECT_EQ(D3D_OK, manager->setRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, !held));
    EXPECT_EQ(1u, calls("SetRenderState"));
    EXPECT_EQ(DWORD(!held), deviceRender(D3DRENDERSTATE_TEXTUREPERSPECTIVE));
    EXPECT_FALSE(manager->isChanged());

    // A refused call is passed back, and the shadow copy still takes the value.
    platform::testing::failNextCall("IDirect3DDevice3::SetRenderState", DDERR_GENERIC);
    EXPECT_EQ(DDERR_GENERIC, manager->setRenderState(D3DRENDERSTATE_SUBPIXEL, 0x5));
    EXPECT_EQ(D3D_OK, manager->setRenderState(D3DRENDERSTATE_SUBPIXEL, 0x5));
    EXPECT_EQ(2u, calls("SetRenderState"));
}

TEST_F(StatesTest, NumbersOutsideTheTablesAreRefusedWithoutDeviceCalls) {
    DWORD value = 0;
    EXPECT_EQ(DDERR_INVALIDPARAMS, manager->setRenderState(D3DRENDERSTATETYPE(0), 1));
    EXPECT_EQ(DDERR_INVALIDPARAMS, manager->setRenderState(D3DRENDERSTATETYPE(136), 1));
    EXPECT_EQ(DDERR_INVALIDPARAMS, manager->setLightState(D3DLIGHTSTATETYPE(9), 1));
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              manager->setTextureStageState(8, D3DTSS_COLOROP, D3DTOP_DISABLE));
    EXPECT_EQ(DDERR_INVALIDPARAMS, manager->getRenderState(D3DRENDERSTATE_FOGCOLOR, nullptr));
    EXPECT_EQ(DDERR_INVALIDPARAMS,
              manager->getTextureStageState(0, D3DTEXTURESTAGESTATETYPE(24), &value));
    manager->setState(TSS_COLOROP, 8, D3DTOP_DISABLE);
    manager->setState(TSS_COLOROP, -1, D3DTOP_DISABLE);
    EXPECT_FALSE(manager->isChanged());
    EXPECT_EQ(0u, stateCalls());
}

TEST_F(StatesTest, PopTakesTheLatestSavedValueOfItsStateEvenFromUnderOthers) {
    const DWORD fogStart = manager->getState(RS_FOGSTART);
    const DWORD fogEnd = manager->getState(RS_FOGEND);
    EXPECT_EQ(fogStart, manager->pushState(RS_FOGSTART));
    manager->setState(RS_FOGSTART, 11);
    manager->pushState(RS_FOGEND);
    manager->setState(RS_FOGEND, 22);
    manager->pushState(RS_FOGSTART);
    manager->setState(RS_FOGSTART, 33);

    EXPECT_EQ(11u, manager->popState(RS_FOGSTART));
    EXPECT_EQ(fogStart, manager->popState(RS_FOGSTART));  // from under FOGEND
    EXPECT_EQ(22u, manager->getState(RS_FOGEND));
    EXPECT_EQ(fogEnd, manager->popState(RS_FOGEND));
    // Nothing left: the state keeps its value.
    manager->setState(RS_FOGEND, 44);
    EXPECT_EQ(44u, manager->popState(RS_FOGEND));
    EXPECT_EQ(44u, manager->getState(RS_FOGEND));

    manager->flush();
    EXPECT_EQ(fogStart, deviceRender(D3DRENDERSTATE_FOGSTART));
    EXPECT_EQ(44u, deviceRender(D3DRENDERSTATE_FOGEND));
}

TEST_F(StatesTest, StagePopsMatchTypeAndStageAndLightPopsRestore) {
    const DWORD op0 = manager->getState(TSS_COLOROP, 0);
    const DWORD op1 = manager->getState(TSS_COLOROP, 1);
    manager->pushState(TSS_COLOROP, 0);
    manager->pushState(TSS_COLOROP, 1);
    manager->setState(TSS_COLOROP, 0, D3DTOP_ADD);
    manager->setState(TSS_COLOROP, 1, D3DTOP_ADD);
    EXPECT_EQ(op0, manager->popState(TSS_COLOROP, 0));
    EXPECT_EQ(DWORD(D3DTOP_ADD), manager->getState(TSS_COLOROP, 1));
    EXPECT_EQ(op1, manager->popState(TSS_COLOROP, 1));

    const DWORD ambient = manager->getState(LS_AMBIENT);
    manager->pushState(LS_AMBIENT);
    manager->setState(LS_AMBIENT, 0x404040);
    manager->flush();
    EXPECT_EQ(0x404040u, deviceLight(D3DLIGHTSTATE_AMBIENT));
    EXPECT_EQ(ambient, manager->popState(LS_AMBIENT));
    manager->flush();
    EXPECT_EQ(ambient, deviceLight(D3DLIGHTSTATE_AMBIENT));
    EXPECT_EQ(op0, deviceStage(0, D3DTSS_COLOROP));
}

TEST_F(StatesTest, PopAllSendsImmediateStatesAtOnceAndQueuesDeferredOnes) {
    ASSERT_EQ(8u, RenderStateManager::stageCount);
    const DWORD perspective = deviceRender(D3DRENDERSTATE_TEXTUREPERSPECTIVE);
    const DWORD fog = deviceRender(D3DRENDERSTATE_FOGCOLOR);
    const DWORD stage7 = deviceStage(7, D3DTSS_ADDRESSU);
    manager->pushAll();
    EXPECT_EQ(1u, manager->pushedAllCount());
    manager->setRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, !perspective);
    manager->setState(RS_FOGCOLOR, fog + 1);
    manager->setState(TSS_ADDRESSU, 7, D3DTADDRESS_MIRROR);
    manager->flush();
    resetCallCounts();

    manager->popAll();
    EXPECT_EQ(0u, manager->pushedAllCount());
    EXPECT_EQ(1u, calls("SetRenderState"));
    EXPECT_EQ(perspective, deviceRender(D3DRENDERSTATE_TEXTUREPERSPECTIVE));
    EXPECT_EQ(fog + 1, deviceRender(D3DRENDERSTATE_FOGCOLOR));
    manager->flush();
    EXPECT_EQ(fog, deviceRender(D3DRENDERSTATE_FOGCOLOR));
    EXPECT_EQ(stage7, deviceStage(7, D3DTSS_ADDRESSU));
    EXPECT_EQ(3u, stateCalls());

    manager->popAll();  // empty: nothing happens
    EXPECT_EQ(3u, stateCalls());
}

TEST_F(StatesTest, StagesBeyondTheDevicesBlendStagesAreNotSaved) {
    theCapabilities.hardware.dwFlags = D3DDD_COLORMODEL;
    theCapabilities.hardware.wMaxTextureBlendStages = 2;
    manager->update();
    EXPECT_EQ(2u, RenderStateManager::stageCount);
    manager->pushAll();
    manager->setState(TSS_ADDRESSU, 1, D3DTADDRESS_MIRROR);
    manager->setState(TSS_ADDRESSU, 2, D3DTADDRESS_MIRROR);
    manager->popAll();
    EXPECT_NE(DWORD(D3DTADDRESS_MIRROR), manager->getState(TSS_ADDRESSU, 1));
    EXPECT_EQ(DWORD(D3DTADDRESS_MIRROR), manager->getState(TSS_ADDRESSU, 2));
}

TEST_F(StatesTest, CurrentReadsTheDeviceBackAndDropsWhatWasQueued) {
    manager->setState(RS_FOGCOLOR, 0xABCDEF);
    ASSERT_EQ(D3D_OK, device->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x123456));
    ASSERT_EQ(D3D_OK, device->SetTextureStageState(3, D3DTSS_BUMPENVLOFFSET, 0x42));
    ASSERT_EQ(D3D_OK, device->SetLightState(D3DLIGHTSTATE_FOGDENSITY, 0x77));
    resetCallCounts();

    manager->current();
    EXPECT_FALSE(manager->isChanged());
    DWORD value = 0;
    manager->getRenderState(D3DRENDERSTATE_FOGCOLOR, &value);
    EXPECT_EQ(0x123456u, value);
    manager->getTextureStageState(3, D3DTSS_BUMPENVLOFFSET, &value);
    EXPECT_EQ(0x42u, value);
    EXPECT_EQ(0x77u, manager->getState(LS_FOGDENSITY));
    EXPECT_EQ(135u, calls("GetRenderState"));
    EXPECT_EQ(8u, calls("GetLightState"));
    EXPECT_EQ(8u * 23u, calls("GetTextureStageState"));

    manager->flush();
    manager->wide_flush();
    EXPECT_EQ(0u, stateCalls());
}

TEST_F(StatesTest, MetaStateRegistryKeepsIdsStable) {
    MultipleStatesMetaState extra;
    const int id = manager->registerMetaState("Extra", &extra);
    EXPECT_EQ(6, id);
    MultipleStatesMetaState other;
    EXPECT_EQ(id, manager->registerMetaState("Extra", &other));
    EXPECT_EQ(-1, manager->registerMetaState(nullptr, &other));

    EXPECT_EQ(&other, manager->unregisterMetaState("Extra"));
    EXPECT_EQ(nullptr, manager->unregisterMetaState("Extra"));
    EXPECT_EQ(-1, manager->findMetaState("Extra"));
    EXPECT_EQ(MS_DEFAULT, manager->findMetaState("Default"));
    EXPECT_EQ(7, manager->registerMetaState("Later", &extra));

    // The emptied entry and ids outside the registry are harmless.
    EXPECT_EQ(STATUS_NOT_SUPPORTED, manager->checkState(id));
    EXPECT_EQ(STATUS_NOT_SUPPORTED, manager->checkState(-3));
    manager->setState(id);
    manager->unsetState(100);
    EXPECT_FALSE(manager->isChanged());
}

TEST(StatesWithoutDevice, SettersKeepTheShadowCopyAndReportNoDevice) {
    g_pDevice = nullptr;
    RenderStateManager manager;
    EXPECT_EQ(DDERR_INVALIDOBJECT, manager.setRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, TRUE));
    DWORD value = 0;
    manager.getRenderState(D3DRENDERSTATE_TEXTUREPERSPECTIVE, &value);
    EXPECT_EQ(DWORD(TRUE), value);
    manager.setState(RS_ZENABLE, 1);
    manager.flush();
    EXPECT_EQ(DDERR_INVALIDOBJECT, RenderStateManager::lastResult);
    manager.current();
    EXPECT_EQ(1u, manager.getState(RS_ZENABLE));
}
