// Interfaces that other parts of the platform add to DirectDraw objects and
// surfaces: made on the first query for any of their interfaces, one COM
// object with their owner, deleted with it.
#include "ddraw_fixture.h"

#include "ddraw/com_part.h"
#include "ddraw/direct_draw.h"
#include "ddraw/surface.h"

#include <memory>

namespace {

// Stands in for an added interface group; counts on its owner, as the
// Direct3D and texture parts do, and counts the live ones.
struct FakePart final : IUnknown, platform::ddraw::ComPart {
    explicit FakePart(IUnknown& owner) : owner(owner) { ++alive; }
    ~FakePart() override { --alive; }
    void* findInterface(REFIID) override { return static_cast<IUnknown*>(this); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override {
        return owner.QueryInterface(riid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner.Release(); }
    IUnknown& owner;
    static inline int alive = 0;
};

constexpr IID kFakeDirect3D = {
    0xBB223240, 0xE72B, 0x11D0, {0xA9, 0xB4, 0, 0xAA, 0, 0xC0, 0x99, 0x3F}};
constexpr IID kFakeDirect3DOld = {
    0xBB223240, 0xE72B, 0x11D0, {0xA9, 0xB4, 0, 0xAA, 0, 0xC0, 0x99, 0x40}};
constexpr IID kFakeTexture = {
    0x93281502, 0x8CF8, 0x11D0, {0x89, 0xAB, 0, 0xA0, 0xC9, 0x05, 0x41, 0x2A}};

using ExtensionTest = DirectDrawTest;

TEST_F(ExtensionTest, AnAddedPartSharesTheDirectDrawCountAndDiesWithIt) {
    static int made = 0;
    platform::ddraw::registerDirectDrawExtension(
        {kFakeDirect3D, kFakeDirect3DOld}, [](platform::ddraw::DirectDraw& owner) {
            ++made;
            return std::make_unique<FakePart>(*owner.asDirectDraw4());
        });
    IUnknown* d3d = nullptr;
    IUnknown* old = nullptr;
    ASSERT_EQ(DD_OK, dd->QueryInterface(kFakeDirect3D, reinterpret_cast<void**>(&d3d)));
    ASSERT_EQ(DD_OK, d3d->QueryInterface(kFakeDirect3DOld, reinterpret_cast<void**>(&old)));
    EXPECT_EQ(d3d, old);
    EXPECT_EQ(1, made);
    EXPECT_EQ(4u, d3d->AddRef());  // dd, two queries and this
    EXPECT_EQ(3u, dd->Release());
    dd = nullptr;
    EXPECT_EQ(2u, old->Release());
    EXPECT_EQ(1u, d3d->Release());
    EXPECT_EQ(1, FakePart::alive);
    EXPECT_EQ(0u, d3d->Release());
    EXPECT_EQ(0, FakePart::alive);
}

TEST_F(ExtensionTest, SurfacesMakeAddedPartsOnFirstQueryOrRefuseThem) {
    platform::ddraw::registerSurfaceExtension(
        {kFakeTexture},
        [](platform::ddraw::Surface& owner) -> std::unique_ptr<platform::ddraw::ComPart> {
            if (owner.width() != 8)
                return nullptr;
            return std::make_unique<FakePart>(*static_cast<IDirectDrawSurface4*>(&owner));
        });
    IDirectDrawSurface4* other = create(4, 4, DDSCAPS_TEXTURE);
    IUnknown* texture = reinterpret_cast<IUnknown*>(0x1);
    EXPECT_EQ(E_NOINTERFACE,
              other->QueryInterface(kFakeTexture, reinterpret_cast<void**>(&texture)));
    EXPECT_EQ(nullptr, texture);
    IDirectDrawSurface4* s = create(8, 8, DDSCAPS_TEXTURE);
    ASSERT_EQ(DD_OK, s->QueryInterface(kFakeTexture, reinterpret_cast<void**>(&texture)));
    EXPECT_EQ(1, FakePart::alive);
    EXPECT_EQ(1u, s->Release());
    EXPECT_EQ(0u, texture->Release());
    EXPECT_EQ(0, FakePart::alive);
    releaseLast({other});
}

}  // namespace
