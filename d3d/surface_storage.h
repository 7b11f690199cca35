// SurfaceStorage: a system-memory copy of a surface's bits, so that pixels
// changed at run time survive the surface being made again.
#pragma once

#include <ddraw.h>

#include <cstdint>
#include <memory>

class SurfaceStorage {
public:
    SurfaceStorage() = default;
    SurfaceStorage(const SurfaceStorage&) = delete;
    SurfaceStorage& operator=(const SurfaceStorage&) = delete;

    // Room for pitch x height bytes of a surface so described (not cleared);
    // any older copy is dropped.
    void activate(const DDSURFACEDESC2& description);
    void deactivate();
    bool isActive() const { return bits != nullptr; }
    bool isModified() const { return isActive() && modified; }

    // Surface into storage. Returns the lock's failure or the unlock's
    // result; a surface of another pitch x height is refused with
    // DDERR_INVALIDPARAMS and nothing is copied.
    HRESULT paste(IDirectDrawSurface4* surface);
    // Storage into surface, with the same results and the same refusal.
    HRESULT copy(IDirectDrawSurface4* surface);

private:
    // Locks the whole surface; fails when its size is not the stored one.
    HRESULT lockMatching(IDirectDrawSurface4* surface, DDSURFACEDESC2& locked) const;

    std::unique_ptr<std::uint8_t[]> bits;
    std::uint32_t size = 0;
    bool modified = false;
};
