// IDirectDrawPalette: a colour table of 2, 4, 16 or 256 entries that
// palettised surfaces index.
#pragma once

#include <ddraw.h>

#include <array>
#include <atomic>

namespace platform::ddraw {

class Palette final : public IDirectDrawPalette {
public:
    // Checks the flags and entries as CreatePalette does.
    static HRESULT create(DWORD flags, const PALETTEENTRY* entries, Palette** out);
    static Palette* fromInterface(IDirectDrawPalette* palette);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetCaps(LPDWORD caps) override;
    HRESULT STDMETHODCALLTYPE GetEntries(DWORD flags, DWORD base, DWORD count,
                                         LPPALETTEENTRY entries) override;
    HRESULT STDMETHODCALLTYPE Initialize(IDirectDraw* dd, DWORD flags,
                                         LPPALETTEENTRY entries) override;
    HRESULT STDMETHODCALLTYPE SetEntries(DWORD flags, DWORD start, DWORD count,
                                         LPPALETTEENTRY entries) override;

    // Index bits of the surfaces it can be attached to (1, 2, 4 or 8).
    DWORD indexBits() const { return indexBits_; }
    // The colour of an index as 0xAARRGGBB with alpha 0xFF; callers hold ddrawMutex().
    uint32_t argb(BYTE index) const;

private:
    Palette(DWORD flags, DWORD indexBits) : flags_(flags), indexBits_(indexBits) {}
    ~Palette() = default;
    DWORD size() const { return 1u << indexBits_; }

    std::atomic<ULONG> refs_{1};
    const DWORD flags_;
    const DWORD indexBits_;
    std::array<PALETTEENTRY, 256> entries_{};
};

}  // namespace platform::ddraw
