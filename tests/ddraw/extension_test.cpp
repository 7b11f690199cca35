#include "ddraw_fixture.h"

#include "ddraw/direct_draw.h"
#include "ddraw/surface.h"

#include <atomic>

namespace {

// Stands in for an interface another part of the platform adds.
class FakeInterface final : public IUnknown {
public:
    explicit FakeInterface(std::atomic<int>* alive) : alive_(alive) { ++*alive_; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, LPVOID* object) override {
        AddRef();
        *object = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            --*alive_;
            delete this;
        }
        return left;
    }

private:
    ~FakeInterface() = default;
    std::atomic<ULONG> refs_{1};
    std::atomic<int>* alive_;
};

constexpr IID kFakeDirect3D = {
    0xBB223240, 0xE72B, 0x11D0, {0xA9, 0xB4, 0, 0xAA, 0, 0xC0, 0x99, 0x3F}};
constexpr IID kFakeTexture = {
    0x93281502, 0x8CF8, 0x11D0, {0x89, 0xAB, 0, 0xA0, 0xC9, 0x05, 0x41, 0x2A}};

class ExtensionTest : public DirectDrawTest {};

TEST_F(ExtensionTest, DirectDrawKeepsOneReferenceToAnAddedInterface) {
    static std::atomic<int> alive{0};
    int made = 0;
    platform::ddraw::registerDirectDrawExtension(
        kFakeDirect3D, [&made](platform::ddraw::DirectDraw&, IUnknown** out) {
            ++made;
            *out = new FakeInterface(&alive);
            return S_OK;
        });
    IUnknown* d3d = nullptr;
    ASSERT_EQ(DD_OK, dd->QueryInterface(kFakeDirect3D, reinterpret_cast<void**>(&d3d)));
    IUnknown* again = nullptr;
    ASSERT_EQ(DD_OK, dd->QueryInterface(kFakeDirect3D, reinterpret_cast<void**>(&again)));
    EXPECT_EQ(d3d, again);
    EXPECT_EQ(1, made);
    EXPECT_EQ(2u, again->Release());
    EXPECT_EQ(1u, d3d->Release());  // the DirectDraw object's own reference
    EXPECT_EQ(1, alive.load());
    EXPECT_EQ(0u, dd->Release());
    dd = nullptr;
    EXPECT_EQ(0, alive.load());
}

TEST_F(ExtensionTest, SurfacesMakeAddedInterfacesOnFirstQuery) {
    normal();
    static std::atomic<int> alive{0};
    platform::ddraw::registerSurfaceExtension(kFakeTexture,
                                              [](platform::ddraw::Surface& owner, IUnknown** out) {
                                                  EXPECT_EQ(8u, owner.width());
                                                  *out = new FakeInterface(&alive);
                                                  return S_OK;
                                              });
    IDirectDrawSurface4* s = create(8, 8, DDSCAPS_TEXTURE);
    IUnknown* texture = nullptr;
    ASSERT_EQ(DD_OK, s->QueryInterface(kFakeTexture, reinterpret_cast<void**>(&texture)));
    EXPECT_EQ(1u, texture->Release());
    EXPECT_EQ(1, alive.load());
    EXPECT_EQ(0u, s->Release());
    EXPECT_EQ(0, alive.load());
}

}  // namespace
