// Reading an AVI file's header list ("hdrl"): the stream headers, formats and
// names from which AVIStreamInfoA is filled, without decoding anything.
#pragma once

#include <vfw.h>

#include <cstddef>
#include <string>
#include <vector>

namespace platform::vfw {

struct AviStreamHeader {
    AVISTREAMINFOA info{};
    // The stream's format chunk ("strf") as stored; a BITMAPINFOHEADER and
    // maybe a palette for video.
    std::vector<BYTE> format;
    // Position among all the file's streams, whatever their type.
    int fileIndex = -1;
};

// The header list must fit in this many bytes; longer ones are refused.
constexpr std::size_t maxHeaderListSize = 4u << 20;

// Finds stream number `number` among the streams of type `fccType` in the
// contents of a "hdrl" list (the bytes after its list type).
// AVIERR_OK, AVIERR_BADFORMAT (malformed list) or AVIERR_NODATA (no such stream).
HRESULT parseHeaderList(const BYTE* data, std::size_t size, DWORD fccType, LONG number,
                        AviStreamHeader& out);

// Reads the file's "RIFF AVI " header and its "hdrl" list and parses it.
// AVIERR_FILEOPEN (cannot be read), AVIERR_BADFORMAT (not an AVI file) or the
// result of parseHeaderList.
HRESULT readStreamHeader(const std::string& path, DWORD fccType, LONG number,
                         AviStreamHeader& out);

}  // namespace platform::vfw
