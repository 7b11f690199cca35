// Every call of the device and its objects given a null pointer where it
// needs one, or an index out of its range, answers with an error and
// changes nothing; none of them may crash.
#include "device_fixture.h"

#include <functional>

namespace {

struct Objects {
    IDirect3D3* d3d;
    IDirect3DDevice3* device;
    IDirect3DViewport3* viewport;
    IDirect3DLight* light;
    IDirect3DMaterial3* material;
    IDirect3DTexture2* texture;
    IDirect3DVertexBuffer* buffer;
};

struct BadCall {
    const char* name;
    std::function<HRESULT(const Objects&)> call;
};
// A row of the table: the call, named by its own text.
// clang-format off
#define REFUSED(call) {#call, [](const Objects& o) { return o.call; }}
// clang-format on

TLVertex gTriangle[3] = {{0, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0},
                         {8, 0, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0},
                         {0, 8, 0.5f, 1, 0xFFFFFFFF, 0, 0, 0}};
WORD gIndices[3] = {0, 1, 2};
WORD gFarIndices[3] = {0, 1, 900};
D3DVECTOR gC{0, 0, 0.5f};  // one sphere
float gR = 1.0f;
DWORD gV = 0;
// Past the last state of each kind; what the calls read, and where they may write.
const auto kNoState = static_cast<D3DRENDERSTATETYPE>(5000);
const auto kNoTransform = static_cast<D3DTRANSFORMSTATETYPE>(900);
const auto kNoStageState = static_cast<D3DTEXTURESTAGESTATETYPE>(900);
const auto kNoType = static_cast<D3DPRIMITIVETYPE>(77);
constexpr auto kList = D3DPT_TRIANGLELIST;
float gXyz[9] = {};
D3DDRAWPRIMITIVESTRIDEDDATA gStrided = [] {
    D3DDRAWPRIMITIVESTRIDEDDATA d{};
    d.position = {gXyz, 12};
    return d;
}();
D3DDEVICEDESC gHardware = [] {
    D3DDEVICEDESC desc{};
    desc.dwSize = sizeof desc;
    return desc;
}();
D3DMATRIX gMatrix{};
DWORD gValue = 0;
D3DMATERIALHANDLE gHandle = 0;
IDirect3DVertexBuffer* gBuffer = nullptr;
IDirect3DViewport3* gViewport = nullptr;
IDirect3DTexture2* gTexture = nullptr;

const BadCall kBadCalls[] = {
    REFUSED(d3d->CreateLight(nullptr, nullptr)),
    REFUSED(d3d->CreateMaterial(nullptr, nullptr)),
    REFUSED(d3d->CreateViewport(nullptr, nullptr)),
    REFUSED(d3d->CreateDevice(IID_IDirect3DRGBDevice, nullptr, nullptr, nullptr)),
    REFUSED(d3d->CreateVertexBuffer(nullptr, &gBuffer, 0, nullptr)),
    REFUSED(d3d->EnumDevices(nullptr, nullptr)),
    REFUSED(d3d->EnumZBufferFormats(IID_IDirect3DRGBDevice, nullptr, nullptr)),
    REFUSED(d3d->FindDevice(nullptr, nullptr)),
    REFUSED(device->GetCaps(nullptr, nullptr)),
    REFUSED(device->GetCaps(&gHardware, nullptr)),
    REFUSED(device->GetStats(nullptr)),
    REFUSED(device->AddViewport(nullptr)),
    REFUSED(device->DeleteViewport(nullptr)),
    REFUSED(device->NextViewport(o.viewport, nullptr, D3DNEXT_NEXT)),
    REFUSED(device->NextViewport(o.viewport, &gViewport, 0x80)),
    REFUSED(device->EnumTextureFormats(nullptr, nullptr)),
    REFUSED(device->GetDirect3D(nullptr)),
    REFUSED(device->GetCurrentViewport(nullptr)),
    REFUSED(device->SetRenderTarget(nullptr, 0)),
    REFUSED(device->GetRenderTarget(nullptr)),
    REFUSED(device->BeginIndexed(kList, kTLFormat, nullptr, 3, 0)),
    REFUSED(device->Vertex(nullptr)),
    REFUSED(device->GetRenderState(D3DRENDERSTATE_ZENABLE, nullptr)),
    REFUSED(device->GetRenderState(kNoState, &gValue)),
    REFUSED(device->SetRenderState(kNoState, 1)),
    REFUSED(device->GetLightState(D3DLIGHTSTATE_AMBIENT, nullptr)),
    REFUSED(device->SetTransform(D3DTRANSFORMSTATE_WORLD, nullptr)),
    REFUSED(device->SetTransform(kNoTransform, &gMatrix)),
    REFUSED(device->GetTransform(D3DTRANSFORMSTATE_VIEW, nullptr)),
    REFUSED(device->MultiplyTransform(D3DTRANSFORMSTATE_VIEW, nullptr)),
    REFUSED(device->DrawPrimitive(kList, kTLFormat, nullptr, 3, 0)),
    REFUSED(device->DrawPrimitive(kNoType, kTLFormat, gTriangle, 3, 0)),
    REFUSED(device->DrawIndexedPrimitive(kList, kTLFormat, gTriangle, 3, nullptr, 3, 0)),
    REFUSED(device->DrawIndexedPrimitive(kList, kTLFormat, nullptr, 3, gIndices, 3, 0)),
    REFUSED(device->DrawIndexedPrimitive(kList, kTLFormat, gTriangle, 3, gFarIndices, 3, 0)),
    REFUSED(device->SetClipStatus(nullptr)),
    REFUSED(device->GetClipStatus(nullptr)),
    REFUSED(device->DrawPrimitiveStrided(kList, D3DFVF_XYZ, nullptr, 3, 0)),
    REFUSED(device->DrawIndexedPrimitiveStrided(kList, D3DFVF_XYZ, &gStrided, 3, nullptr, 3, 0)),
    REFUSED(device->DrawPrimitiveVB(kList, nullptr, 0, 3, 0)),
    REFUSED(device->DrawPrimitiveVB(kList, o.buffer, 2, 3, 0)),
    REFUSED(device->DrawIndexedPrimitiveVB(kList, o.buffer, nullptr, 3, 0)),
    REFUSED(device->DrawIndexedPrimitiveVB(kList, o.buffer, gFarIndices, 3, 0)),
    REFUSED(device->ComputeSphereVisibility(nullptr, &gR, 1, 0, &gV)),
    REFUSED(device->ComputeSphereVisibility(&gC, &gR, 1, 0, nullptr)),
    REFUSED(device->ComputeSphereVisibility(&gC, &gR, 1, 1, &gV)),
    REFUSED(device->GetTexture(0, nullptr)),
    REFUSED(device->GetTexture(8, &gTexture)),
    REFUSED(device->SetTexture(8, o.texture)),
    REFUSED(device->GetTextureStageState(0, D3DTSS_COLOROP, nullptr)),
    REFUSED(device->GetTextureStageState(8, D3DTSS_COLOROP, &gValue)),
    REFUSED(device->SetTextureStageState(0, kNoStageState, 1)),
    REFUSED(device->ValidateDevice(nullptr)),
    REFUSED(viewport->GetViewport(nullptr)),
    REFUSED(viewport->SetViewport(nullptr)),
    REFUSED(viewport->GetViewport2(nullptr)),
    REFUSED(viewport->SetViewport2(nullptr)),
    REFUSED(viewport->TransformVertices(1, nullptr, 0, nullptr)),
    REFUSED(viewport->LightElements(1, nullptr)),
    REFUSED(viewport->GetBackground(nullptr, nullptr)),
    REFUSED(viewport->GetBackgroundDepth(nullptr, nullptr)),
    REFUSED(viewport->GetBackgroundDepth2(nullptr, nullptr)),
    REFUSED(viewport->Clear(1, nullptr, D3DCLEAR_TARGET)),
    REFUSED(viewport->Clear2(2, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0)),
    REFUSED(viewport->AddLight(nullptr)),
    REFUSED(viewport->DeleteLight(nullptr)),
    REFUSED(viewport->NextLight(nullptr, nullptr, D3DNEXT_HEAD)),
    REFUSED(light->SetLight(nullptr)),
    REFUSED(light->GetLight(nullptr)),
    REFUSED(material->SetMaterial(nullptr)),
    REFUSED(material->GetMaterial(nullptr)),
    REFUSED(material->GetHandle(o.device, nullptr)),
    REFUSED(material->GetHandle(nullptr, &gHandle)),
    REFUSED(texture->GetHandle(nullptr, nullptr)),
    REFUSED(texture->Load(nullptr)),
    REFUSED(buffer->Lock(0, nullptr, nullptr)),
    REFUSED(buffer->GetVertexBufferDesc(nullptr)),
    REFUSED(buffer->Optimize(nullptr, 0)),
    REFUSED(buffer->ProcessVertices(D3DVOP_TRANSFORM, 0, 1, nullptr, 0, o.device, 0)),
    REFUSED(buffer->ProcessVertices(D3DVOP_TRANSFORM, 0, 1, o.buffer, 0, nullptr, 0)),
    REFUSED(buffer->ProcessVertices(D3DVOP_TRANSFORM, 2, 3, o.buffer, 0, o.device, 0)),
};

class BadArgumentTest : public DeviceTest, public ::testing::WithParamInterface<BadCall> {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        makeDevice();
        ASSERT_EQ(D3D_OK, d3d->CreateLight(&light_, nullptr));
        ASSERT_EQ(D3D_OK, d3d->CreateMaterial(&material_, nullptr));
        textureSurface_ = texture(2, 2, {0, 0, 0, 0});
        texture_ = textureOf(textureSurface_);
        D3DVERTEXBUFFERDESC desc{sizeof(desc), D3DVBCAPS_SYSTEMMEMORY, D3DFVF_XYZ, 4};
        ASSERT_EQ(D3D_OK, d3d->CreateVertexBuffer(&desc, &buffer_, 0, nullptr));
    }
    void TearDown() override {
        buffer_->Release();
        texture_->Release();
        textureSurface_->Release();
        material_->Release();
        light_->Release();
        DeviceTest::TearDown();
    }
    Objects objects() const {
        return {d3d, device, viewport, light_, material_, texture_, buffer_};
    }

    IDirect3DLight* light_ = nullptr;
    IDirect3DMaterial3* material_ = nullptr;
    IDirectDrawSurface4* textureSurface_ = nullptr;
    IDirect3DTexture2* texture_ = nullptr;
    IDirect3DVertexBuffer* buffer_ = nullptr;
};

TEST_P(BadArgumentTest, IsRefusedAndDrawsNothing) {
    ASSERT_EQ(D3D_OK, device->BeginScene());
    EXPECT_TRUE(FAILED(GetParam().call(objects())));
    EXPECT_EQ(D3D_OK, device->EndScene());
    for (uint32_t p : pixels())
        ASSERT_EQ(0u, p & 0xFFFFFF);
}

INSTANTIATE_TEST_SUITE_P(Calls, BadArgumentTest, ::testing::ValuesIn(kBadCalls),
                         [](const ::testing::TestParamInfo<BadCall>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                             return name;
                         });

}  // namespace
