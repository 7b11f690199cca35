// Render materials on the device: values, handles, specular, the default
// material and release of a current material.
#include "materials_fixture.h"

#include "application.h"

#include <vector>

namespace {

const Color kWhite(1, 1, 1, 1), kBlack(0, 0, 0, 1), kShine(0.8f, 0.6f, 0.4f, 1.0f),
    kColour(0.4f, 0.5f, 0.6f, 0.7f), kEmissive(0.1f, 0.2f, 0.3f, 1.0f);

Material shinyMaterial(unsigned flags = 0, const Color& specular = kShine) {
    Material material;
    material.setEmissive(kEmissive);
    material.setColor(kColour);
    material.setSpecular(specular);
    material.setShininess(0.5f);
    material.setFlags(flags);
    return material;
}

}  // namespace

using MaterialTest = MaterialsTest;

// Diffuse and ambient are the colour only with USE_COLOR, else white; the
// power is 50 x shininess unless the specular colour is black; the device's
// specular switch needs both a power and the driver setting.
TEST_F(MaterialTest, ValuesAndSpecularReachTheDevice) {
    const struct {
        unsigned flags;
        Color specular;
        bool setting;
        Color diffuse;
        float power;
    } cases[] = {{Material::USE_COLOR, kShine, true, kColour, 25.0f},
                 {0, kShine, false, kWhite, 25.0f},
                 {0, kBlack, true, kWhite, 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.power + c.flags * 10 + c.setting * 100);
        const Material source = shinyMaterial(c.flags, c.specular);
        g_driverSettings.specular = c.setting;
        theRenderStateManager->setState(RS_SPECULARENABLE, !(c.setting && c.power > 0));
        RenderMaterial* m = materials->createMaterial(source);
        const D3DMATERIAL& data = m->getData();
        expectColor(data.diffuse, c.diffuse);
        expectColor(data.ambient, c.diffuse);
        EXPECT_EQ(c.power, data.power);
        EXPECT_TRUE(holdsItsData(m));
        EXPECT_EQ(c.power > 0, m->hasSpecular());
        materials->setCurrentMaterial(m);
        EXPECT_EQ(m->getHandle(), material());
        EXPECT_EQ(c.setting && c.power > 0,
                  held(&IDirect3DDevice3::GetRenderState, D3DRENDERSTATE_SPECULARENABLE));
        materials->destroyMaterial(m);
    }
}

// The video mode's default material is set first. Each material has its own
// handle, and the manager counts and destroys only its own. A destroyed
// material the device holds is taken off it at once, before its Direct3D
// material goes; destroying another leaves the device alone.
TEST_F(MaterialTest, DestroyingTheCurrentMaterialTakesItOffTheDevice) {
    ASSERT_NE(0u, materials->getDefaultHandle());
    EXPECT_EQ(materials->getDefaultHandle(), material());
    const Material source = shinyMaterial();
    RenderMaterial* current = materials->createMaterial(source);
    RenderMaterial* other = materials->createMaterial(source);
    EXPECT_NE(current->getHandle(), other->getHandle());
    RenderMaterial foreign(source);  // not made by the manager
    materials->destroyMaterial(&foreign);
    materials->destroyMaterial(nullptr);
    materials->setCurrentMaterial(nullptr);
    EXPECT_TRUE(foreign.isValid());
    EXPECT_EQ(2u, materials->getMaterialCount());
    IDirect3DMaterial3* direct3D = current->getMaterial();
    current->makeCurrentMaterial();
    ASSERT_EQ(current->getHandle(), material());
    platform::testing::resetCallCounts();
    materials->destroyMaterial(other);
    EXPECT_EQ(0u, calls("IDirect3DDevice3::SetLightState"));

    direct3D->AddRef();  // shows that the manager gives back exactly its own
    materials->destroyMaterial(current);
    EXPECT_EQ(1u, calls("IDirect3DDevice3::SetLightState"));
    EXPECT_EQ((std::vector<ULONG_PTR>{D3DLIGHTSTATE_MATERIAL, 0}),
              platform::testing::lastArguments("IDirect3DDevice3::SetLightState"));
    EXPECT_EQ(2u, calls("IDirect3DMaterial3::Release"));
    EXPECT_EQ(0u, direct3D->Release());
    EXPECT_EQ(0u, materials->getMaterialCount());

    // Each video mode makes a default material and sets it; it comes back
    // when asked; destroying it while current clears the device's material.
    RenderMaterial* m = materials->createMaterial(source);
    m->makeCurrentMaterial();
    materials->setDefaultMaterial();
    EXPECT_EQ(materials->getDefaultHandle(), material());
    materials->destroyMaterial(m);

    materials->destroyDefaultMaterial();
    EXPECT_EQ(0u, materials->getDefaultHandle());
    EXPECT_EQ(0u, material());
    materials->destroyDefaultMaterial();  // termVideoMode does it again: harmless
    theRenderDriver->termVideoMode();
    theRenderDriver->initVideoMode(theRenderDriver->getDefaultVideoMode());
    EXPECT_NE(0u, materials->getDefaultHandle());
    EXPECT_EQ(materials->getDefaultHandle(), material());
}
