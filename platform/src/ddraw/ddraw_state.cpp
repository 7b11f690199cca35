#include "ddraw/ddraw_state.h"

#include "core/app_state.h"
#include "ddraw/surface.h"

#include <atomic>
#include <map>
#include <utility>

namespace platform::ddraw {
namespace {

using AdapterKey = std::pair<const display::DisplayProfile*, int>;

struct Globals {
    std::map<AdapterKey, DWORD> videoMemory;
    std::map<AdapterKey, display::DisplayMode> secondaryModes;
    std::set<Surface*> surfaces;
    DeviceState* exclusive = nullptr;
    std::atomic<unsigned> frames{0};
};

Globals& globals() {
    static Globals g;
    return g;
}

AdapterKey keyOf(const DeviceState& s) { return {s.profile.get(), s.adapterIndex}; }

}  // namespace

std::recursive_mutex& ddrawMutex() {
    static std::recursive_mutex m;
    return m;
}

bool reserveVideoMemory(const DeviceState& state, DWORD bytes) {
    DWORD& used = globals().videoMemory[keyOf(state)];
    const DWORD total = state.adapter().videoMemory;
    if (bytes > total || used > total - bytes)
        return false;
    used += bytes;
    return true;
}

void returnVideoMemory(const DeviceState& state, DWORD bytes) {
    DWORD& used = globals().videoMemory[keyOf(state)];
    used = bytes > used ? 0 : used - bytes;
}

DWORD videoMemoryUsed(const DeviceState& state) { return globals().videoMemory[keyOf(state)]; }

display::DisplayMode adapterMode(const DeviceState& state) {
    if (state.isPrimaryAdapter()) {
        const core::DisplayModeDesc d = core::desktopMode();
        return {d.width, d.height, d.bitsPerPixel, d.refreshRate};
    }
    auto it = globals().secondaryModes.find(keyOf(state));
    return it != globals().secondaryModes.end() ? it->second : state.profile->desktop;
}

void setAdapterMode(const DeviceState& state, const display::DisplayMode& mode) {
    if (state.isPrimaryAdapter()) {
        core::setDesktopMode({mode.width, mode.height, mode.bitsPerPixel, mode.refreshRate});
        return;
    }
    globals().secondaryModes[keyOf(state)] = mode;
    // A secondary adapter's surfaces are lost by its own mode change only.
    for (Surface* s : globals().surfaces)
        if (s->state().profile == state.profile && s->state().adapterIndex == state.adapterIndex &&
            s->inVideoMemory())
            s->markLost();
}

DWORD visibleOverlayCount(const DeviceState& state) {
    DWORD n = 0;
    for (Surface* s : globals().surfaces)
        if (s->state().profile == state.profile && s->state().adapterIndex == state.adapterIndex &&
            s->overlayVisible())
            ++n;
    return n;
}

void registerSurface(Surface* surface) { globals().surfaces.insert(surface); }
void unregisterSurface(Surface* surface) { globals().surfaces.erase(surface); }
const std::set<Surface*>& liveSurfaces() { return globals().surfaces; }

void loseVideoMemorySurfaces() {
    for (Surface* s : globals().surfaces)
        if (s->inVideoMemory())
            s->markLost();
}

void installListeners() {
    static std::once_flag once;
    std::call_once(once, [] {
        core::addActivationListener([](bool active) {
            if (active)
                return;
            DDLock lock(ddrawMutex());
            loseVideoMemorySurfaces();
        });
        core::addDisplayChangeListener([](const core::DisplayModeDesc&) {
            DDLock lock(ddrawMutex());
            for (Surface* s : globals().surfaces)
                if (s->state().isPrimaryAdapter() && s->inVideoMemory())
                    s->markLost();
        });
    });
}

DeviceState* exclusiveOwner() { return globals().exclusive; }
void setExclusiveOwner(DeviceState* state) { globals().exclusive = state; }

void countPresentedFrame() { ++globals().frames; }
unsigned presentedFrameCount() { return globals().frames.load(); }

}  // namespace platform::ddraw
