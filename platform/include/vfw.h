// Video for Windows: the AVI file services (reading video streams and
// decompressing their frames). Frames come out as packed device-independent
// bitmaps: a BITMAPINFOHEADER followed by 24-bit pixels, rows bottom-up and
// each padded to a multiple of four bytes.
#pragma once

#include "unknwn.h"
#include "windows.h"

#ifndef mmioFOURCC
#define mmioFOURCC(ch0, ch1, ch2, ch3)                                                \
    ((DWORD)(BYTE)(ch0) | ((DWORD)(BYTE)(ch1) << 8) | ((DWORD)(BYTE)(ch2) << 16) | \
     ((DWORD)(BYTE)(ch3) << 24))
#endif

typedef GUID CLSID;

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER, *PBITMAPINFOHEADER;
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes on Windows");

#ifndef BI_RGB
#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L
#endif

#define streamtypeVIDEO mmioFOURCC('v', 'i', 'd', 's')
#define streamtypeAUDIO mmioFOURCC('a', 'u', 'd', 's')
#define streamtypeMIDI mmioFOURCC('m', 'i', 'd', 's')
#define streamtypeTEXT mmioFOURCC('t', 'x', 't', 's')

#ifndef OF_READ
#define OF_READ 0x00000000
#define OF_WRITE 0x00000001
#define OF_READWRITE 0x00000002
#define OF_CREATE 0x00001000
#endif

#define AVISTREAMINFO_DISABLED 0x00000001
#define AVISTREAMINFO_FORMATCHANGES 0x00010000

#define AVIFILECAPS_CANREAD 0x00000001
#define AVIFILECAPS_CANWRITE 0x00000002
#define AVIFILECAPS_ALLKEYFRAMES 0x00000010
#define AVIFILECAPS_NOCOMPRESSION 0x00000020

#define MAKE_AVIERR(error) ((HRESULT)(0x80040000UL | (0x4000 + (error))))
#define AVIERR_OK 0
#define AVIERR_UNSUPPORTED MAKE_AVIERR(101)
#define AVIERR_BADFORMAT MAKE_AVIERR(102)
#define AVIERR_MEMORY MAKE_AVIERR(103)
#define AVIERR_INTERNAL MAKE_AVIERR(104)
#define AVIERR_BADFLAGS MAKE_AVIERR(105)
#define AVIERR_BADPARAM MAKE_AVIERR(106)
#define AVIERR_BADSIZE MAKE_AVIERR(107)
#define AVIERR_BADHANDLE MAKE_AVIERR(108)
#define AVIERR_FILEREAD MAKE_AVIERR(109)
#define AVIERR_FILEWRITE MAKE_AVIERR(110)
#define AVIERR_FILEOPEN MAKE_AVIERR(111)
#define AVIERR_COMPRESSOR MAKE_AVIERR(112)
#define AVIERR_NOCOMPRESSOR MAKE_AVIERR(113)
#define AVIERR_READONLY MAKE_AVIERR(114)
#define AVIERR_NODATA MAKE_AVIERR(115)
#define AVIERR_BUFFERTOOSMALL MAKE_AVIERR(116)
#define AVIERR_CANTCOMPRESS MAKE_AVIERR(117)
#define AVIERR_USERABORT MAKE_AVIERR(198)
#define AVIERR_ERROR MAKE_AVIERR(199)

typedef struct _AVISTREAMINFOA {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwCaps;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwScale;
    DWORD dwRate;
    DWORD dwStart;
    DWORD dwLength;
    DWORD dwInitialFrames;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    RECT rcFrame;
    DWORD dwEditCount;
    DWORD dwFormatChangeCount;
    CHAR szName[64];
} AVISTREAMINFOA, *LPAVISTREAMINFOA;
static_assert(sizeof(AVISTREAMINFOA) == 140, "AVISTREAMINFOA is 140 bytes on Windows");

// {00020021-0000-0000-C000-000000000046}
inline constexpr IID IID_IAVIStream = {0x00020021, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00020023-0000-0000-C000-000000000046}
inline constexpr IID IID_IGetFrame = {0x00020023, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct IAVIStream : public IUnknown {
    STDMETHOD(Create)(LPARAM lParam1, LPARAM lParam2) PURE;
    STDMETHOD(Info)(AVISTREAMINFOA* psi, LONG lSize) PURE;
    STDMETHOD_(LONG, FindSample)(LONG lPos, LONG lFlags) PURE;
    STDMETHOD(ReadFormat)(LONG lPos, LPVOID lpFormat, LONG* lpcbFormat) PURE;
    STDMETHOD(SetFormat)(LONG lPos, LPVOID lpFormat, LONG cbFormat) PURE;
    STDMETHOD(Read)(LONG lStart, LONG lSamples, LPVOID lpBuffer, LONG cbBuffer, LONG* plBytes,
                    LONG* plSamples) PURE;
    STDMETHOD(Write)(LONG lStart, LONG lSamples, LPVOID lpBuffer, LONG cbBuffer, DWORD dwFlags,
                     LONG* plSampWritten, LONG* plBytesWritten) PURE;
    STDMETHOD(Delete)(LONG lStart, LONG lSamples) PURE;
    STDMETHOD(ReadData)(DWORD fcc, LPVOID lp, LONG* lpcb) PURE;
    STDMETHOD(WriteData)(DWORD fcc, LPVOID lp, LONG cb) PURE;
    STDMETHOD(SetInfo)(AVISTREAMINFOA* lpInfo, LONG cbInfo) PURE;

protected:
    ~IAVIStream() = default;
};
typedef IAVIStream* PAVISTREAM;

struct IGetFrame : public IUnknown {
    STDMETHOD_(LPVOID, GetFrame)(LONG lPos) PURE;
    STDMETHOD(Begin)(LONG lStart, LONG lEnd, LONG lRate) PURE;
    STDMETHOD(End)() PURE;
    STDMETHOD(SetFormat)(LPBITMAPINFOHEADER lpbi, LPVOID lpBits, int x, int y, int dx,
                         int dy) PURE;

protected:
    ~IGetFrame() = default;
};
typedef IGetFrame* PGETFRAME;

// FindSample flags.
#define FIND_DIR 0x0000000FL
#define FIND_NEXT 0x00000001L
#define FIND_PREV 0x00000004L
#define FIND_FROM_START 0x00000008L
#define FIND_TYPE 0x000000F0L
#define FIND_KEY 0x00000010L
#define FIND_ANY 0x00000020L

PLATFORM_API void WINAPI AVIFileInit(void);
PLATFORM_API void WINAPI AVIFileExit(void);
// Opens stream number lParam among the file's streams of type fccType.
// Only reading (OF_READ) is offered.
PLATFORM_API HRESULT WINAPI AVIStreamOpenFromFileA(PAVISTREAM* ppavi, LPCSTR szFile, DWORD fccType,
                                                   LONG lParam, UINT mode, CLSID* pclsidHandler);
PLATFORM_API HRESULT WINAPI AVIStreamInfoA(PAVISTREAM pavi, AVISTREAMINFOA* psi, LONG lSize);
PLATFORM_API ULONG WINAPI AVIStreamAddRef(PAVISTREAM pavi);
PLATFORM_API ULONG WINAPI AVIStreamRelease(PAVISTREAM pavi);
// lpbiWanted null or a 24-bit BI_RGB header; other formats are refused.
PLATFORM_API PGETFRAME WINAPI AVIStreamGetFrameOpen(PAVISTREAM pavi, LPBITMAPINFOHEADER lpbiWanted);
// The frame stays valid until the next call on the same reader.
PLATFORM_API LPVOID WINAPI AVIStreamGetFrame(PGETFRAME pg, LONG lPos);
PLATFORM_API HRESULT WINAPI AVIStreamGetFrameClose(PGETFRAME pg);

#define AVIStreamOpenFromFile AVIStreamOpenFromFileA
#define AVIStreamInfo AVIStreamInfoA
#define AVISTREAMINFO AVISTREAMINFOA
