// The shadow copy, deferred changes, flushing, stacks and read-back of the
// render state manager, seen from the device's side.
#include "states_fixture.h"

TEST_F(StatesTest, EachEngineTypeReachesItsDirect3DStateOnlyAtFlush) {
    // The Direct3D numbers the engine's types stand for, in the engine's order.
    const DWORD render[RS_COUNT] = {2,  7,  8,  9,  14, 17, 18, 19, 20, 22, 23, 26, 27, 28,
                                    29, 34, 35, 36, 37, 38, 40, 41, 48, 49, 60, 24, 15, 25};
    const DWORD stage[TSS_COUNT] = {1, 2, 3, 4, 5, 6, 11, 13, 14, 16, 17, 18, 19, 20, 21};
    for (int i = 0; i < RS_COUNT + LS_COUNT + TSS_COUNT; ++i) {
        const int light = i - RS_COUNT, s = light - LS_COUNT;
        Entry e = light < 0 ? Entry{kRender, render[i]}
                  : s < 0   ? Entry{kLight, DWORD(light + 1)}
                            : Entry{7, stage[s]};
        e.value = held(e) + 1;
        if (light < 0)
            manager->setState(RenderStateType(i), e.value);
        else if (s < 0)
            manager->setState(LightStateType(light), e.value);
        else
            manager->setState(TextureStageStateType(s), 7, e.value);
        EXPECT_EQ(0u, stateCalls());
        EXPECT_EQ(1u, manager->pendingChanges()) << i;
        manager->flush();
        EXPECT_EQ(1u, stateCalls()) << i;
        EXPECT_EQ(0u, manager->pendingChanges()) << i;
        EXPECT_EQ(e.value, held(e)) << i;
        resetCallCounts();
    }
}

// The first and last number of each table are taken; others are refused,
// as are engine types and stages outside theirs, without device calls. A
// state outside the deferred set goes to the device at once, and a refused
// call is passed back.
TEST_F(StatesTest, NumbersOutsideTheTablesAreRefused) {
    DWORD v = 0;
    const Entry ends[] = {{kRender, 1}, {kRender, D3DRENDERSTATE_WRAP7},
                          {kLight, 1},  {kLight, D3DLIGHTSTATE_COLORVERTEX},
                          {7, 1},       {0, D3DTSS_BUMPENVLOFFSET}};
    for (const Entry& e : ends)
        EXPECT_EQ(D3D_OK, wanted(e, &v)) << e.stage << " " << e.type;
    const Entry outside[] = {{kRender, 0, 1}, {kRender, 136, 1}, {kLight, 0, 1},
                             {kLight, 9, 1},  {0, 0, 1},         {8, D3DTSS_COLOROP, 1},
                             {0, 24, 1}};
    for (const Entry& e : outside) {
        EXPECT_EQ(DDERR_INVALIDPARAMS, set(e)) << e.stage << " " << e.type;
        EXPECT_EQ(DDERR_INVALIDPARAMS, wanted(e, &v)) << e.stage << " " << e.type;
    }
    for (int stage : {kRender, kLight, 0})
        EXPECT_EQ(DDERR_INVALIDPARAMS, wanted({stage, 3}, nullptr));
    for (int i : {-1, 1}) {
        manager->setState(RenderStateType(i < 0 ? i : RS_COUNT), 5);
        manager->setState(LightStateType(i < 0 ? i : LS_COUNT), 5);
        manager->setState(TextureStageStateType(i < 0 ? i : TSS_COUNT), 0, 5);
        manager->setState(TSS_COLOROP, i < 0 ? i : 8, 5);
    }
    EXPECT_FALSE(manager->isChanged());
    EXPECT_EQ(0u, stateCalls());
    const Entry immediate{5, D3DTSS_BORDERCOLOR, held({5, D3DTSS_BORDERCOLOR}) ^ 1};
    EXPECT_EQ(D3D_OK, set(immediate));
    EXPECT_EQ(immediate.value, held(immediate));
    platform::testing::failNextCall("IDirect3DDevice3::SetTextureStageState", DDERR_GENERIC);
    EXPECT_EQ(DDERR_GENERIC, set({5, D3DTSS_BORDERCOLOR, 7}));
    EXPECT_EQ(DDERR_GENERIC, RenderStateManager::lastResult);
}

// Pop gives back the latest saved value of its own state (same type and
// stage), even from under others; with nothing saved the value stays.
TEST_F(StatesTest, PopTakesTheLatestSavedValueOfItsStateEvenFromUnderOthers) {
    const DWORD fogStart = manager->getState(RS_FOGSTART);
    const DWORD fogEnd = manager->getState(RS_FOGEND);
    EXPECT_EQ(fogStart, manager->pushState(RS_FOGSTART));
    manager->setState(RS_FOGSTART, 11);
    manager->pushState(RS_FOGEND);
    manager->setState(RS_FOGEND, 22);
    manager->pushState(RS_FOGSTART);
    EXPECT_EQ(11u, manager->popState(RS_FOGSTART));
    EXPECT_EQ(fogStart, manager->popState(RS_FOGSTART));  // from under FOGEND
    EXPECT_EQ(22u, manager->getState(RS_FOGEND));
    EXPECT_EQ(fogEnd, manager->popState(RS_FOGEND));
    manager->setState(RS_FOGEND, 44);
    EXPECT_EQ(44u, manager->popState(RS_FOGEND));

    manager->setState(TSS_COLOROP, 0, D3DTOP_ADDSIGNED);
    manager->setState(TSS_ALPHAOP, 0, D3DTOP_SELECTARG2);
    manager->setState(LS_AMBIENT, 0x101010);
    EXPECT_EQ(DWORD(D3DTOP_ADDSIGNED), manager->pushState(TSS_COLOROP, 0));
    manager->pushState(TSS_ALPHAOP, 0);
    manager->pushState(TSS_COLOROP, 1);
    EXPECT_EQ(0x101010u, manager->pushState(LS_AMBIENT));
    manager->setState(TSS_COLOROP, 0, D3DTOP_ADD);
    manager->setState(LS_AMBIENT, 0x202020);
    EXPECT_EQ(DWORD(D3DTOP_ADDSIGNED), manager->popState(TSS_COLOROP, 0));
    EXPECT_EQ(0x101010u, manager->popState(LS_AMBIENT));
    manager->flush();
    for (const Entry& e : {Entry{kRender, D3DRENDERSTATE_FOGSTART, fogStart},
                           {kRender, D3DRENDERSTATE_FOGEND, 44},
                           {0, D3DTSS_COLOROP, D3DTOP_ADDSIGNED},
                           {kLight, D3DLIGHTSTATE_AMBIENT, 0x101010}})
        EXPECT_EQ(e.value, held(e)) << e.type;
    manager->setState(TSS_COLOROP, 0, D3DTOP_ADD);
    manager->setState(LS_AMBIENT, 0x303030);
    EXPECT_EQ(DWORD(D3DTOP_ADD), manager->popState(TSS_COLOROP, 0));
    EXPECT_EQ(0x303030u, manager->popState(LS_AMBIENT));
    EXPECT_EQ(DWORD(D3DTOP_SELECTARG2), manager->popState(TSS_ALPHAOP, 0));
}

// popAll sends immediate states at once and queues deferred ones, for the
// texture stages the device blends with.
TEST_F(StatesTest, PopAllRestoresEveryStateOfTheStagesTheDeviceHas) {
    ASSERT_EQ(8u, RenderStateManager::stageCount);
    Entry saved[] = {{kRender, D3DRENDERSTATE_TEXTUREPERSPECTIVE},
                     {kRender, D3DRENDERSTATE_FOGCOLOR},
                     {kLight, D3DLIGHTSTATE_AMBIENT},
                     {7, D3DTSS_ADDRESSU}};
    for (Entry& e : saved)
        e.value = held(e);
    manager->pushAll();
    for (const Entry& e : saved)
        set({e.stage, e.type, e.value + 1});
    manager->flush();
    resetCallCounts();
    manager->popAll();
    EXPECT_EQ(0u, manager->pushedAllCount());
    EXPECT_EQ(1u, stateCalls());  // the immediate one
    manager->flush();
    for (const Entry& e : saved)
        EXPECT_EQ(e.value, held(e)) << e.type;
    EXPECT_EQ(4u, stateCalls());
    manager->popAll();  // empty: nothing happens
    EXPECT_EQ(4u, stateCalls());

    theCapabilities.hardware.dwFlags = D3DDD_COLORMODEL;
    theCapabilities.hardware.wMaxTextureBlendStages = 2;
    manager->update();
    EXPECT_EQ(2u, RenderStateManager::stageCount);
    manager->pushAll();
    manager->setState(TSS_ADDRESSU, 1, D3DTADDRESS_MIRROR);
    manager->setState(TSS_ADDRESSU, 2, D3DTADDRESS_MIRROR);
    manager->popAll();
    EXPECT_EQ(saved[3].value, manager->getState(TSS_ADDRESSU, 1));
    EXPECT_EQ(DWORD(D3DTADDRESS_MIRROR), manager->getState(TSS_ADDRESSU, 2));
}

TEST_F(StatesTest, MetaStateRegistryKeepsIdsStable) {
    MultipleStatesMetaState extra, other;
    EXPECT_EQ(0, manager->registerMetaState("Modulate", &extra));  // takes the place
    EXPECT_EQ(&extra, manager->unregisterMetaState("Modulate"));
    const int id = manager->registerMetaState("Extra", &extra);
    EXPECT_EQ(6, id);
    EXPECT_EQ(id, manager->registerMetaState("Extra", &other));
    EXPECT_EQ(-1, manager->registerMetaState(nullptr, &other));
    EXPECT_EQ(-1, manager->registerMetaState("", &other));
    EXPECT_EQ(&other, manager->unregisterMetaState("Extra"));
    EXPECT_EQ(nullptr, manager->unregisterMetaState("Extra"));
    EXPECT_EQ(-1, manager->findMetaState("Extra"));
    EXPECT_EQ(-1, manager->findMetaState(""));  // not the emptied entries
    EXPECT_EQ(MS_DEFAULT, manager->findMetaState("Default"));
    EXPECT_EQ(7, manager->registerMetaState("Later", &extra));
    // The emptied entry and ids outside the registry are harmless.
    for (int outside : {id, -3, 8})
        EXPECT_EQ(STATUS_NOT_SUPPORTED, manager->checkState(outside));
    manager->setState(id);
    manager->unsetState(100);
    EXPECT_FALSE(manager->isChanged());
}

// current() reads the device back and drops what was queued. A manager made
// again builds its bundles afresh; without a device nothing is sent but the
// shadow copy goes on. Only the published manager's end unpublishes it.
TEST_F(StatesTest, CurrentReadsTheDeviceBackAndANewManagerStartsAfresh) {
    manager->setState(RS_FOGCOLOR, 0xABCDEF);
    ASSERT_EQ(D3D_OK, device->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x123456));
    ASSERT_EQ(D3D_OK, device->SetTextureStageState(3, D3DTSS_BUMPENVLOFFSET, 0x42));
    ASSERT_EQ(D3D_OK, device->SetLightState(D3DLIGHTSTATE_FOGDENSITY, 0x77));
    resetCallCounts();
    manager->current();
    EXPECT_FALSE(manager->isChanged());
    DWORD value = 0;
    wanted({3, D3DTSS_BUMPENVLOFFSET}, &value);
    EXPECT_EQ(0x42u, value);
    EXPECT_EQ(0x123456u, manager->getState(RS_FOGCOLOR));
    EXPECT_EQ(0x77u, manager->getState(LS_FOGDENSITY));
    EXPECT_EQ(135u, calls("GetRenderState"));
    EXPECT_EQ(8u, calls("GetLightState"));
    EXPECT_EQ(8u * 23u, calls("GetTextureStageState"));
    manager->wide_flush();
    EXPECT_EQ(0u, stateCalls());

    {
        RenderStateManager fresh;
        // The process-wide bundles are built afresh, not added to.
        auto* bundle = dynamic_cast<MultipleStatesMetaState*>(fresh.unregisterMetaState("Default"));
        EXPECT_EQ(6u, bundle->getVariant(0)->renderStates.size());
        g_pDevice = nullptr;
        EXPECT_EQ(DDERR_INVALIDOBJECT, fresh.setRenderState(D3DRENDERSTATE_SUBPIXEL, TRUE));
        fresh.setState(RS_ZENABLE, 1);
        fresh.flush();
        EXPECT_EQ(DDERR_INVALIDOBJECT, RenderStateManager::lastResult);
        fresh.current();
        EXPECT_EQ(1u, fresh.getState(RS_ZENABLE));
        g_pDevice = device;
    }
    EXPECT_EQ(manager.get(), theRenderStateManager);
    manager.reset();
    EXPECT_EQ(nullptr, theRenderStateManager);
}
