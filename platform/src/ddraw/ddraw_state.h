// State shared inside DirectDraw: the one lock every DirectDraw call takes,
// the state a DirectDraw object shares with its surfaces, video memory per
// adapter, and the registry of live surfaces that loss walks.
#pragma once

#include <ddraw.h>

#include "display/display_profile.h"

#include <memory>
#include <mutex>
#include <set>

namespace platform::ddraw {

class Surface;

// Recursive: display-change listeners run inside SetDisplayMode.
std::recursive_mutex& ddrawMutex();
using DDLock = std::lock_guard<std::recursive_mutex>;

// What a DirectDraw object shares with the surfaces it made. The object's
// final release destroys the surfaces still alive, as on DirectX 6.
struct DeviceState {
    std::shared_ptr<const display::DisplayProfile> profile;
    int adapterIndex = 0;
    HWND window = nullptr;
    DWORD cooperativeFlags = 0;
    bool exclusive = false;
    Surface* primary = nullptr;   // the primary surface (front buffer), not owned
    std::set<Surface*> surfaces;  // every surface made by the object, not owned
    // The object's identity, for GetDDInterface; surfaces never outlive it.
    IUnknown* directDraw = nullptr;

    const display::AdapterProfile& adapter() const { return profile->adapters[adapterIndex]; }
    bool isPrimaryAdapter() const { return adapter().primary; }
};

// Video memory of the adapter of `state`.
bool reserveVideoMemory(const DeviceState& state, DWORD bytes);
void returnVideoMemory(const DeviceState& state, DWORD bytes);
DWORD videoMemoryUsed(const DeviceState& state);

// The display mode of the adapter: the desktop for the primary adapter.
display::DisplayMode adapterMode(const DeviceState& state);
void setAdapterMode(const DeviceState& state, const display::DisplayMode& mode);

// Overlays currently shown on the adapter.
DWORD visibleOverlayCount(const DeviceState& state);

// Live surfaces of every DirectDraw object.
void registerSurface(Surface* surface);
void unregisterSurface(Surface* surface);
const std::set<Surface*>& liveSurfaces();
// Marks every video-memory surface lost (task switch, display-mode change).
void loseVideoMemorySurfaces();
// Hooks DirectDraw onto activation and display-mode changes (once).
void installListeners();

// The DirectDraw object holding exclusive mode, if any.
DeviceState* exclusiveOwner();
void setExclusiveOwner(DeviceState* state);

// Frames handed to the presenter.
void countPresentedFrame();
unsigned presentedFrameCount();

}  // namespace platform::ddraw
