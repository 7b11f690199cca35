// Interfaces that other parts of the platform add to DirectDraw objects and
// surfaces: made on the first query, held once, released with their owner.
#include "ddraw_fixture.h"

#include "ddraw/direct_draw.h"
#include "ddraw/surface.h"

namespace {

// Stands in for an added interface; counts the live ones.
struct FakeInterface final : IUnknown {
    FakeInterface() { ++alive; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, LPVOID* object) override {
        AddRef();
        *object = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs;
        if (left == 0) {
            --alive;
            delete this;
        }
        return left;
    }
    ULONG refs = 1;
    static inline int alive = 0;
};

constexpr IID kFakeDirect3D = {
    0xBB223240, 0xE72B, 0x11D0, {0xA9, 0xB4, 0, 0xAA, 0, 0xC0, 0x99, 0x3F}};
constexpr IID kFakeTexture = {
    0x93281502, 0x8CF8, 0x11D0, {0x89, 0xAB, 0, 0xA0, 0xC9, 0x05, 0x41, 0x2A}};

using ExtensionTest = DirectDrawTest;

TEST_F(ExtensionTest, DirectDrawKeepsOneReferenceToAnAddedInterface) {
    static int made = 0;
    platform::ddraw::registerDirectDrawExtension(kFakeDirect3D,
                                                 [](platform::ddraw::DirectDraw&, IUnknown** out) {
                                                     ++made;
                                                     *out = new FakeInterface;
                                                     return S_OK;
                                                 });
    IUnknown* d3d = nullptr;
    IUnknown* again = nullptr;
    ASSERT_EQ(DD_OK, dd->QueryInterface(kFakeDirect3D, reinterpret_cast<void**>(&d3d)));
    ASSERT_EQ(DD_OK, dd->QueryInterface(kFakeDirect3D, reinterpret_cast<void**>(&again)));
    EXPECT_EQ(d3d, again);
    EXPECT_EQ(1, made);
    EXPECT_EQ(2u, again->Release());
    EXPECT_EQ(1u, d3d->Release());  // the DirectDraw object's own reference
    EXPECT_EQ(1, FakeInterface::alive);
    EXPECT_EQ(0u, dd->Release());
    dd = nullptr;
    EXPECT_EQ(0, FakeInterface::alive);
}

TEST_F(ExtensionTest, SurfacesMakeAddedInterfacesOnFirstQuery) {
    platform::ddraw::registerSurfaceExtension(kFakeTexture,
                                              [](platform::ddraw::Surface& owner, IUnknown** out) {
                                                  EXPECT_EQ(8u, owner.width());
                                                  *out = new FakeInterface;
                                                  return S_OK;
                                              });
    IDirectDrawSurface4* s = create(8, 8, DDSCAPS_TEXTURE);
    IUnknown* texture = nullptr;
    ASSERT_EQ(DD_OK, s->QueryInterface(kFakeTexture, reinterpret_cast<void**>(&texture)));
    EXPECT_EQ(1u, texture->Release());
    EXPECT_EQ(1, FakeInterface::alive);
    EXPECT_EQ(0u, s->Release());
    EXPECT_EQ(0, FakeInterface::alive);
}

}  // namespace
