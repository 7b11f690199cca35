// The render state manager: a shadow copy of every device state so that no
// value is sent twice, deferred changes sent just before drawing, save and
// restore stacks, and the registry of meta states (named bundles of states
// with variants chosen by what the device validates).
#pragma once

#include "driver.h"

#include <engine/core/render_state_types.h>

#include <d3d.h>
#include <ddraw.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

enum SupportStatus {
    STATUS_SUPPORTED = 0,
    STATUS_NOT_SUPPORTED = 1,
    // Still to be tested, or the last test was cut short by a lost surface.
    STATUS_NOT_KNOWN = 2
};

// ===========================================================================
// Counter
// ===========================================================================

// A named count of live objects of one kind, kept as a static member by the
// classes that use it. A count left above or below zero at unload means
// objects were not given back, and is reported on the standard error stream.
class D3DDRIVER_API Counter {
public:
    explicit Counter(const char* name);
    ~Counter();
    Counter(const Counter&) = delete;
    Counter& operator=(const Counter&) = delete;

    // Atomic; both return the new value.
    LONG increment();
    LONG decrement();
    LONG getValue() const;
    const char* getName() const { return name.c_str(); }

private:
    volatile LONG value = 0;
    std::string name;
};

// ===========================================================================
// Meta states
// ===========================================================================

// A bundle of states switched on and off as one unit. The slot order is
// binding; objects are never deleted through this type.
class RenderMetaState {
public:
    virtual void set() = 0;
    virtual void unset() = 0;
    // Tests the bundle against the current device.
    virtual void update() = 0;
    virtual SupportStatus supported() = 0;

protected:
    RenderMetaState() = default;
    RenderMetaState(const RenderMetaState&) = default;
    RenderMetaState& operator=(const RenderMetaState&) = default;
    ~RenderMetaState() = default;
};

// A meta state with variants: the lowest variant key that the device
// validates is the one used.
class D3DDRIVER_API MultipleStatesMetaState : public RenderMetaState {
public:
    struct RenderEntry {
        RenderStateType type;
        DWORD value;
        DWORD saved;
    };
    struct LightEntry {
        LightStateType type;
        DWORD value;
        DWORD saved;
    };
    struct TextureStageEntry {
        TextureStageStateType type;
        int stage;
        DWORD value;
        DWORD saved;
    };
    // One variant; applied render states first, then light, then stage states.
    struct States {
        std::vector<RenderEntry> renderStates;
        std::vector<LightEntry> lightStates;
        std::vector<TextureStageEntry> textureStageStates;
    };

    MultipleStatesMetaState() = default;
    // `current` of a copy points into the copy's own variants.
    MultipleStatesMetaState(const MultipleStatesMetaState& other);
    MultipleStatesMetaState& operator=(const MultipleStatesMetaState& other);
    ~MultipleStatesMetaState() = default;

    void set() override;
    void unset() override;
    void update() override;
    SupportStatus supported() override { return status; }

    void add(RenderStateType type, DWORD value, int variant);
    void add(LightStateType type, DWORD value, int variant);
    void add(TextureStageStateType type, int stage, DWORD value, int variant);

    // Sets the variant, binds the texture manager's sample textures to
    // stages 0 and 1 (none without a texture manager), asks ValidateDevice
    // and takes everything back (the restoring changes are only queued).
    HRESULT test(int variant);

    void set(States& states);
    void unset(States& states);

    // The chosen variant, or null; and any variant by key, or null.
    const States* getCurrent() const { return current; }
    const States* getVariant(int variant) const;
    // Back to the state after construction: no variants, not known.
    void clear();

private:
    std::map<int, States> variants;
    States* current = nullptr;
    SupportStatus status = STATUS_NOT_KNOWN;
};

// Ids of the predefined meta states, set when the manager registers them
// (-1 before). The MS_ALPHA_ ones are for the engine; the driver never
// assigns them.
extern D3DDRIVER_API int MS_MODULATE;
extern D3DDRIVER_API int MS_MODULATE_ALPHA;
extern D3DDRIVER_API int MS_DIFFUSE_ALPHA;
extern D3DDRIVER_API int MS_RENDER_REGULAR;
extern D3DDRIVER_API int MS_RENDER_ALPHA;
extern D3DDRIVER_API int MS_DEFAULT;
extern D3DDRIVER_API int MS_ALPHA_SELECT_TEXTURE;
extern D3DDRIVER_API int MS_ALPHA_SELECT_DIFFUSE;
extern D3DDRIVER_API int MS_ALPHA_SELECT_FACTOR;
extern D3DDRIVER_API int MS_ALPHA_MODULATE_TEXTURE_DIFFUSE;
extern D3DDRIVER_API int MS_ALPHA_MODULATE_TEXTURE_FACTOR;
extern D3DDRIVER_API int MS_ALPHA_MODULATE_DIFFUSE_FACTOR;
extern D3DDRIVER_API int MS_ALPHA_MODULATE_TEXTURE_DIFFUSE_FACTOR;

// ===========================================================================
// Render state manager
// ===========================================================================

class D3DDRIVER_API RenderStateManager {
public:
    struct State {
        DWORD deviceValue;  // what the device holds, as last read or sent
        DWORD value;        // what is wanted; differs only while queued
        BYTE deferred;      // changes wait for the next flush
        BYTE queued;        // stands in its change list now
    };

    static constexpr int renderStateCount = D3DRENDERSTATE_WRAP7 + 1;
    static constexpr int lightStateCount = D3DLIGHTSTATE_COLORVERTEX + 1;
    static constexpr int textureStageCount = 8;
    static constexpr int textureStageStateCount = D3DTSS_BUMPENVLOFFSET + 1;

    // Index 0 of each table holds no state.
    static State renderStates[renderStateCount];
    static State lightStates[lightStateCount];
    static State textureStageStates[textureStageCount][textureStageStateCount];

    // Zeroes the tables, marks the deferred states and (re)builds and
    // registers the predefined meta states.
    RenderStateManager();
    ~RenderStateManager();
    RenderStateManager(const RenderStateManager&) = default;
    RenderStateManager& operator=(const RenderStateManager&) = default;

    // By Direct3D number: sent at once unless the state is deferred. The
    // result is the device call's, or 0 when none was needed.
    HRESULT setRenderState(D3DRENDERSTATETYPE type, DWORD value);
    HRESULT setLightState(D3DLIGHTSTATETYPE type, DWORD value);
    HRESULT setTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    // The wanted value; the device is not asked.
    HRESULT getRenderState(D3DRENDERSTATETYPE type, DWORD* value) const;
    HRESULT getLightState(D3DLIGHTSTATETYPE type, DWORD* value) const;
    HRESULT getTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) const;

    // By the engine's numbering: always queued until the next flush.
    void setState(RenderStateType type, DWORD value);
    void setState(LightStateType type, DWORD value);
    void setState(TextureStageStateType type, int stage, DWORD value);
    DWORD getState(RenderStateType type) const;
    DWORD getState(LightStateType type) const;
    DWORD getState(TextureStageStateType type, int stage) const;

    // Push saves the wanted value (and returns it); pop gives back the latest
    // saved value of that state, wherever it stands in its stack, and returns
    // it. Popping a state never pushed changes nothing and returns its value.
    DWORD pushState(RenderStateType type);
    DWORD pushState(LightStateType type);
    DWORD pushState(TextureStageStateType type, int stage);
    DWORD popState(RenderStateType type);
    DWORD popState(LightStateType type);
    DWORD popState(TextureStageStateType type, int stage);

    // Every state at once; popAll on an empty stack does nothing.
    void pushAll();
    void popAll();

    // Meta states by id; unknown ids do nothing (checkState: not supported).
    int registerMetaState(const char* name, RenderMetaState* state);
    RenderMetaState* unregisterMetaState(const char* name);
    int findMetaState(const char* name) const;
    SupportStatus checkState(int id);
    void setState(int id);
    void unsetState(int id);

    // After a new device: stage count, read-back, meta state tests.
    void update();
    // Reads every state back from the device.
    void current();
    void flush();
    void wide_flush();
    void initFrame() {}
    void termFrame() {}

    bool isChanged() const { return changed; }
    // Entries waiting for the next flush; a flush leaves none.
    std::size_t pendingChanges() const {
        return renderChanges.size() + lightChanges.size() + textureStageChanges.size();
    }
    std::size_t pushedAllCount() const { return savedAll.size(); }
    // Texture stages saved by pushAll, from the device's capabilities.
    static DWORD stageCount;
    // The result of the latest device call made by a setter or a flush.
    static HRESULT lastResult;

private:
    struct TextureStageChange {
        DWORD stage;
        DWORD type;
    };
    struct MetaEntry {
        std::string name;
        RenderMetaState* state;
    };
    struct SavedStates {
        DWORD stages;
        std::vector<DWORD> values;
    };
    struct PushedTextureStageState {
        TextureStageStateType type;
        int stage;
        DWORD value;
    };

    void queue(State& state, std::vector<DWORD>& list, DWORD number);
    void queue(DWORD stage, DWORD type);
    RenderMetaState* metaState(int id) const;
    void buildPredefinedMetaStates();

    std::vector<DWORD> renderChanges;
    std::vector<DWORD> lightChanges;
    std::vector<TextureStageChange> textureStageChanges;
    std::vector<SavedStates> savedAll;
    std::vector<MetaEntry> metaStates;
    bool changed = false;
    std::vector<std::pair<RenderStateType, DWORD>> renderStack;
    std::vector<std::pair<LightStateType, DWORD>> lightStack;
    std::vector<PushedTextureStageState> textureStageStack;
};

extern D3DDRIVER_API RenderStateManager* theRenderStateManager;
