// The COM base interface. Interfaces are C++ abstract classes whose virtual
// functions are laid out in the Windows order.
#pragma once

#include "windef.h"
#include "winerror.h"

#define DECLARE_INTERFACE_IID(name) struct name
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define PURE = 0

// ddraw.h may have declared the same base already.
#ifndef PLATFORM_IUNKNOWN_DEFINED
#define PLATFORM_IUNKNOWN_DEFINED
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct IUnknown {
    STDMETHOD(QueryInterface)(REFIID riid, LPVOID* ppvObj) PURE;
    STDMETHOD_(ULONG, AddRef)() PURE;
    STDMETHOD_(ULONG, Release)() PURE;

protected:
    // Objects die through Release, never through delete on the interface.
    ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;
#endif
