// Meta states: the predefined bundles reach the device exactly, variants are
// chosen by what ValidateDevice accepts, and unset gives back what was there.
#include "states_fixture.h"

#include "application.h"
#include "tmanager.h"

namespace {

// The ids as the process starts, before any manager registers them.
const std::vector<int> kIdsAtStart = {MS_MODULATE,       MS_MODULATE_ALPHA, MS_DIFFUSE_ALPHA,
                                      MS_RENDER_REGULAR, MS_RENDER_ALPHA,   MS_DEFAULT};

// Texture colour times diffuse on stage 0, stage 1 off.
std::vector<Entry> textureCombine(DWORD alphaOperation) {
    return {
        {0, D3DTSS_COLORARG1, D3DTA_TEXTURE}, {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
        {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE}, {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
        {0, D3DTSS_ALPHAOP, alphaOperation},  {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
        {1, D3DTSS_COLOROP, D3DTOP_DISABLE},  {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
    };
}

const std::vector<Entry> kDefault = {
    {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
    {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
    {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
    {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
    {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
    {0, D3DTSS_MINFILTER, D3DTFN_LINEAR},
    {0, D3DTSS_MAGFILTER, D3DTFG_LINEAR},
    {0, D3DTSS_MIPFILTER, D3DTFP_LINEAR},
    {1, D3DTSS_MINFILTER, D3DTFN_LINEAR},
    {1, D3DTSS_MAGFILTER, D3DTFG_LINEAR},
    {1, D3DTSS_MIPFILTER, D3DTFP_LINEAR},
    {0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP},
    {0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP},
    {kRender, D3DRENDERSTATE_ALPHABLENDENABLE, FALSE},
    {kRender, D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA},
    {kRender, D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {kRender, D3DRENDERSTATE_CULLMODE, D3DCULL_CCW},
    {kRender, D3DRENDERSTATE_DITHERENABLE, TRUE},
    {kRender, D3DRENDERSTATE_SPECULARENABLE, TRUE},
};

}  // namespace

using MetaStateTest = StatesTest;

// The ids are -1 until a manager registers the bundles in this order. Every
// state of a bundle is first made to differ, so that setting it must send
// each one, and only those, at the next flush.
TEST_F(MetaStateTest, PredefinedBundlesAreFoundByNameAndSetExactlyTheirStates) {
    EXPECT_EQ(std::vector<int>(6, -1), kIdsAtStart);
    const std::tuple<int, const char*, std::vector<Entry>> bundles[] = {
        {MS_MODULATE, "Modulate", textureCombine(D3DTOP_SELECTARG1)},
        {MS_MODULATE_ALPHA, "ModulateAlpha", textureCombine(D3DTOP_MODULATE)},
        {MS_DIFFUSE_ALPHA, "DiffuseAlpha", textureCombine(D3DTOP_SELECTARG2)},
        {MS_RENDER_REGULAR,
         "RenderRegular",
         {{kRender, D3DRENDERSTATE_ALPHABLENDENABLE, FALSE},
          {kRender, D3DRENDERSTATE_ZWRITEENABLE, TRUE}}},
        {MS_RENDER_ALPHA,
         "RenderAlpha",
         {{kRender, D3DRENDERSTATE_ZWRITEENABLE, FALSE},
          {kRender, D3DRENDERSTATE_ALPHABLENDENABLE, TRUE},
          {kRender, D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA},
          {kRender, D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA}}},
        {MS_DEFAULT, "Default", kDefault}};
    manager->update();  // as after a device change: each bundle is validated again at once
    EXPECT_EQ(6u, calls("ValidateDevice"));
    for (int i = 0; i < 6; ++i) {
        const auto& [id, name, entries] = bundles[i];
        SCOPED_TRACE(name);
        EXPECT_EQ(std::make_pair(id, manager->findMetaState(name)), std::make_pair(i, i));
        EXPECT_EQ(STATUS_SUPPORTED, manager->checkState(id));
        for (const Entry& e : entries)
            set({e.stage, e.type, e.value + 1});
        manager->flush();
        resetCallCounts();
        manager->setState(id);
        EXPECT_EQ(0u, stateCalls());
        manager->flush();
        EXPECT_EQ(entries.size(), stateCalls());
        for (const Entry& e : entries)
            EXPECT_EQ(e.value, held(e)) << "state " << e.type << " of stage " << e.stage;
    }
}

// The lowest variant the device validates is chosen; the validation itself
// leaves every state as it was. Copies point at their own chosen variant. A
// bundle never checked is validated when first set.
TEST_F(MetaStateTest, RefusedVariantFallsBackToTheNextKey) {
    MultipleStatesMetaState meta;
    meta.add(TSS_COLOROP, 0, D3DTOP_ADDSIGNED2X, 0);  // not among the device's operations
    meta.add(TSS_COLOROP, 0, D3DTOP_ADD, 5);
    meta.add(LS_AMBIENT, 0x808080, 5);
    meta.add(RS_ALPHABLENDENABLE, TRUE, 5);
    Entry states[] = {{0, D3DTSS_COLOROP, D3DTOP_ADD},
                      {kLight, D3DLIGHTSTATE_AMBIENT, 0x808080},
                      {kRender, D3DRENDERSTATE_ALPHABLENDENABLE, TRUE}};
    std::vector<DWORD> before;
    for (const Entry& e : states)
        before.push_back(held(e));
    const int id = manager->registerMetaState("Fallback", &meta);
    EXPECT_EQ(STATUS_SUPPORTED, manager->checkState(id));
    EXPECT_EQ(2u, calls("ValidateDevice"));
    EXPECT_EQ(DDERR_INVALIDPARAMS, meta.test(3));
    theRenderStateManager = nullptr;
    EXPECT_EQ(DDERR_INVALIDOBJECT, meta.test(5));
    theRenderStateManager = manager.get();
    for (int round = 0; round < 2; ++round) {
        round ? manager->unsetState(id) : manager->setState(id);
        manager->flush();
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(round ? before[i] : states[i].value, held(states[i])) << round << i;
    }
    MultipleStatesMetaState copy(meta), assigned;
    assigned = meta;
    for (MultipleStatesMetaState* m : {&copy, &assigned}) {
        EXPECT_EQ(STATUS_SUPPORTED, m->supported());
        EXPECT_EQ(m->getVariant(5), m->getCurrent());
        EXPECT_NE(meta.getCurrent(), m->getCurrent());
    }
    MultipleStatesMetaState fog;  // never checked: set validates it first
    fog.add(RS_FOGCOLOR, 0x123456, 0);
    manager->setState(manager->registerMetaState("Fog", &fog));
    manager->flush();
    EXPECT_EQ(0x123456u, held({kRender, D3DRENDERSTATE_FOGCOLOR}));

    // With every variant refused, or none, a bundle is not supported, and the
    // answer is kept; a lost surface leaves the choice to a later test.
    MultipleStatesMetaState refused, empty, later;
    refused.add(TSS_COLOROP, 0, D3DTOP_ADDSIGNED2X, 0);
    refused.add(RS_ALPHABLENDENABLE, TRUE, 1);
    refused.add(RS_SRCBLEND, 0, 1);  // no such blend factor
    const int refusedId = manager->registerMetaState("Refused", &refused);
    EXPECT_EQ(STATUS_NOT_SUPPORTED, manager->checkState(refusedId));
    manager->flush();
    resetCallCounts();
    manager->setState(refusedId);
    manager->unsetState(refusedId);
    EXPECT_FALSE(manager->isChanged());
    EXPECT_EQ(STATUS_NOT_SUPPORTED, manager->checkState(refusedId));
    EXPECT_EQ(0u, calls("ValidateDevice"));
    empty.update();
    EXPECT_EQ(STATUS_NOT_SUPPORTED, empty.supported());

    later.add(RS_DITHERENABLE, TRUE, 0);
    later.add(RS_DITHERENABLE, FALSE, 1);
    const int laterId = manager->registerMetaState("Later", &later);
    platform::testing::loseAllSurfaces();
    EXPECT_EQ(STATUS_NOT_KNOWN, manager->checkState(laterId));
    EXPECT_EQ(1u, calls("ValidateDevice"));  // the second variant is not tried
    ASSERT_EQ(DD_OK, framework.RestoreSurfaces());
    EXPECT_EQ(STATUS_SUPPORTED, manager->checkState(laterId));
    EXPECT_EQ(later.getVariant(0), later.getCurrent());
}

// Stages that sample a texture are judged with the texture manager's sample
// textures bound to stages 0 and 1, so a filter the device lacks is refused;
// the samples are taken off again.
TEST_F(MetaStateTest, ValidationBindsTheSampleTextures) {
    g_pFramework = &framework;
    D3DRenderDriver driver;
    theD3DRenderDriver = &driver;
    driver.updateD3DInterfaces();
    auto textures = std::make_unique<D3DTextureManager>();
    theD3DTextureManager = textures.get();
    MultipleStatesMetaState meta;
    for (int variant : {0, 1}) {
        meta.add(TSS_COLORARG1, 1, D3DTA_TEXTURE, variant);
        meta.add(TSS_COLOROP, 1, D3DTOP_SELECTARG1, variant);
        meta.add(TSS_MAGFILTER, 1, variant ? D3DTFG_LINEAR : D3DTFG_ANISOTROPIC, variant);
    }
    EXPECT_EQ(STATUS_SUPPORTED, manager->checkState(manager->registerMetaState("Filter", &meta)));
    EXPECT_EQ(meta.getVariant(1), meta.getCurrent());
    EXPECT_EQ(8u, calls("SetTexture")) << "two bound and taken off for each variant";
    IDirect3DTexture2* bound = nullptr;
    EXPECT_EQ(D3D_OK, device->GetTexture(1, &bound));
    EXPECT_EQ(nullptr, bound);
    textures.reset();
    theD3DTextureManager = nullptr;
    theD3DRenderDriver = nullptr;
    g_pFramework = nullptr;
}
