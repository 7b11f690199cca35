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
D3DDEVICEDESC gHardware{sizeof(D3DDEVICEDESC)};
D3DMATRIX gMatrix{};
DWORD gValue = 0;
D3DMATERIALHANDLE gHandle = 0;
IDirect3DVertexBuffer* gBuffer = nullptr;
IDirect3DViewport3* gViewport = nullptr;
IDirect3DTexture2* gTexture = nullptr;

const BadCall kBadCalls[] = {
    {"CreateLight null", [](const Objects& o) { return o.d3d->CreateLight(nullptr, nullptr); }},
    {"CreateMaterial null", [](const Objects& o) { return o.d3d->CreateMaterial(nullptr, nullptr); }},
    {"CreateViewport null", [](const Objects& o) { return o.d3d->CreateViewport(nullptr, nullptr); }},
    {"CreateDevice null out",
     [](const Objects& o) { return o.d3d->CreateDevice(IID_IDirect3DRGBDevice, nullptr, nullptr, nullptr); }},
    {"CreateVertexBuffer null desc",
     [](const Objects& o) { return o.d3d->CreateVertexBuffer(nullptr, &gBuffer, 0, nullptr); }},
    {"EnumDevices null", [](const Objects& o) { return o.d3d->EnumDevices(nullptr, nullptr); }},
    {"EnumZBufferFormats null",
     [](const Objects& o) { return o.d3d->EnumZBufferFormats(IID_IDirect3DRGBDevice, nullptr, nullptr); }},
    {"FindDevice null", [](const Objects& o) { return o.d3d->FindDevice(nullptr, nullptr); }},
    {"GetCaps both null", [](const Objects& o) { return o.device->GetCaps(nullptr, nullptr); }},
    {"GetCaps null software",
     [](const Objects& o) { return o.device->GetCaps(&gHardware, nullptr); }},
    {"GetStats null", [](const Objects& o) { return o.device->GetStats(nullptr); }},
    {"AddViewport null", [](const Objects& o) { return o.device->AddViewport(nullptr); }},
    {"DeleteViewport null", [](const Objects& o) { return o.device->DeleteViewport(nullptr); }},
    {"NextViewport null out",
     [](const Objects& o) { return o.device->NextViewport(o.viewport, nullptr, D3DNEXT_NEXT); }},
    {"NextViewport bad flags",
     [](const Objects& o) { return o.device->NextViewport(o.viewport, &gViewport, 0x80); }},
    {"EnumTextureFormats null", [](const Objects& o) { return o.device->EnumTextureFormats(nullptr, nullptr); }},
    {"GetDirect3D null", [](const Objects& o) { return o.device->GetDirect3D(nullptr); }},
    {"GetCurrentViewport null", [](const Objects& o) { return o.device->GetCurrentViewport(nullptr); }},
    {"SetRenderTarget null", [](const Objects& o) { return o.device->SetRenderTarget(nullptr, 0); }},
    {"GetRenderTarget null", [](const Objects& o) { return o.device->GetRenderTarget(nullptr); }},
    {"BeginIndexed null vertices",
     [](const Objects& o) { return o.device->BeginIndexed(D3DPT_TRIANGLELIST, kTLFormat, nullptr, 3, 0); }},
    {"Vertex null", [](const Objects& o) { return o.device->Vertex(nullptr); }},
    {"GetRenderState null",
     [](const Objects& o) { return o.device->GetRenderState(D3DRENDERSTATE_ZENABLE, nullptr); }},
    {"GetRenderState out of range",
     [](const Objects& o) { return o.device->GetRenderState(kNoState, &gValue); }},
    {"SetRenderState out of range",
     [](const Objects& o) { return o.device->SetRenderState(kNoState, 1); }},
    {"GetLightState null",
     [](const Objects& o) { return o.device->GetLightState(D3DLIGHTSTATE_AMBIENT, nullptr); }},
    {"SetTransform null",
     [](const Objects& o) { return o.device->SetTransform(D3DTRANSFORMSTATE_WORLD, nullptr); }},
    {"SetTransform out of range",
     [](const Objects& o) { return o.device->SetTransform(kNoTransform, &gMatrix); }},
    {"GetTransform null",
     [](const Objects& o) { return o.device->GetTransform(D3DTRANSFORMSTATE_VIEW, nullptr); }},
    {"MultiplyTransform null",
     [](const Objects& o) { return o.device->MultiplyTransform(D3DTRANSFORMSTATE_VIEW, nullptr); }},
    {"DrawPrimitive null vertices",
     [](const Objects& o) { return o.device->DrawPrimitive(D3DPT_TRIANGLELIST, kTLFormat, nullptr, 3, 0); }},
    {"DrawPrimitive bad type",
     [](const Objects& o) {
         return o.device->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(77), kTLFormat, gTriangle, 3, 0);
     }},
    {"DrawIndexedPrimitive null indices",
     [](const Objects& o) {
         return o.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, kTLFormat, gTriangle, 3, nullptr, 3, 0);
     }},
    {"DrawIndexedPrimitive null vertices",
     [](const Objects& o) {
         return o.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, kTLFormat, nullptr, 3, gIndices, 3, 0);
     }},
    {"DrawIndexedPrimitive index past the vertices",
     [](const Objects& o) {
         return o.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, kTLFormat, gTriangle, 3, gFarIndices, 3, 0);
     }},
    {"SetClipStatus null", [](const Objects& o) { return o.device->SetClipStatus(nullptr); }},
    {"GetClipStatus null", [](const Objects& o) { return o.device->GetClipStatus(nullptr); }},
    {"DrawPrimitiveStrided null",
     [](const Objects& o) {
         return o.device->DrawPrimitiveStrided(D3DPT_TRIANGLELIST, D3DFVF_XYZ, nullptr, 3, 0);
     }},
    {"DrawIndexedPrimitiveStrided null indices",
     [](const Objects& o) {
         D3DDRAWPRIMITIVESTRIDEDDATA data{};
         float xyz[9] = {};
         data.position = {xyz, 12};
         return o.device->DrawIndexedPrimitiveStrided(D3DPT_TRIANGLELIST, D3DFVF_XYZ, &data, 3, nullptr, 3, 0);
     }},
    {"DrawPrimitiveVB null", [](const Objects& o) { return o.device->DrawPrimitiveVB(D3DPT_TRIANGLELIST, nullptr, 0, 3, 0); }},
    {"DrawPrimitiveVB past the end",
     [](const Objects& o) { return o.device->DrawPrimitiveVB(D3DPT_TRIANGLELIST, o.buffer, 2, 3, 0); }},
    {"DrawIndexedPrimitiveVB null indices",
     [](const Objects& o) {
         return o.device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, o.buffer, nullptr, 3, 0);
     }},
    {"DrawIndexedPrimitiveVB index past the end",
     [](const Objects& o) {
         return o.device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, o.buffer, gFarIndices, 3, 0);
     }},
    {"ComputeSphereVisibility null centres",
     [](const Objects& o) { return o.device->ComputeSphereVisibility(nullptr, &gR, 1, 0, &gV); }},
    {"ComputeSphereVisibility null results",
     [](const Objects& o) { return o.device->ComputeSphereVisibility(&gC, &gR, 1, 0, nullptr); }},
    {"ComputeSphereVisibility bad flags",
     [](const Objects& o) { return o.device->ComputeSphereVisibility(&gC, &gR, 1, 1, &gV); }},
    {"GetTexture null", [](const Objects& o) { return o.device->GetTexture(0, nullptr); }},
    {"GetTexture stage out of range",
     [](const Objects& o) { return o.device->GetTexture(8, &gTexture); }},
    {"SetTexture stage out of range", [](const Objects& o) { return o.device->SetTexture(8, o.texture); }},
    {"GetTextureStageState null",
     [](const Objects& o) { return o.device->GetTextureStageState(0, D3DTSS_COLOROP, nullptr); }},
    {"GetTextureStageState stage out of range",
     [](const Objects& o) { return o.device->GetTextureStageState(8, D3DTSS_COLOROP, &gValue); }},
    {"SetTextureStageState state out of range",
     [](const Objects& o) {
         return o.device->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(900), 1);
     }},
    {"ValidateDevice null", [](const Objects& o) { return o.device->ValidateDevice(nullptr); }},
    {"Viewport GetViewport null", [](const Objects& o) { return o.viewport->GetViewport(nullptr); }},
    {"Viewport SetViewport null", [](const Objects& o) { return o.viewport->SetViewport(nullptr); }},
    {"Viewport GetViewport2 null", [](const Objects& o) { return o.viewport->GetViewport2(nullptr); }},
    {"Viewport SetViewport2 null", [](const Objects& o) { return o.viewport->SetViewport2(nullptr); }},
    {"Viewport TransformVertices null",
     [](const Objects& o) { return o.viewport->TransformVertices(1, nullptr, 0, nullptr); }},
    {"Viewport LightElements null", [](const Objects& o) { return o.viewport->LightElements(1, nullptr); }},
    {"Viewport GetBackground null", [](const Objects& o) { return o.viewport->GetBackground(nullptr, nullptr); }},
    {"Viewport GetBackgroundDepth null",
     [](const Objects& o) { return o.viewport->GetBackgroundDepth(nullptr, nullptr); }},
    {"Viewport GetBackgroundDepth2 null",
     [](const Objects& o) { return o.viewport->GetBackgroundDepth2(nullptr, nullptr); }},
    {"Viewport Clear null rects",
     [](const Objects& o) { return o.viewport->Clear(1, nullptr, D3DCLEAR_TARGET); }},
    {"Viewport Clear2 null rects",
     [](const Objects& o) { return o.viewport->Clear2(2, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0); }},
    {"Viewport AddLight null", [](const Objects& o) { return o.viewport->AddLight(nullptr); }},
    {"Viewport DeleteLight null", [](const Objects& o) { return o.viewport->DeleteLight(nullptr); }},
    {"Viewport NextLight null out",
     [](const Objects& o) { return o.viewport->NextLight(nullptr, nullptr, D3DNEXT_HEAD); }},
    {"Light SetLight null", [](const Objects& o) { return o.light->SetLight(nullptr); }},
    {"Light GetLight null", [](const Objects& o) { return o.light->GetLight(nullptr); }},
    {"Material SetMaterial null", [](const Objects& o) { return o.material->SetMaterial(nullptr); }},
    {"Material GetMaterial null", [](const Objects& o) { return o.material->GetMaterial(nullptr); }},
    {"Material GetHandle null", [](const Objects& o) { return o.material->GetHandle(o.device, nullptr); }},
    {"Material GetHandle no device",
     [](const Objects& o) { return o.material->GetHandle(nullptr, &gHandle); }},
    {"Texture GetHandle null", [](const Objects& o) { return o.texture->GetHandle(nullptr, nullptr); }},
    {"Texture Load null", [](const Objects& o) { return o.texture->Load(nullptr); }},
    {"VertexBuffer Lock null", [](const Objects& o) { return o.buffer->Lock(0, nullptr, nullptr); }},
    {"VertexBuffer GetVertexBufferDesc null",
     [](const Objects& o) { return o.buffer->GetVertexBufferDesc(nullptr); }},
    {"VertexBuffer Optimize null device", [](const Objects& o) { return o.buffer->Optimize(nullptr, 0); }},
    {"VertexBuffer ProcessVertices null source",
     [](const Objects& o) {
         return o.buffer->ProcessVertices(D3DVOP_TRANSFORM, 0, 1, nullptr, 0, o.device, 0);
     }},
    {"VertexBuffer ProcessVertices null device",
     [](const Objects& o) {
         return o.buffer->ProcessVertices(D3DVOP_TRANSFORM, 0, 1, o.buffer, 0, nullptr, 0);
     }},
    {"VertexBuffer ProcessVertices past the end",
     [](const Objects& o) {
         return o.buffer->ProcessVertices(D3DVOP_TRANSFORM, 2, 3, o.buffer, 0, o.device, 0);
     }},
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
    Objects objects() const { return {d3d, device, viewport, light_, material_, texture_, buffer_}; }

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
