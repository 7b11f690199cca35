// The exported DirectDraw entry points.
#include "core/call_log.h"
#include "ddraw/direct_draw.h"

#include <string>

using platform::ddraw::DirectDraw;

extern "C" {

PLATFORM_API HRESULT WINAPI DirectDrawCreate(GUID* guid, LPDIRECTDRAW* dd, IUnknown* outer) {
    PLATFORM_RECORD_CALL("DirectDrawCreate", (ULONG_PTR)guid, (ULONG_PTR)dd, (ULONG_PTR)outer);
    if (!dd)
        return DDERR_INVALIDPARAMS;
    *dd = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    DirectDraw* made = nullptr;
    const HRESULT hr = DirectDraw::create(guid, &made);
    if (SUCCEEDED(hr))
        *dd = made;
    return hr;
}

PLATFORM_API HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context,
                                                   DWORD flags) {
    PLATFORM_RECORD_CALL("DirectDrawEnumerateExA", (ULONG_PTR)callback, (ULONG_PTR)context,
                         flags);
    if (!callback)
        return DDERR_INVALIDPARAMS;
    if (flags & ~(DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES |
                  DDENUM_NONDISPLAYDEVICES))
        return DDERR_INVALIDPARAMS;
    const auto profile = platform::display::currentProfile();
    for (const auto& adapter : profile->adapters) {
        // The primary display comes first and without an identifier.
        if (!adapter.primary && !(flags & DDENUM_ATTACHEDSECONDARYDEVICES))
            continue;
        std::string description = adapter.description;
        std::string name = adapter.driverName;
        GUID guid = adapter.guid;
        const BOOL more = callback(adapter.primary ? nullptr : &guid, description.data(),
                                   name.data(), context, adapter.monitor);
        if (!more)
            break;
    }
    return DD_OK;
}

PLATFORM_API HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, LPVOID context) {
    PLATFORM_RECORD_CALL("DirectDrawEnumerateA", (ULONG_PTR)callback, (ULONG_PTR)context);
    if (!callback)
        return DDERR_INVALIDPARAMS;
    const auto profile = platform::display::currentProfile();
    for (const auto& adapter : profile->adapters) {
        std::string description = adapter.description;
        std::string name = adapter.driverName;
        GUID guid = adapter.guid;
        if (!callback(adapter.primary ? nullptr : &guid, description.data(), name.data(),
                      context))
            break;
    }
    return DD_OK;
}

}  // extern "C"
