#include "rtexture.h"

#include "states.h"
#include "texture_interface.h"
#include "tmanager.h"

#include <engine/core/globals.h>
#include <engine/core/material.h>
#include <engine/core/render_timer.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

D3DRenderTextureManager* theD3DRenderTextureManager = nullptr;
D3DRenderMaterialManager* theD3DRenderMaterialManager = nullptr;

namespace {

// The last Direct3D result of this unit; material calls are not checked.
thread_local HRESULT hr = S_OK;

bool validStage(int stage) {
    return stage >= 0 && stage < RenderStateManager::textureStageCount;
}

double pausedTime() {
    return thePausedRenderTimer ? thePausedRenderTimer->getTime() : 0.0;
}

D3DCOLORVALUE colorValue(const Color& color) {
    D3DCOLORVALUE value;
    value.r = color.r;
    value.g = color.g;
    value.b = color.b;
    value.a = color.a;
    return value;
}

D3DCOLORVALUE colorValue(float r, float g, float b, float a) {
    return colorValue(Color(r, g, b, a));
}

D3DMATERIAL emptyMaterialData() {
    D3DMATERIAL data;
    std::memset(&data, 0, sizeof data);
    data.dwSize = sizeof data;
    return data;
}

// A Direct3D material holding `data` on the driver's device, with its handle;
// null (handle 0) without a driver or device.
IDirect3DMaterial3* makeDeviceMaterial(D3DMATERIAL& data, D3DMATERIALHANDLE& handle) {
    handle = 0;
    IDirect3D3* direct3D = theD3DRenderDriver ? theD3DRenderDriver->getDirect3D() : nullptr;
    IDirect3DDevice3* device = theD3DRenderDriver ? theD3DRenderDriver->getD3DDevice() : nullptr;
    if (!direct3D || !device)
        return nullptr;
    IDirect3DMaterial3* material = nullptr;
    hr = direct3D->CreateMaterial(&material, nullptr);
    if (FAILED(hr) || !material)
        return nullptr;
    hr = material->SetMaterial(&data);
    hr = material->GetHandle(device, &handle);
    return material;
}

void releaseDeviceMaterial(IDirect3DMaterial3*& material, D3DMATERIALHANDLE& handle) {
    if (material)
        material->Release();
    material = nullptr;
    handle = 0;
}

// Sets the device's material to none when it holds `handle`, and sends it at
// once, so the device never keeps the handle of a released material.
void takeOffDevice(D3DMATERIALHANDLE handle) {
    if (!theRenderStateManager || handle == 0)
        return;
    if (theRenderStateManager->getState(LS_MATERIAL) != handle)
        return;
    theRenderStateManager->setState(LS_MATERIAL, 0);
    theRenderStateManager->flush();
}

}  // namespace

// ===========================================================================
// RenderMap
// ===========================================================================

RenderMap* RenderMap::load(const char* name, int /*index*/, int mode) {
    if (!theD3DTextureManager || !name)
        return nullptr;
    TextureInterface* texture = theD3DTextureManager->createTexture(name, true, mode);
    if (!texture)
        return nullptr;
    if (theD3DRenderDriver)
        texture->restore(theD3DRenderDriver->getDirectDraw(), theD3DRenderDriver->getD3DDevice(),
                         0, false);
    return new RenderMap(texture);
}

RenderMap::RenderMap(TextureInterface* texture) {
    setTexture(texture);
}

RenderMap::~RenderMap() {
    release();
}

void RenderMap::setTexture(TextureInterface* newTexture) {
    if (newTexture != texture)
        release();
    texture = newTexture;
    owned = true;
    alpha = texture && texture->hasAlpha();
}

void RenderMap::borrowTexture(TextureInterface* newTexture) {
    if (newTexture != texture)
        release();
    texture = newTexture;
    owned = false;
    alpha = texture && texture->hasAlpha();
}

void RenderMap::release() {
    // Without the texture manager its textures are already gone.
    if (texture && owned && theD3DTextureManager) {
        texture->invalidate(0);
        theD3DTextureManager->destroyTexture(texture);
    }
    texture = nullptr;
    alpha = false;
}

AlphaFormat RenderMap::getAlphaFormat() const {
    const ImageContainer* image = texture ? texture->getImage() : nullptr;
    return image ? image->getAlphaFormat() : ALPHA_NONE;
}

void RenderMap::makeCurrent(int stage) const {
    if (theD3DTextureManager)
        theD3DTextureManager->setTexture(texture, stage);
}

// ===========================================================================
// RenderTexture
// ===========================================================================

RenderTexture::RenderTexture(const Texture& texture)
    : source(&texture), tilingType(texture.getTilingType()) {
    const int count = texture.getFrameCount();
    maps.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        RenderMap* map = RenderMap::load(texture.getFrameName(i), i, texture.getMode());
        maps.push_back(map);
        if (map && map->hasAlpha())
            alpha = 1;
    }
}

RenderTexture::~RenderTexture() {
    for (RenderMap* map : maps)
        delete map;
}

void RenderTexture::appendMap(RenderMap* map) {
    maps.push_back(map);
}

void RenderTexture::removeMap(RenderMap* map) {
    const auto it = std::find(maps.begin(), maps.end(), map);
    if (it != maps.end())
        maps.erase(it);
}

void RenderTexture::activate(RenderView&) {
    startTime = static_cast<float>(pausedTime());
}

void RenderTexture::deactivate(RenderView&) {}

long long RenderTexture::elapsedFrames(double seconds, float rate) {
    const double product = seconds * static_cast<double>(rate);
    if (!(product > 0.0))  // negative, zero or not a number
        return 0;
    // Far beyond any frame count; keeps the conversion defined.
    constexpr double limit = 1e15;
    return static_cast<long long>(std::nearbyint(std::min(product, limit) - 0.4997));
}

int RenderTexture::selectFrame(long long frame, int count, int animationType) {
    if (count <= 1 || frame <= 0)
        return 0;
    const long long n = count;
    const long long cycle = frame / n;
    const long long within = frame % n;
    switch (animationType) {
    case ANIMATION_BACK_AND_FORTH:
        return static_cast<int>(cycle % 2 != 0 ? n - 1 - within : within);
    case ANIMATION_ONCE:
        return static_cast<int>(cycle > 0 ? n - 1 : frame);
    default:  // loop, and any type the engine does not define
        return static_cast<int>(within);
    }
}

int RenderTexture::currentFrame() const {
    const int count = static_cast<int>(maps.size());
    if (count <= 1)
        return 0;
    const long long frame =
        elapsedFrames(pausedTime() - static_cast<double>(startTime), source->getFrameRate());
    return selectFrame(frame, count, source->getAnimationType());
}

void RenderTexture::makeCurrent(int stage) {
    if (!validStage(stage))
        return;
    if (!maps.empty()) {
        const RenderMap* map = maps[static_cast<size_t>(currentFrame())];
        if (map)
            map->makeCurrent(stage);
        else if (theD3DTextureManager)
            theD3DTextureManager->setTexture(nullptr, stage);  // a frame not loaded
    }
    if (!theRenderStateManager)
        return;
    const DWORD u = (tilingType & TILING_U) ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP;
    const DWORD v = (tilingType & TILING_V) ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP;
    theRenderStateManager->setState(TSS_ADDRESSU, stage, u);
    theRenderStateManager->setState(TSS_ADDRESSV, stage, v);
}

// ===========================================================================
// D3DRenderTextureManager
// ===========================================================================

RenderTexture* D3DRenderTextureManager::createTexture(const Texture& texture) {
    return new RenderTexture(texture);
}

void D3DRenderTextureManager::destroyTexture(RenderTexture* texture) {
    delete texture;
}

void D3DRenderTextureManager::setCurrentTexture(RenderTexture* texture) {
    setCurrentTexture(texture, 0);
}

void D3DRenderTextureManager::setCurrentTexture(RenderTexture* texture, int stage) {
    if (texture)
        texture->makeCurrent(stage);
}

// ===========================================================================
// RenderMaterial
// ===========================================================================

RenderMaterial::RenderMaterial(const Material& from) : source(&from), data(emptyMaterialData()) {
    const Color& specular = from.getSpecular();
    data.diffuse = colorValue(1.0f, 1.0f, 1.0f, 1.0f);
    data.ambient = colorValue(1.0f, 1.0f, 1.0f, 1.0f);
    data.specular = colorValue(specular);
    data.emissive = colorValue(from.getEmissive());
    data.power = specular.r + specular.g + specular.b > 0.0f ? from.getShininess() * 50.0f : 0.0f;
    if (from.getFlags() & Material::USE_COLOR) {
        data.diffuse = colorValue(from.getColor());
        data.ambient = colorValue(from.getColor());
    }
    createDeviceMaterial();

    for (int i = 0; i < textureCount; ++i) {
        const Texture* texture = from.getTexture(i);
        if (!texture)
            continue;
        textures[i] = theD3DRenderTextureManager
                          ? theD3DRenderTextureManager->createTexture(*texture)
                          : new RenderTexture(*texture);
        if (textures[i]->hasAlpha())
            alpha = true;
    }
}

RenderMaterial::~RenderMaterial() {
    if (theD3DRenderMaterialManager)
        theD3DRenderMaterialManager->flushMaterial(this);
    else
        takeOffDevice(handle);
    releaseDeviceMaterial(material, handle);
    for (RenderTexture*& texture : textures) {
        delete texture;
        texture = nullptr;
    }
}

void RenderMaterial::createDeviceMaterial() {
    material = makeDeviceMaterial(data, handle);
}

void RenderMaterial::invalidate() {
    releaseDeviceMaterial(material, handle);
}

void RenderMaterial::restore() {
    releaseDeviceMaterial(material, handle);
    createDeviceMaterial();
}

void RenderMaterial::makeCurrentMaterial() const {
    if (!theRenderStateManager)
        return;
    theRenderStateManager->setState(LS_MATERIAL, handle);
    const bool specular = hasSpecular() && g_driverSettings.specular;
    theRenderStateManager->setState(RS_SPECULARENABLE, specular ? 1u : 0u);
}

void RenderMaterial::makeCurrentTexture(int stage) const {
    if (!validStage(stage))
        return;
    if (textures[1]) {
        textures[1]->makeCurrent(stage);
        return;
    }
    if (theD3DTextureManager)
        theD3DTextureManager->setTexture(theD3DTextureManager->getSampleTexture(stage, ALPHA_NONE),
                                         stage);
}

// ===========================================================================
// D3DRenderMaterialManager
// ===========================================================================

D3DRenderMaterialManager::D3DRenderMaterialManager() : defaultData(emptyMaterialData()) {}

D3DRenderMaterialManager::~D3DRenderMaterialManager() {
    // The driver and the device are gone by now: nothing is taken off them.
    closing = true;
    std::vector<RenderMaterial*> left;
    {
        thread::Lock guard(this);
        left.swap(materials);
    }
    for (RenderMaterial* material : left)
        delete material;
    releaseDeviceMaterial(defaultMaterial, defaultHandle);
}

RenderMaterial* D3DRenderMaterialManager::createMaterial(const Material& material) {
    auto* made = new RenderMaterial(material);
    thread::Lock guard(this);
    materials.push_back(made);
    return made;
}

void D3DRenderMaterialManager::destroyMaterial(RenderMaterial* material) {
    if (!material)
        return;
    // The driver lock first, as the factories take it before this one:
    // flushMaterial needs it while this lock is held.
    const auto* driverLock = dynamic_cast<const thread::SynchronizedObject*>(theRenderDriver);
    std::optional<thread::Lock> driverGuard;
    if (driverLock)
        driverGuard.emplace(driverLock);
    thread::Lock guard(this);
    const auto found = std::find(materials.begin(), materials.end(), material);
    if (found == materials.end())
        return;
    materials.erase(found);
    delete material;
}

void D3DRenderMaterialManager::setCurrentMaterial(RenderMaterial* material) {
    if (material)
        material->makeCurrentMaterial();
}

void D3DRenderMaterialManager::createDefaultMaterial() {
    // A new device: the old default belonged to the previous one.
    releaseDeviceMaterial(defaultMaterial, defaultHandle);
    defaultData = emptyMaterialData();
    defaultData.diffuse = colorValue(1.0f, 1.0f, 1.0f, 1.0f);
    defaultData.ambient = colorValue(1.0f, 1.0f, 1.0f, 1.0f);
    defaultData.specular = colorValue(0.0f, 0.0f, 0.0f, 1.0f);
    defaultData.emissive = colorValue(0.0f, 0.0f, 0.0f, 1.0f);
    defaultData.power = 0.0f;
    defaultMaterial = makeDeviceMaterial(defaultData, defaultHandle);
}

void D3DRenderMaterialManager::setDefaultMaterial() {
    if (theRenderStateManager)
        theRenderStateManager->setState(LS_MATERIAL, defaultHandle);
}

void D3DRenderMaterialManager::destroyDefaultMaterial() {
    takeOffDevice(defaultHandle);
    releaseDeviceMaterial(defaultMaterial, defaultHandle);
}

void D3DRenderMaterialManager::flushMaterial(const RenderMaterial* material) {
    if (!material || closing)
        return;
    const auto* driverLock = dynamic_cast<const thread::SynchronizedObject*>(theRenderDriver);
    std::optional<thread::Lock> driverGuard;
    if (driverLock)
        driverGuard.emplace(driverLock);
    takeOffDevice(material->getHandle());
}

void D3DRenderMaterialManager::invalidateAll() {
    thread::Lock guard(this);
    setDefaultMaterial();
    // Sent now: the released handles must not stay on the device.
    if (theRenderStateManager)
        theRenderStateManager->flush();
    for (RenderMaterial* material : materials)
        material->invalidate();
}

void D3DRenderMaterialManager::restoreAll() {
    thread::Lock guard(this);
    for (RenderMaterial* material : materials)
        material->restore();
}

std::size_t D3DRenderMaterialManager::getMaterialCount() const {
    thread::Lock guard(this);
    return materials.size();
}
