// Meta states: the predefined bundles reach the device exactly, variants are
// chosen by what ValidateDevice accepts, and unset gives back what was there.
#include "states_fixture.h"

#include <vector>

namespace {

// One state of a bundle by Direct3D number; stage -1 for a render state.
struct Entry {
    int stage;
    DWORD type;
    DWORD value;
};

std::vector<Entry> textureCombine(DWORD alphaOperation) {
    return {{0, D3DTSS_COLORARG1, D3DTA_TEXTURE}, {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
            {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE}, {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
            {0, D3DTSS_ALPHAOP, alphaOperation},  {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
            {1, D3DTSS_COLOROP, D3DTOP_DISABLE},  {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE}};
}

const std::vector<Entry> kRenderRegular = {{-1, D3DRENDERSTATE_ALPHABLENDENABLE, FALSE},
                                           {-1, D3DRENDERSTATE_ZWRITEENABLE, TRUE}};

const std::vector<Entry> kRenderAlpha = {{-1, D3DRENDERSTATE_ZWRITEENABLE, FALSE},
                                         {-1, D3DRENDERSTATE_ALPHABLENDENABLE, TRUE},
                                         {-1, D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA},
                                         {-1, D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA}};

const std::vector<Entry> kDefault = {{0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
                                     {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
                                     {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
                                     {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
                                     {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
                                     {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
                                     {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
                                     {-1, D3DRENDERSTATE_ALPHABLENDENABLE, FALSE},
                                     {-1, D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA},
                                     {-1, D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA},
                                     {-1, D3DRENDERSTATE_CULLMODE, D3DCULL_CCW},
                                     {0, D3DTSS_MINFILTER, D3DTFN_LINEAR},
                                     {0, D3DTSS_MAGFILTER, D3DTFG_LINEAR},
                                     {0, D3DTSS_MIPFILTER, D3DTFP_LINEAR},
                                     {1, D3DTSS_MINFILTER, D3DTFN_LINEAR},
                                     {1, D3DTSS_MAGFILTER, D3DTFG_LINEAR},
                                     {1, D3DTSS_MIPFILTER, D3DTFP_LINEAR},
                                     {-1, D3DRENDERSTATE_DITHERENABLE, TRUE},
                                     {-1, D3DRENDERSTATE_SPECULARENABLE, TRUE},
                                     {0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP},
                                     {0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP}};

}  // namespace

class MetaStateTest : public StatesTest {
protected:
    void setThrough(const Entry& e, DWORD value) {
        if (e.stage < 0)
            manager->setRenderState(D3DRENDERSTATETYPE(e.type), value);
        else
            manager->setTextureStageState(e.stage, D3DTEXTURESTAGESTATETYPE(e.type), value);
    }
    DWORD onDevice(const Entry& e) const {
        return e.stage < 0 ? deviceRender(D3DRENDERSTATETYPE(e.type))
                           : deviceStage(e.stage, D3DTEXTURESTAGESTATETYPE(e.type));
    }

    // Every state of the bundle is first made to differ, so that applying it
    // must send each one, and only those.
    void expectApplies(int id, const std::vector<Entry>& entries) {
        for (const Entry& e : entries)
            setThrough(e, e.value + 1);
        manager->flush();
        platform::testing::resetCallCounts();
        manager->setState(id);
        EXPECT_EQ(0u, stateCalls());
        manager->flush();
        EXPECT_EQ(entries.size(), stateCalls()) << "meta state " << id;
        for (const Entry& e : entries)
            EXPECT_EQ(e.value, onDevice(e))
                << "meta state " << id << ", state " << e.type << " of stage " << e.stage;
    }
};

TEST_F(MetaStateTest, PredefinedIdsAndNames) {
    const char* names[] = {"Modulate",      "ModulateAlpha", "DiffuseAlpha",
                           "RenderRegular", "RenderAlpha",   "Default"};
    const int ids[] = {MS_MODULATE,       MS_MODULATE_ALPHA, MS_DIFFUSE_ALPHA,
                       MS_RENDER_REGULAR, MS_RENDER_ALPHA,   MS_DEFAULT};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(i, ids[i]);
        EXPECT_EQ(i, manager->findMetaState(names[i]));
        EXPECT_EQ(STATUS_SUPPORTED, manager->checkState(i)) << names[i];
    }
    const int unassigned[] = {MS_ALPHA_SELECT_TEXTURE,
                              MS_ALPHA_SELECT_DIFFUSE,
                              MS_ALPHA_SELECT_FACTOR,
                              MS_ALPHA_MODULATE_TEXTURE_DIFFUSE,
                              MS_ALPHA_MODULATE_TEXTURE_FACTOR,
                              MS_ALPHA_MODULATE_DIFFUSE_FACTOR,
                              MS_ALPHA_MODULATE_TEXTURE_DIFFUSE_FACTOR};
    for (int id : unassigned)
        EXPECT_EQ(0, id);
}

TEST_F(MetaStateTest, PredefinedBundlesSetExactlyTheirStates) {
    expectApplies(MS_MODULATE, textureCombine(D3DTOP_SELECTARG1));
    expectApplies(MS_MODULATE_ALPHA, textureCombine(D3DTOP_MODULATE));
    expectApplies(MS_DIFFUSE_ALPHA, textureCombine(D3DTOP_SELECTARG2));
    expectApplies(MS_RENDER_REGULAR, kRenderRegular);
    expectApplies(MS_RENDER_ALPHA, kRenderAlpha);
    expectApplies(MS_DEFAULT, kDefault);
}

TEST_F(MetaStateTest, UnsetRestoresOnlyWhatSetChanged) {
    manager->setState(RS_ALPHABLENDENABLE, TRUE);
    manager->setState(RS_ZWRITEENABLE, FALSE);
    manager->setState(RS_SRCBLEND, D3DBLEND_ONE);
    manager->setState(RS_DESTBLEND, D3DBLEND_ZERO);
    manager->flush();
    manager->setState(MS_RENDER_ALPHA);
    manager->flush();
    // Changed by someone else meanwhile: unset must not touch it.
    manager->setState(RS_ALPHABLENDENABLE, FALSE);
    manager->flush();
    platform::testing::resetCallCounts();

    manager->unsetState(MS_RENDER_ALPHA);
    manager->flush();
    EXPECT_EQ(2u, calls("SetRenderState"));
    EXPECT_EQ(DWORD(D3DBLEND_ONE), deviceRender(D3DRENDERSTATE_SRCBLEND));
    EXPECT_EQ(DWORD(D3DBLEND_ZERO), deviceRender(D3DRENDERSTATE_DESTBLEND));
    EXPECT_EQ(DWORD(FALSE), deviceRender(D3DRENDERSTATE_ALPHABLENDENABLE));
    EXPECT_EQ(DWORD(FALSE), deviceRender(D3DRENDERSTATE_ZWRITEENABLE));
}

TEST_F(MetaStateTest, SetTwiceKeepsNothingToRestore) {
    manager->setState(RS_ZWRITEENABLE, FALSE);
    manager->setState(MS_RENDER_REGULAR);
    manager->setState(MS_RENDER_REGULAR);
    manager->unsetState(MS_RENDER_REGULAR);
    manager->flush();
    EXPECT_EQ(DWORD(TRUE), deviceRender(D3DRENDERSTATE_ZWRITEENABLE));
}

TEST_F(MetaStateTest, RefusedVariantFallsBackToTheNextKey) {
    MultipleStatesMetaState meta;
    meta.add(TSS_COLOROP, 0, D3DTOP_ADDSIGNED2X, 0);  // not among the device's operations
    meta.add(TSS_COLOROP, 0, D3DTOP_ADD, 5);
    const int id = manager->registerMetaState("Fallback", &meta);
    const DWORD before = deviceStage(0, D3DTSS_COLOROP);

    EXPECT_EQ(STATUS_SUPPORTED, manager->checkState(id));
    EXPECT_EQ(meta.getVariant(5), meta.getCurrent());
    EXPECT_EQ(2u, calls("ValidateDevice"));
    manager->setState(id);
    manager->flush();
    EXPECT_EQ(DWORD(D3DTOP_ADD), deviceStage(0, D3DTSS_COLOROP));
    manager->unsetState(id);
    manager->flush();
    EXPECT_EQ(before, deviceStage(0, D3DTSS_COLOROP));

    MultipleStatesMetaState copy(meta);
    EXPECT_EQ(STATUS_SUPPORTED, copy.supported());
    EXPECT_EQ(copy.getVariant(5), copy.getCurrent());
    EXPECT_NE(meta.getCurrent(), copy.getCurrent());
}

TEST_F(MetaStateTest, AllVariantsRefusedOrNoneAtAllIsNotSupported) {
    MultipleStatesMetaState refused;
    refused.add(TSS_COLOROP, 0, D3DTOP_ADDSIGNED2X, 0);
    refused.add(RS_ALPHABLENDENABLE, TRUE, 1);
    refused.add(RS_SRCBLEND, 0, 1);  // no such blend factor
    const int id = manager->registerMetaState("Refused", &refused);
    EXPECT_EQ(STATUS_NOT_SUPPORTED, manager->checkState(id));
    EXPECT_EQ(nullptr, refused.getCurrent());
    manager->flush();
    platform::testing::resetCallCounts();
    manager->setState(id);
    manager->unsetState(id);
    EXPECT_FALSE(manager->isChanged());
    EXPECT_EQ(0u, calls("ValidateDevice"));  // the answer is kept

    MultipleStatesMetaState empty;
    empty.update();
    EXPECT_EQ(STATUS_NOT_SUPPORTED, empty.supported());
}

TEST_F(MetaStateTest, LostSurfaceLeavesTheTestForLater) {
    MultipleStatesMetaState meta;
    meta.add(RS_DITHERENABLE, TRUE, 0);
    meta.add(RS_DITHERENABLE, FALSE, 1);
    const int id = manager->registerMetaState("Later", &meta);
    platform::testing::loseAllSurfaces();

    EXPECT_EQ(STATUS_NOT_KNOWN, manager->checkState(id));
    EXPECT_EQ(1u, calls("ValidateDevice"));  // the second variant is not tried
    EXPECT_EQ(nullptr, meta.getCurrent());

    ASSERT_EQ(DD_OK, framework.RestoreSurfaces());
    EXPECT_EQ(STATUS_SUPPORTED, manager->checkState(id));
    EXPECT_EQ(meta.getVariant(0), meta.getCurrent());
}

TEST_F(MetaStateTest, TestLeavesStatesAndStagesAsItFoundThem) {
    MultipleStatesMetaState meta;
    meta.add(RS_ALPHABLENDENABLE, TRUE, 0);
    meta.add(LS_AMBIENT, 0x808080, 0);
    meta.add(TSS_COLOROP, 0, D3DTOP_SELECTARG1, 0);
    const DWORD blend = deviceRender(D3DRENDERSTATE_ALPHABLENDENABLE);
    const DWORD ambient = deviceLight(D3DLIGHTSTATE_AMBIENT);
    const DWORD op = deviceStage(0, D3DTSS_COLOROP);

    EXPECT_EQ(D3D_OK, meta.test(0));
    EXPECT_EQ(DDERR_INVALIDPARAMS, meta.test(3));
    // Without a texture manager there are no sample textures to bind; the
    // stages are left empty (the binding itself is a texture test's matter).
    EXPECT_EQ(0u, platform::testing::callCount("IDirectDraw4::CreateSurface"));
    EXPECT_EQ(0u, calls("SetTexture"));
    for (DWORD stage = 0; stage < 2; ++stage) {
        IDirect3DTexture2* texture = reinterpret_cast<IDirect3DTexture2*>(1);
        EXPECT_EQ(D3D_OK, device->GetTexture(stage, &texture));
        EXPECT_EQ(nullptr, texture);
    }
    manager->flush();
    EXPECT_EQ(blend, deviceRender(D3DRENDERSTATE_ALPHABLENDENABLE));
    EXPECT_EQ(ambient, deviceLight(D3DLIGHTSTATE_AMBIENT));
    EXPECT_EQ(op, deviceStage(0, D3DTSS_COLOROP));
}

TEST_F(WeakDeviceStatesTest, BundlesTheDeviceCannotDrawAreNotSupported) {
    // Variants are validated on top of what the device holds, so first leave
    // stage 0 in a setting this device can draw.
    ASSERT_EQ(D3D_OK, device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1));
    ASSERT_EQ(D3D_OK, device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1));
    manager->update();
    manager->flush();
    EXPECT_EQ(STATUS_NOT_SUPPORTED, manager->checkState(MS_MODULATE));
    EXPECT_EQ(STATUS_NOT_SUPPORTED, manager->checkState(MS_MODULATE_ALPHA));
    EXPECT_EQ(STATUS_NOT_SUPPORTED, manager->checkState(MS_DIFFUSE_ALPHA));
    EXPECT_EQ(STATUS_SUPPORTED, manager->checkState(MS_RENDER_REGULAR));
    EXPECT_EQ(STATUS_NOT_SUPPORTED, manager->checkState(MS_RENDER_ALPHA));
    EXPECT_EQ(STATUS_NOT_SUPPORTED, manager->checkState(MS_DEFAULT));
    EXPECT_EQ(2u, RenderStateManager::stageCount);

    manager->setState(MS_DEFAULT);
    EXPECT_FALSE(manager->isChanged());
}
