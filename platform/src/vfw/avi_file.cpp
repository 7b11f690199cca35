// The AVI file services' entry points. FFmpeg needs no set-up, so
// AVIFileInit and AVIFileExit only leave their mark in the call log, where
// callers' pairing of the two can be checked.
#include "core/call_log.h"
#include "vfw/avi_stream.h"
#include "vfw/frame_reader.h"

#include <vfw.h>

namespace {

using platform::vfw::AviStream;
using platform::vfw::FrameReader;

}  // namespace

void WINAPI AVIFileInit(void) {
    platform::core::countCall("AVIFileInit", {});
}

void WINAPI AVIFileExit(void) {
    platform::core::countCall("AVIFileExit", {});
}

HRESULT WINAPI AVIStreamOpenFromFileA(PAVISTREAM* ppavi, LPCSTR szFile, DWORD fccType, LONG lParam,
                                      UINT mode, CLSID* pclsidHandler) {
    PLATFORM_RECORD_CALL("AVIStreamOpenFromFileA", (ULONG_PTR)ppavi, (ULONG_PTR)szFile, fccType,
                         (ULONG_PTR)lParam, mode, (ULONG_PTR)pclsidHandler);
    if (!ppavi)
        return AVIERR_BADPARAM;
    *ppavi = nullptr;
    if (!szFile)
        return AVIERR_BADPARAM;
    if (mode & (OF_WRITE | OF_READWRITE | OF_CREATE))
        return AVIERR_READONLY;
    AviStream* stream = nullptr;
    const HRESULT result = AviStream::open(szFile, fccType, lParam, &stream);
    *ppavi = stream;
    return result;
}

HRESULT WINAPI AVIStreamInfoA(PAVISTREAM pavi, AVISTREAMINFOA* psi, LONG lSize) {
    PLATFORM_RECORD_CALL("AVIStreamInfoA", (ULONG_PTR)pavi, (ULONG_PTR)psi, (ULONG_PTR)lSize);
    if (!pavi)
        return AVIERR_BADHANDLE;
    return pavi->Info(psi, lSize);
}

ULONG WINAPI AVIStreamAddRef(PAVISTREAM pavi) {
    return pavi ? pavi->AddRef() : 0;
}

ULONG WINAPI AVIStreamRelease(PAVISTREAM pavi) {
    platform::core::countCall("AVIStreamRelease", {(ULONG_PTR)pavi});
    return pavi ? pavi->Release() : 0;
}

PGETFRAME WINAPI AVIStreamGetFrameOpen(PAVISTREAM pavi, LPBITMAPINFOHEADER lpbiWanted) {
    HRESULT injected;
    if (platform::core::recordCall("AVIStreamGetFrameOpen", {(ULONG_PTR)pavi, (ULONG_PTR)lpbiWanted},
                                   &injected))
        return nullptr;
    AviStream* stream = pavi ? AviStream::fromInterface(pavi) : nullptr;
    if (!stream)
        return nullptr;
    // The value 1 asks for the display's best format: 24 bits here too.
    const bool anyFormat = lpbiWanted == nullptr || reinterpret_cast<ULONG_PTR>(lpbiWanted) == 1;
    return FrameReader::create(*stream, anyFormat ? nullptr : lpbiWanted);
}

LPVOID WINAPI AVIStreamGetFrame(PGETFRAME pg, LONG lPos) {
    return pg ? pg->GetFrame(lPos) : nullptr;
}

HRESULT WINAPI AVIStreamGetFrameClose(PGETFRAME pg) {
    if (!pg)
        return AVIERR_BADHANDLE;
    pg->Release();
    return AVIERR_OK;
}
