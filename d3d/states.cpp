// Render state manager and meta states.
#include "states.h"

#include "tmanager.h"

#include <algorithm>
#include <cstdio>

// ===========================================================================
// Counter
// ===========================================================================

Counter::Counter(const char* name) : name(name ? name : "") {}

Counter::~Counter() {
    const LONG left = getValue();
    if (left != 0)
        std::fprintf(stderr, "D3D driver: %s counter has %d value\n", name.c_str(),
                     static_cast<int>(left));
}

LONG Counter::increment() {
    return InterlockedIncrement(&value);
}

LONG Counter::decrement() {
    return InterlockedDecrement(&value);
}

LONG Counter::getValue() const {
    // Other threads change it through the interlocked calls; read it the same way.
    return InterlockedCompareExchange(const_cast<volatile LONG*>(&value), 0, 0);
}

// ===========================================================================
// Translation of the engine's numbering
// ===========================================================================

namespace {

constexpr DWORD renderStateNumbers[RS_COUNT] = {
    D3DRENDERSTATE_ANTIALIAS,        D3DRENDERSTATE_ZENABLE,        D3DRENDERSTATE_FILLMODE,
    D3DRENDERSTATE_SHADEMODE,        D3DRENDERSTATE_ZWRITEENABLE,   D3DRENDERSTATE_TEXTUREMAG,
    D3DRENDERSTATE_TEXTUREMIN,       D3DRENDERSTATE_SRCBLEND,       D3DRENDERSTATE_DESTBLEND,
    D3DRENDERSTATE_CULLMODE,         D3DRENDERSTATE_ZFUNC,          D3DRENDERSTATE_DITHERENABLE,
    D3DRENDERSTATE_ALPHABLENDENABLE, D3DRENDERSTATE_FOGENABLE,      D3DRENDERSTATE_SPECULARENABLE,
    D3DRENDERSTATE_FOGCOLOR,         D3DRENDERSTATE_FOGTABLEMODE,   D3DRENDERSTATE_FOGSTART,
    D3DRENDERSTATE_FOGEND,           D3DRENDERSTATE_FOGDENSITY,     D3DRENDERSTATE_EDGEANTIALIAS,
    D3DRENDERSTATE_COLORKEYENABLE,   D3DRENDERSTATE_RANGEFOGENABLE, D3DRENDERSTATE_ANISOTROPY,
    D3DRENDERSTATE_TEXTUREFACTOR,    D3DRENDERSTATE_ALPHAREF,       D3DRENDERSTATE_ALPHATESTENABLE,
    D3DRENDERSTATE_ALPHAFUNC,
};

constexpr DWORD textureStageStateNumbers[TSS_COUNT] = {
    D3DTSS_COLOROP,       D3DTSS_COLORARG1,   D3DTSS_COLORARG2,     D3DTSS_ALPHAOP,
    D3DTSS_ALPHAARG1,     D3DTSS_ALPHAARG2,   D3DTSS_TEXCOORDINDEX, D3DTSS_ADDRESSU,
    D3DTSS_ADDRESSV,      D3DTSS_MAGFILTER,   D3DTSS_MINFILTER,     D3DTSS_MIPFILTER,
    D3DTSS_MIPMAPLODBIAS, D3DTSS_MAXMIPLEVEL, D3DTSS_MAXANISOTROPY,
};

bool valid(RenderStateType type) {
    return static_cast<int>(type) >= 0 && static_cast<int>(type) < RS_COUNT;
}
bool valid(LightStateType type) {
    return static_cast<int>(type) >= 0 && static_cast<int>(type) < LS_COUNT;
}
bool valid(TextureStageStateType type, int stage) {
    return static_cast<int>(type) >= 0 && static_cast<int>(type) < TSS_COUNT && stage >= 0 &&
           stage < RenderStateManager::textureStageCount;
}

DWORD lightStateNumber(LightStateType type) {
    return static_cast<DWORD>(type) + 1;
}

bool validRenderNumber(DWORD type) {
    return type >= 1 && type < static_cast<DWORD>(RenderStateManager::renderStateCount);
}
bool validLightNumber(DWORD type) {
    return type >= 1 && type < static_cast<DWORD>(RenderStateManager::lightStateCount);
}
bool validTextureStageNumber(DWORD stage, DWORD type) {
    return stage < static_cast<DWORD>(RenderStateManager::textureStageCount) && type >= 1 &&
           type < static_cast<DWORD>(RenderStateManager::textureStageStateCount);
}

// Without a device nothing can be sent; the shadow copy goes on as if it had.
HRESULT sendRenderState(DWORD type, DWORD value) {
    IDirect3DDevice3* device = g_pDevice;
    return device ? device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(type), value)
                  : DDERR_INVALIDOBJECT;
}
HRESULT sendLightState(DWORD type, DWORD value) {
    IDirect3DDevice3* device = g_pDevice;
    return device ? device->SetLightState(static_cast<D3DLIGHTSTATETYPE>(type), value)
                  : DDERR_INVALIDOBJECT;
}
HRESULT sendTextureStageState(DWORD stage, DWORD type, DWORD value) {
    IDirect3DDevice3* device = g_pDevice;
    return device ? device->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type),
                                                 value)
                  : DDERR_INVALIDOBJECT;
}

// The predefined meta states, filled by the manager's constructor.
MultipleStatesMetaState modulateState;
MultipleStatesMetaState modulateAlphaState;
MultipleStatesMetaState diffuseAlphaState;
MultipleStatesMetaState renderRegularState;
MultipleStatesMetaState renderAlphaState;
MultipleStatesMetaState defaultState;

MultipleStatesMetaState* const predefinedStates[] = {
    &modulateState,      &modulateAlphaState, &diffuseAlphaState,
    &renderRegularState, &renderAlphaState,   &defaultState,
};

}  // namespace

int MS_MODULATE = -1;
int MS_MODULATE_ALPHA = -1;
int MS_DIFFUSE_ALPHA = -1;
int MS_RENDER_REGULAR = -1;
int MS_RENDER_ALPHA = -1;
int MS_DEFAULT = -1;
int MS_ALPHA_SELECT_TEXTURE;
int MS_ALPHA_SELECT_DIFFUSE;
int MS_ALPHA_SELECT_FACTOR;
int MS_ALPHA_MODULATE_TEXTURE_DIFFUSE;
int MS_ALPHA_MODULATE_TEXTURE_FACTOR;
int MS_ALPHA_MODULATE_DIFFUSE_FACTOR;
int MS_ALPHA_MODULATE_TEXTURE_DIFFUSE_FACTOR;

RenderStateManager* theRenderStateManager = nullptr;

// ===========================================================================
// Render state manager
// ===========================================================================

RenderStateManager::State RenderStateManager::renderStates[renderStateCount];
RenderStateManager::State RenderStateManager::lightStates[lightStateCount];
RenderStateManager::State RenderStateManager::textureStageStates[textureStageCount]
                                                                [textureStageStateCount];
DWORD RenderStateManager::stageCount = 0;
HRESULT RenderStateManager::lastResult = D3D_OK;

RenderStateManager::RenderStateManager() {
    std::fill(std::begin(renderStates), std::end(renderStates), State{});
    std::fill(std::begin(lightStates), std::end(lightStates), State{});
    for (auto& stage : textureStageStates)
        std::fill(std::begin(stage), std::end(stage), State{});

    for (DWORD number : renderStateNumbers)
        renderStates[number].deferred = 1;
    for (int type = 0; type < LS_COUNT; ++type)
        lightStates[lightStateNumber(static_cast<LightStateType>(type))].deferred = 1;
    for (auto& stage : textureStageStates)
        for (DWORD number : textureStageStateNumbers)
            stage[number].deferred = 1;

    buildPredefinedMetaStates();
}

RenderStateManager::~RenderStateManager() {
    if (theRenderStateManager == this)
        theRenderStateManager = nullptr;
}

// --- By Direct3D number ----------------------------------------------------

HRESULT RenderStateManager::setRenderState(D3DRENDERSTATETYPE type, DWORD value) {
    lastResult = D3D_OK;
    const DWORD number = type;
    if (!validRenderNumber(number))
        return lastResult = DDERR_INVALIDPARAMS;
    State& state = renderStates[number];
    if (!state.deferred) {
        if (state.deviceValue != value)
            lastResult = sendRenderState(number, value);
        state.deviceValue = value;
        state.value = value;
        state.queued = 0;
    } else {
        queue(state, renderChanges, number);
        state.value = value;
    }
    return lastResult;
}

HRESULT RenderStateManager::setLightState(D3DLIGHTSTATETYPE type, DWORD value) {
    lastResult = D3D_OK;
    const DWORD number = type;
    if (!validLightNumber(number))
        return lastResult = DDERR_INVALIDPARAMS;
    State& state = lightStates[number];
    if (!state.deferred) {
        if (state.deviceValue != value)
            lastResult = sendLightState(number, value);
        state.deviceValue = value;
        state.value = value;
        state.queued = 0;
    } else {
        queue(state, lightChanges, number);
        state.value = value;
    }
    return lastResult;
}

HRESULT RenderStateManager::setTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                 DWORD value) {
    lastResult = D3D_OK;
    const DWORD number = type;
    if (!validTextureStageNumber(stage, number))
        return lastResult = DDERR_INVALIDPARAMS;
    State& state = textureStageStates[stage][number];
    if (!state.deferred) {
        if (state.deviceValue != value)
            lastResult = sendTextureStageState(stage, number, value);
        state.deviceValue = value;
        state.value = value;
        state.queued = 0;
    } else {
        queue(stage, number);
        state.value = value;
    }
    return lastResult;
}

HRESULT RenderStateManager::getRenderState(D3DRENDERSTATETYPE type, DWORD* value) const {
    if (!value || !validRenderNumber(type))
        return DDERR_INVALIDPARAMS;
    *value = renderStates[type].value;
    return D3D_OK;
}

HRESULT RenderStateManager::getLightState(D3DLIGHTSTATETYPE type, DWORD* value) const {
    if (!value || !validLightNumber(type))
        return DDERR_INVALIDPARAMS;
    *value = lightStates[type].value;
    return D3D_OK;
}

HRESULT RenderStateManager::getTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                                 DWORD* value) const {
    if (!value || !validTextureStageNumber(stage, type))
        return DDERR_INVALIDPARAMS;
    *value = textureStageStates[stage][type].value;
    return D3D_OK;
}

void RenderStateManager::queue(State& state, std::vector<DWORD>& list, DWORD number) {
    if (state.queued)
        return;
    list.push_back(number);
    state.queued = 1;
    changed = true;
}

void RenderStateManager::queue(DWORD stage, DWORD type) {
    State& state = textureStageStates[stage][type];
    if (state.queued)
        return;
    textureStageChanges.push_back({stage, type});
    state.queued = 1;
    changed = true;
}

// --- By the engine's numbering ---------------------------------------------

void RenderStateManager::setState(RenderStateType type, DWORD value) {
    if (!valid(type))
        return;
    const DWORD number = renderStateNumbers[type];
    State& state = renderStates[number];
    if (state.value == value)
        return;
    queue(state, renderChanges, number);
    state.value = value;
}

void RenderStateManager::setState(LightStateType type, DWORD value) {
    if (!valid(type))
        return;
    const DWORD number = lightStateNumber(type);
    State& state = lightStates[number];
    if (state.value == value)
        return;
    queue(state, lightChanges, number);
    state.value = value;
}

void RenderStateManager::setState(TextureStageStateType type, int stage, DWORD value) {
    if (!valid(type, stage))
        return;
    const DWORD number = textureStageStateNumbers[type];
    State& state = textureStageStates[stage][number];
    if (state.value == value)
        return;
    queue(static_cast<DWORD>(stage), number);
    state.value = value;
}

DWORD RenderStateManager::getState(RenderStateType type) const {
    return valid(type) ? renderStates[renderStateNumbers[type]].value : 0;
}

DWORD RenderStateManager::getState(LightStateType type) const {
    return valid(type) ? lightStates[lightStateNumber(type)].value : 0;
}

DWORD RenderStateManager::getState(TextureStageStateType type, int stage) const {
    return valid(type, stage) ? textureStageStates[stage][textureStageStateNumbers[type]].value : 0;
}

// --- Stacks ------------------------------------------------------------------

DWORD RenderStateManager::pushState(RenderStateType type) {
    if (!valid(type))
        return 0;
    const DWORD value = getState(type);
    renderStack.emplace_back(type, value);
    return value;
}

DWORD RenderStateManager::pushState(LightStateType type) {
    if (!valid(type))
        return 0;
    const DWORD value = getState(type);
    lightStack.emplace_back(type, value);
    return value;
}

DWORD RenderStateManager::pushState(TextureStageStateType type, int stage) {
    if (!valid(type, stage))
        return 0;
    const DWORD value = getState(type, stage);
    textureStageStack.push_back({type, stage, value});
    return value;
}

// The latest entry of the type is taken, even from under later pushes of
// other types, so that nested users of different states need not pop in
// strict reverse order.
DWORD RenderStateManager::popState(RenderStateType type) {
    const auto found = std::find_if(renderStack.rbegin(), renderStack.rend(),
                                    [type](const auto& entry) { return entry.first == type; });
    if (found == renderStack.rend())
        return getState(type);
    const DWORD value = found->second;
    renderStack.erase(std::next(found).base());
    setState(type, value);
    return value;
}

DWORD RenderStateManager::popState(LightStateType type) {
    const auto found = std::find_if(lightStack.rbegin(), lightStack.rend(),
                                    [type](const auto& entry) { return entry.first == type; });
    if (found == lightStack.rend())
        return getState(type);
    const DWORD value = found->second;
    lightStack.erase(std::next(found).base());
    setState(type, value);
    return value;
}

DWORD RenderStateManager::popState(TextureStageStateType type, int stage) {
    const auto found = std::find_if(
        textureStageStack.rbegin(), textureStageStack.rend(),
        [type, stage](const auto& entry) { return entry.type == type && entry.stage == stage; });
    if (found == textureStageStack.rend())
        return getState(type, stage);
    const DWORD value = found->value;
    textureStageStack.erase(std::next(found).base());
    setState(type, stage, value);
    return value;
}

void RenderStateManager::pushAll() {
    SavedStates saved;
    saved.stages = std::min<DWORD>(stageCount, textureStageCount);
    saved.values.reserve((renderStateCount - 1) + (lightStateCount - 1) +
                         saved.stages * (textureStageStateCount - 1));
    for (int type = 1; type < renderStateCount; ++type)
        saved.values.push_back(renderStates[type].value);
    for (int type = 1; type < lightStateCount; ++type)
        saved.values.push_back(lightStates[type].value);
    for (DWORD stage = 0; stage < saved.stages; ++stage)
        for (int type = 1; type < textureStageStateCount; ++type)
            saved.values.push_back(textureStageStates[stage][type].value);
    savedAll.push_back(std::move(saved));
}

void RenderStateManager::popAll() {
    if (savedAll.empty())
        return;
    const SavedStates saved = std::move(savedAll.back());
    savedAll.pop_back();
    auto value = saved.values.begin();
    for (int type = 1; type < renderStateCount; ++type)
        setRenderState(static_cast<D3DRENDERSTATETYPE>(type), *value++);
    for (int type = 1; type < lightStateCount; ++type)
        setLightState(static_cast<D3DLIGHTSTATETYPE>(type), *value++);
    for (DWORD stage = 0; stage < saved.stages; ++stage)
        for (int type = 1; type < textureStageStateCount; ++type)
            setTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type), *value++);
}

// --- Meta states -------------------------------------------------------------

int RenderStateManager::registerMetaState(const char* name, RenderMetaState* state) {
    if (!name || !*name)
        return -1;
    const int id = findMetaState(name);
    if (id >= 0) {
        metaStates[id].state = state;
        return id;
    }
    metaStates.push_back({name, state});
    return static_cast<int>(metaStates.size()) - 1;
}

// The entry stays, nameless and empty, so that no other id moves.
RenderMetaState* RenderStateManager::unregisterMetaState(const char* name) {
    const int id = findMetaState(name);
    if (id < 0)
        return nullptr;
    RenderMetaState* state = metaStates[id].state;
    metaStates[id].name.clear();
    metaStates[id].state = nullptr;
    return state;
}

int RenderStateManager::findMetaState(const char* name) const {
    if (!name || !*name)
        return -1;
    for (std::size_t id = 0; id < metaStates.size(); ++id)
        if (metaStates[id].name == name)
            return static_cast<int>(id);
    return -1;
}

RenderMetaState* RenderStateManager::metaState(int id) const {
    if (id < 0 || static_cast<std::size_t>(id) >= metaStates.size())
        return nullptr;
    return metaStates[id].state;
}

SupportStatus RenderStateManager::checkState(int id) {
    RenderMetaState* state = metaState(id);
    if (!state)
        return STATUS_NOT_SUPPORTED;
    if (state->supported() == STATUS_NOT_KNOWN)
        state->update();
    return state->supported();
}

void RenderStateManager::setState(int id) {
    if (RenderMetaState* state = metaState(id))
        state->set();
}

void RenderStateManager::unsetState(int id) {
    if (RenderMetaState* state = metaState(id))
        state->unset();
}

// --- Device life cycle ---------------------------------------------------------

void RenderStateManager::update() {
    const D3DDEVICEDESC& description =
        theCapabilities.hardware.dwFlags ? theCapabilities.hardware : theCapabilities.software;
    stageCount = std::min<DWORD>(description.wMaxTextureBlendStages, textureStageCount);
    current();
    for (MultipleStatesMetaState* state : predefinedStates)
        state->update();
}

// A read the device refuses leaves the shadow value as it was.
void RenderStateManager::current() {
    IDirect3DDevice3* device = g_pDevice;
    for (int type = 1; type < renderStateCount; ++type) {
        State& state = renderStates[type];
        if (device)
            device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(type), &state.deviceValue);
        state.value = state.deviceValue;
        state.queued = 0;
    }
    for (int type = 1; type < lightStateCount; ++type) {
        State& state = lightStates[type];
        if (device)
            device->GetLightState(static_cast<D3DLIGHTSTATETYPE>(type), &state.deviceValue);
        state.value = state.deviceValue;
        state.queued = 0;
    }
    for (int stage = 0; stage < textureStageCount; ++stage)
        for (int type = 1; type < textureStageStateCount; ++type) {
            State& state = textureStageStates[stage][type];
            if (device)
                device->GetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type),
                                             &state.deviceValue);
            state.value = state.deviceValue;
            state.queued = 0;
        }
    changed = false;
}

void RenderStateManager::flush() {
    if (changed)
        wide_flush();
}

void RenderStateManager::wide_flush() {
    for (DWORD number : renderChanges) {
        State& state = renderStates[number];
        if (state.value != state.deviceValue) {
            lastResult = sendRenderState(number, state.value);
            state.deviceValue = state.value;
        }
        state.queued = 0;
    }
    for (DWORD number : lightChanges) {
        State& state = lightStates[number];
        if (state.value != state.deviceValue) {
            lastResult = sendLightState(number, state.value);
            state.deviceValue = state.value;
        }
        state.queued = 0;
    }
    for (const TextureStageChange& change : textureStageChanges) {
        State& state = textureStageStates[change.stage][change.type];
        if (state.value != state.deviceValue) {
            lastResult = sendTextureStageState(change.stage, change.type, state.value);
            state.deviceValue = state.value;
        }
        state.queued = 0;
    }
    renderChanges.clear();
    lightChanges.clear();
    textureStageChanges.clear();
    changed = false;
}

// --- Predefined meta states ------------------------------------------------------

namespace {

// Texture colour times diffuse colour on stage 0, stage 1 off; the alpha
// operation on stage 0 is what tells the three bundles apart.
void addTextureCombine(MultipleStatesMetaState& state, DWORD alphaOperation) {
    state.add(TSS_COLORARG1, 0, D3DTA_TEXTURE, 0);
    state.add(TSS_COLOROP, 0, D3DTOP_MODULATE, 0);
    state.add(TSS_COLORARG2, 0, D3DTA_DIFFUSE, 0);
    state.add(TSS_ALPHAARG1, 0, D3DTA_TEXTURE, 0);
    state.add(TSS_ALPHAOP, 0, alphaOperation, 0);
    state.add(TSS_ALPHAARG2, 0, D3DTA_DIFFUSE, 0);
    state.add(TSS_COLOROP, 1, D3DTOP_DISABLE, 0);
    state.add(TSS_ALPHAOP, 1, D3DTOP_DISABLE, 0);
}

void addRenderRegular(MultipleStatesMetaState& state) {
    state.add(RS_ALPHABLENDENABLE, FALSE, 0);
    state.add(RS_ZWRITEENABLE, TRUE, 0);
}

void addRenderAlpha(MultipleStatesMetaState& state) {
    state.add(RS_ZWRITEENABLE, FALSE, 0);
    state.add(RS_ALPHABLENDENABLE, TRUE, 0);
    state.add(RS_SRCBLEND, D3DBLEND_SRCALPHA, 0);
    state.add(RS_DESTBLEND, D3DBLEND_INVSRCALPHA, 0);
}

void addDefault(MultipleStatesMetaState& state) {
    state.add(TSS_COLORARG1, 0, D3DTA_TEXTURE, 0);
    state.add(TSS_COLOROP, 0, D3DTOP_MODULATE, 0);
    state.add(TSS_COLORARG2, 0, D3DTA_DIFFUSE, 0);
    state.add(TSS_ALPHAARG1, 0, D3DTA_TEXTURE, 0);
    state.add(TSS_ALPHAOP, 0, D3DTOP_SELECTARG1, 0);
    state.add(TSS_COLOROP, 1, D3DTOP_DISABLE, 0);
    state.add(TSS_ALPHAOP, 1, D3DTOP_DISABLE, 0);
    state.add(RS_ALPHABLENDENABLE, FALSE, 0);
    state.add(RS_SRCBLEND, D3DBLEND_SRCALPHA, 0);
    state.add(RS_DESTBLEND, D3DBLEND_INVSRCALPHA, 0);
    state.add(RS_CULLMODE, D3DCULL_CCW, 0);
    state.add(TSS_MINFILTER, 0, D3DTFN_LINEAR, 0);
    state.add(TSS_MAGFILTER, 0, D3DTFG_LINEAR, 0);
    state.add(TSS_MIPFILTER, 0, D3DTFP_LINEAR, 0);
    state.add(TSS_MINFILTER, 1, D3DTFN_LINEAR, 0);
    state.add(TSS_MAGFILTER, 1, D3DTFG_LINEAR, 0);
    state.add(TSS_MIPFILTER, 1, D3DTFP_LINEAR, 0);
    state.add(RS_DITHERENABLE, TRUE, 0);
    state.add(RS_SPECULARENABLE, TRUE, 0);
    state.add(TSS_ADDRESSU, 0, D3DTADDRESS_CLAMP, 0);
    state.add(TSS_ADDRESSV, 0, D3DTADDRESS_CLAMP, 0);
}

}  // namespace

// The objects are process-wide, so a manager made again (the library loaded
// a second time) starts them afresh instead of adding to them.
void RenderStateManager::buildPredefinedMetaStates() {
    for (MultipleStatesMetaState* state : predefinedStates)
        state->clear();
    addTextureCombine(modulateState, D3DTOP_SELECTARG1);
    addTextureCombine(modulateAlphaState, D3DTOP_MODULATE);
    addTextureCombine(diffuseAlphaState, D3DTOP_SELECTARG2);
    addRenderRegular(renderRegularState);
    addRenderAlpha(renderAlphaState);
    addDefault(defaultState);

    MS_MODULATE = registerMetaState("Modulate", &modulateState);
    MS_MODULATE_ALPHA = registerMetaState("ModulateAlpha", &modulateAlphaState);
    MS_DIFFUSE_ALPHA = registerMetaState("DiffuseAlpha", &diffuseAlphaState);
    MS_RENDER_REGULAR = registerMetaState("RenderRegular", &renderRegularState);
    MS_RENDER_ALPHA = registerMetaState("RenderAlpha", &renderAlphaState);
    MS_DEFAULT = registerMetaState("Default", &defaultState);
}

// ===========================================================================
// MultipleStatesMetaState
// ===========================================================================

MultipleStatesMetaState::MultipleStatesMetaState(const MultipleStatesMetaState& other)
    : RenderMetaState(other), variants(other.variants), status(other.status) {
    for (auto& [key, states] : other.variants)
        if (&states == other.current)
            current = &variants[key];
}

MultipleStatesMetaState& MultipleStatesMetaState::operator=(const MultipleStatesMetaState& other) {
    if (this == &other)
        return *this;
    variants = other.variants;
    status = other.status;
    current = nullptr;
    for (auto& [key, states] : other.variants)
        if (&states == other.current)
            current = &variants[key];
    return *this;
}

void MultipleStatesMetaState::clear() {
    variants.clear();
    current = nullptr;
    status = STATUS_NOT_KNOWN;
}

const MultipleStatesMetaState::States* MultipleStatesMetaState::getVariant(int variant) const {
    const auto found = variants.find(variant);
    return found == variants.end() ? nullptr : &found->second;
}

void MultipleStatesMetaState::add(RenderStateType type, DWORD value, int variant) {
    variants[variant].renderStates.push_back({type, value, 0});
}

void MultipleStatesMetaState::add(LightStateType type, DWORD value, int variant) {
    variants[variant].lightStates.push_back({type, value, 0});
}

void MultipleStatesMetaState::add(TextureStageStateType type, int stage, DWORD value, int variant) {
    variants[variant].textureStageStates.push_back({type, stage, value, 0});
}

void MultipleStatesMetaState::set() {
    if (status == STATUS_NOT_KNOWN)
        update();
    if (status == STATUS_SUPPORTED && current)
        set(*current);
}

void MultipleStatesMetaState::unset() {
    if (status == STATUS_SUPPORTED && current)
        unset(*current);
}

void MultipleStatesMetaState::set(States& states) {
    RenderStateManager* manager = theRenderStateManager;
    if (!manager)
        return;
    for (RenderEntry& entry : states.renderStates) {
        entry.saved = manager->getState(entry.type);
        if (entry.saved != entry.value)
            manager->setState(entry.type, entry.value);
    }
    for (LightEntry& entry : states.lightStates) {
        entry.saved = manager->getState(entry.type);
        if (entry.saved != entry.value)
            manager->setState(entry.type, entry.value);
    }
    for (TextureStageEntry& entry : states.textureStageStates) {
        entry.saved = manager->getState(entry.type, entry.stage);
        if (entry.saved != entry.value)
            manager->setState(entry.type, entry.stage, entry.value);
    }
}

void MultipleStatesMetaState::unset(States& states) {
    RenderStateManager* manager = theRenderStateManager;
    if (!manager)
        return;
    for (const RenderEntry& entry : states.renderStates)
        if (entry.saved != entry.value)
            manager->setState(entry.type, entry.saved);
    for (const LightEntry& entry : states.lightStates)
        if (entry.saved != entry.value)
            manager->setState(entry.type, entry.saved);
    for (const TextureStageEntry& entry : states.textureStageStates)
        if (entry.saved != entry.value)
            manager->setState(entry.type, entry.stage, entry.saved);
}

// A lost surface leaves the choice to a later test; any other refusal moves
// on to the next variant.
void MultipleStatesMetaState::update() {
    status = STATUS_SUPPORTED;
    for (auto& [key, states] : variants) {
        current = &states;
        const HRESULT hr = test(key);
        if (hr == DDERR_SURFACELOST) {
            status = STATUS_NOT_KNOWN;
            current = nullptr;
            return;
        }
        if (SUCCEEDED(hr))
            return;
    }
    status = STATUS_NOT_SUPPORTED;
    current = nullptr;
}

HRESULT MultipleStatesMetaState::test(int variant) {
    const auto found = variants.find(variant);
    if (found == variants.end())
        return DDERR_INVALIDPARAMS;
    RenderStateManager* manager = theRenderStateManager;
    IDirect3DDevice3* device = g_pDevice;
    if (!manager || !device)
        return DDERR_INVALIDOBJECT;

    set(found->second);
    manager->flush();
    // Stages that sample a texture are only judged with one bound.
    D3DTextureManager* textures = theD3DTextureManager;
    if (textures) {
        textures->setTexture(textures->getSampleTexture(0, ALPHA_GRADED), 0);
        textures->setTexture(textures->getSampleTexture(1, ALPHA_GRADED), 1);
    }
    DWORD passes = 0;
    const HRESULT hr = device->ValidateDevice(&passes);
    if (textures) {
        textures->setTexture(nullptr, 0);
        textures->setTexture(nullptr, 1);
    }
    unset(found->second);
    return hr;
}
