// Render materials on the device: values, handles, specular, the default
// material, release of a current material and remaking across mode changes.
#include "materials_fixture.h"

#include "application.h"

namespace {

Material shinyMaterial() {
    Material material;
    material.setEmissive(Color(0.1f, 0.2f, 0.3f, 1.0f));
    material.setColor(Color(0.4f, 0.5f, 0.6f, 0.7f));
    material.setSpecular(Color(0.8f, 0.6f, 0.4f, 1.0f));
    material.setShininess(0.5f);
    return material;
}

}  // namespace

using MaterialTest = MaterialsTest;

TEST_F(MaterialTest, ValuesReachTheDirect3DMaterial) {
    Material source = shinyMaterial();
    source.setFlags(Material::USE_COLOR);
    RenderMaterial* material = theD3DRenderMaterialManager->createMaterial(source);
    ASSERT_NE(material, nullptr);
    EXPECT_NE(material->getHandle(), 0u);
    EXPECT_EQ(material->getSource(), &source);

    const D3DMATERIAL held = deviceData(material->getMaterial());
    EXPECT_EQ(held.dwSize, 80u);
    expectColor(held.diffuse, source.getColor());
    expectColor(held.ambient, source.getColor());
    expectColor(held.specular, source.getSpecular());
    expectColor(held.emissive, source.getEmissive());
    EXPECT_FLOAT_EQ(held.power, 25.0f);
    EXPECT_EQ(std::memcmp(&held, &material->getData(), sizeof held), 0);
    EXPECT_TRUE(material->hasSpecular());
    EXPECT_FALSE(material->hasAlpha());
    theD3DRenderMaterialManager->destroyMaterial(material);
}

TEST_F(MaterialTest, WithoutTheColourFlagDiffuseAndAmbientStayWhite) {
    const Material source = shinyMaterial();
    RenderMaterial* material = theD3DRenderMaterialManager->createMaterial(source);
    const D3DMATERIAL held = deviceData(material->getMaterial());
    expectColor(held.diffuse, Color(1, 1, 1, 1));
    expectColor(held.ambient, Color(1, 1, 1, 1));
    expectColor(held.emissive, source.getEmissive());
    theD3DRenderMaterialManager->destroyMaterial(material);
}

TEST_F(MaterialTest, BlackSpecularGivesNoPowerAndSpecularOffWhateverTheSetting) {
    Material source = shinyMaterial();
    source.setSpecular(Color(0, 0, 0, 1));
    g_driverSettings.specular = true;
    RenderMaterial* material = theD3DRenderMaterialManager->createMaterial(source);
    EXPECT_FLOAT_EQ(material->getData().power, 0.0f);
    EXPECT_FALSE(material->hasSpecular());

    theRenderStateManager->setState(RS_SPECULARENABLE, 1);
    theD3DRenderMaterialManager->setCurrentMaterial(material);
    EXPECT_EQ(deviceRender(D3DRENDERSTATE_SPECULARENABLE), 0u);
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), material->getHandle());
    theD3DRenderMaterialManager->destroyMaterial(material);
}

TEST_F(MaterialTest, SpecularFollowsTheDriverSetting) {
    const Material source = shinyMaterial();
    RenderMaterial* material = theD3DRenderMaterialManager->createMaterial(source);

    g_driverSettings.specular = true;
    material->makeCurrentMaterial();
    EXPECT_EQ(deviceRender(D3DRENDERSTATE_SPECULARENABLE), 1u);

    g_driverSettings.specular = false;
    material->makeCurrentMaterial();
    EXPECT_EQ(deviceRender(D3DRENDERSTATE_SPECULARENABLE), 0u);
    theD3DRenderMaterialManager->destroyMaterial(material);
}

TEST_F(MaterialTest, EachMaterialHasItsOwnHandleAndTheManagerCountsThem) {
    const Material source = shinyMaterial();
    RenderMaterial* a = theD3DRenderMaterialManager->createMaterial(source);
    RenderMaterial* b = theD3DRenderMaterialManager->createMaterial(source);
    EXPECT_NE(a->getHandle(), b->getHandle());
    EXPECT_NE(a->getHandle(), theD3DRenderMaterialManager->getDefaultHandle());
    EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), 2u);
    theD3DRenderMaterialManager->destroyMaterial(a);
    EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), 1u);
    theD3DRenderMaterialManager->destroyMaterial(b);
    EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), 0u);
}

TEST_F(MaterialTest, NullAndForeignPointersAreIgnored) {
    theD3DRenderMaterialManager->destroyMaterial(nullptr);
    theD3DRenderMaterialManager->setCurrentMaterial(nullptr);
    const Material source = shinyMaterial();
    RenderMaterial foreign(source);  // not made by the manager
    theD3DRenderMaterialManager->destroyMaterial(&foreign);
    EXPECT_TRUE(foreign.isValid());
    EXPECT_EQ(theD3DRenderMaterialManager->getMaterialCount(), 0u);
}

// ---------------------------------------------------------------------------
// Release of a current material

TEST_F(MaterialTest, DestroyingTheCurrentMaterialTakesItOffTheDevice) {
    const Material source = shinyMaterial();
    RenderMaterial* material = theD3DRenderMaterialManager->createMaterial(source);
    IDirect3DMaterial3* direct3D = material->getMaterial();
    material->makeCurrentMaterial();
    ASSERT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), material->getHandle());

    // An extra reference shows that the manager gives back exactly its own.
    direct3D->AddRef();
    platform::testing::resetCallCounts();
    theD3DRenderMaterialManager->destroyMaterial(material);
    EXPECT_EQ(calls("IDirect3DDevice3::SetLightState"), 1u);
    const auto arguments = platform::testing::lastArguments("IDirect3DDevice3::SetLightState");
    ASSERT_EQ(arguments.size(), 2u);
    EXPECT_EQ(arguments[0], static_cast<ULONG_PTR>(D3DLIGHTSTATE_MATERIAL));
    EXPECT_EQ(arguments[1], 0u);
    EXPECT_EQ(calls("IDirect3DMaterial3::Release"), 1u);
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), 0u);
    EXPECT_EQ(direct3D->Release(), 0u);
}

TEST_F(MaterialTest, DestroyingAnotherMaterialLeavesTheCurrentOne) {
    const Material source = shinyMaterial();
    RenderMaterial* current = theD3DRenderMaterialManager->createMaterial(source);
    RenderMaterial* other = theD3DRenderMaterialManager->createMaterial(source);
    current->makeCurrentMaterial();
    theRenderStateManager->flush();
    platform::testing::resetCallCounts();
    theD3DRenderMaterialManager->destroyMaterial(other);
    EXPECT_EQ(calls("IDirect3DDevice3::SetLightState"), 0u);
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), current->getHandle());
    theD3DRenderMaterialManager->destroyMaterial(current);
}

// ---------------------------------------------------------------------------
// The default material

TEST_F(MaterialTest, TheVideoModeMakesAndSetsTheDefaultMaterial) {
    const D3DMATERIALHANDLE handle = theD3DRenderMaterialManager->getDefaultHandle();
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), handle);
    const D3DMATERIAL& data = theD3DRenderMaterialManager->getDefaultData();
    EXPECT_EQ(data.dwSize, 80u);
    expectColor(data.diffuse, Color(1, 1, 1, 1));
    expectColor(data.ambient, Color(1, 1, 1, 1));
    expectColor(data.specular, Color(0, 0, 0, 1));
    expectColor(data.emissive, Color(0, 0, 0, 1));
    EXPECT_FLOAT_EQ(data.power, 0.0f);
}

TEST_F(MaterialTest, SetDefaultMaterialComesBackAfterAnother) {
    const Material source = shinyMaterial();
    RenderMaterial* material = theD3DRenderMaterialManager->createMaterial(source);
    material->makeCurrentMaterial();
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), material->getHandle());
    theD3DRenderMaterialManager->setDefaultMaterial();
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), theD3DRenderMaterialManager->getDefaultHandle());
    theD3DRenderMaterialManager->destroyMaterial(material);
}

TEST_F(MaterialTest, DestroyingTheCurrentDefaultMaterialClearsTheDeviceState) {
    ASSERT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), theD3DRenderMaterialManager->getDefaultHandle());
    theD3DRenderMaterialManager->destroyDefaultMaterial();
    EXPECT_EQ(theD3DRenderMaterialManager->getDefaultHandle(), 0u);
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), 0u);
    // termVideoMode does it again: a second time must be harmless.
    theD3DRenderMaterialManager->destroyDefaultMaterial();
}

TEST_F(MaterialTest, EachVideoModeGetsANewDefaultMaterial) {
    theRenderDriver->termVideoMode();
    EXPECT_EQ(theD3DRenderMaterialManager->getDefaultHandle(), 0u);
    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
    ASSERT_NE(g_pDevice, nullptr);
    EXPECT_NE(theD3DRenderMaterialManager->getDefaultHandle(), 0u);
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), theD3DRenderMaterialManager->getDefaultHandle());
}

// ---------------------------------------------------------------------------
// Invalidate and restore

TEST_F(MaterialTest, InvalidateReleasesAndRestoreRemakesWithTheSameValues) {
    Material source = shinyMaterial();
    source.setFlags(Material::USE_COLOR);
    RenderMaterial* material = theD3DRenderMaterialManager->createMaterial(source);
    material->makeCurrentMaterial();
    theRenderStateManager->flush();
    const D3DMATERIAL before = material->getData();

    platform::testing::resetCallCounts();
    theD3DRenderMaterialManager->invalidateAll();
    EXPECT_FALSE(material->isValid());
    EXPECT_EQ(material->getHandle(), 0u);
    EXPECT_EQ(calls("IDirect3DMaterial3::Release"), 1u);
    // The device went back to the default before the release.
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), theD3DRenderMaterialManager->getDefaultHandle());

    theD3DRenderMaterialManager->restoreAll();
    ASSERT_TRUE(material->isValid());
    EXPECT_NE(material->getHandle(), 0u);
    const D3DMATERIAL held = deviceData(material->getMaterial());
    EXPECT_EQ(std::memcmp(&held, &before, sizeof held), 0);
    material->makeCurrentMaterial();
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), material->getHandle());
    theD3DRenderMaterialManager->destroyMaterial(material);
}

TEST_F(MaterialTest, AModeChangeKeepsTheMaterialsUsable) {
    const Material source = shinyMaterial();
    RenderMaterial* a = theD3DRenderMaterialManager->createMaterial(source);
    RenderMaterial* b = theD3DRenderMaterialManager->createMaterial(source);
    IDirect3DMaterial3* oldA = a->getMaterial();
    oldA->AddRef();  // its address cannot be reused for the new one

    theRenderDriver->changeVideoMode(theRenderDriver->getCurrentVideoMode());
    ASSERT_TRUE(a->isValid());
    ASSERT_TRUE(b->isValid());
    EXPECT_NE(a->getMaterial(), oldA);
    EXPECT_EQ(oldA->Release(), 0u);
    EXPECT_NE(a->getHandle(), 0u);
    EXPECT_NE(a->getHandle(), b->getHandle());
    const D3DMATERIAL held = deviceData(b->getMaterial());
    EXPECT_EQ(std::memcmp(&held, &b->getData(), sizeof held), 0);
    b->makeCurrentMaterial();
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), b->getHandle());

    theD3DRenderMaterialManager->destroyMaterial(b);
    EXPECT_EQ(deviceLight(D3DLIGHTSTATE_MATERIAL), 0u);
    theD3DRenderMaterialManager->destroyMaterial(a);
}

TEST_F(MaterialTest, LostSurfacesRemakeTheMaterialsAfterTheNextFrame) {
    const Material source = shinyMaterial();
    RenderMaterial* material = theD3DRenderMaterialManager->createMaterial(source);
    theRenderDriver->draw();
    ASSERT_FALSE(surfacesLost);
    IDirect3DMaterial3* old = material->getMaterial();
    old->AddRef();  // keeps the old object apart from the new one

    platform::testing::deactivateApplication();
    theRenderDriver->draw();
    ASSERT_TRUE(surfacesLost);
    EXPECT_EQ(material->getMaterial(), old);
    platform::testing::activateApplication();
    theRenderDriver->draw();
    ASSERT_FALSE(surfacesLost);

    ASSERT_TRUE(material->isValid());
    EXPECT_NE(material->getMaterial(), old);
    const D3DMATERIAL held = deviceData(material->getMaterial());
    EXPECT_EQ(std::memcmp(&held, &material->getData(), sizeof held), 0);
    EXPECT_EQ(old->Release(), 0u);
    theD3DRenderMaterialManager->destroyMaterial(material);
}
