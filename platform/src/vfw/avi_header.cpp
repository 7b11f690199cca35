#include "vfw/avi_header.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace platform::vfw {
namespace {

constexpr DWORD fourcc(char a, char b, char c, char d) {
    return mmioFOURCC(a, b, c, d);
}

DWORD readDword(const BYTE* p) {
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

WORD readWord(const BYTE* p) {
    return WORD(p[0] | p[1] << 8);
}

LONG readShort(const BYTE* p) {
    return static_cast<int16_t>(readWord(p));
}

struct Chunk {
    DWORD id = 0;
    const BYTE* data = nullptr;
    std::size_t size = 0;
};

// Walks the chunks of a list; chunks are padded to an even size. A chunk
// that claims more than what is left ends the walk as malformed.
class ChunkWalker {
public:
    ChunkWalker(const BYTE* data, std::size_t size) : data_(data), size_(size) {}

    bool next(Chunk& chunk) {
        if (size_ - offset_ < 8)
            return false;
        chunk.id = readDword(data_ + offset_);
        const std::size_t length = readDword(data_ + offset_ + 4);
        if (length > size_ - offset_ - 8) {
            malformed_ = true;
            return false;
        }
        chunk.data = data_ + offset_ + 8;
        chunk.size = length;
        offset_ += 8 + length + (length & 1);
        offset_ = std::min(offset_, size_);
        return true;
    }
    bool malformed() const { return malformed_; }

private:
    const BYTE* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool malformed_ = false;
};

constexpr std::size_t streamHeaderSize = 48;  // without the frame rectangle
constexpr std::size_t streamHeaderWithFrame = 56;

void fillInfo(const Chunk& strh, AVISTREAMINFOA& info) {
    const BYTE* p = strh.data;
    info.fccType = readDword(p);
    info.fccHandler = readDword(p + 4);
    info.dwFlags = readDword(p + 8);
    info.dwCaps = AVIFILECAPS_CANREAD;
    info.wPriority = readWord(p + 12);
    info.wLanguage = readWord(p + 14);
    info.dwInitialFrames = readDword(p + 16);
    info.dwScale = readDword(p + 20);
    info.dwRate = readDword(p + 24);
    info.dwStart = readDword(p + 28);
    info.dwLength = readDword(p + 32);
    info.dwSuggestedBufferSize = readDword(p + 36);
    info.dwQuality = readDword(p + 40);
    info.dwSampleSize = readDword(p + 44);
    if (strh.size >= streamHeaderWithFrame) {
        info.rcFrame.left = readShort(p + 48);
        info.rcFrame.top = readShort(p + 50);
        info.rcFrame.right = readShort(p + 52);
        info.rcFrame.bottom = readShort(p + 54);
    }
}

// Writers that leave the frame rectangle empty mean the whole picture.
void frameFromFormat(AVISTREAMINFOA& info, const std::vector<BYTE>& format) {
    const RECT& r = info.rcFrame;
    if (r.right > r.left && r.bottom > r.top)
        return;
    if (info.fccType != streamtypeVIDEO || format.size() < 12)
        return;
    const LONG width = static_cast<LONG>(readDword(format.data() + 4));
    const LONG height = static_cast<LONG>(readDword(format.data() + 8));
    info.rcFrame = RECT{0, 0, width, height < 0 ? -height : height};
}

// One "strl" list: true when it holds a stream header, which then is in `out`.
bool readStreamList(const Chunk& list, AviStreamHeader& out) {
    ChunkWalker walker(list.data + 4, list.size - 4);
    bool haveHeader = false;
    Chunk chunk;
    while (walker.next(chunk)) {
        if (chunk.id == fourcc('s', 't', 'r', 'h') && chunk.size >= streamHeaderSize) {
            fillInfo(chunk, out.info);
            haveHeader = true;
        } else if (chunk.id == fourcc('s', 't', 'r', 'f')) {
            out.format.assign(chunk.data, chunk.data + chunk.size);
        } else if (chunk.id == fourcc('s', 't', 'r', 'n')) {
            const std::size_t length = std::min(chunk.size, sizeof out.info.szName - 1);
            std::memcpy(out.info.szName, chunk.data, length);
            out.info.szName[length] = '\0';
        }
    }
    return haveHeader;
}

}  // namespace

HRESULT parseHeaderList(const BYTE* data, std::size_t size, DWORD fccType, LONG number,
                        AviStreamHeader& out) {
    if (number < 0)
        return AVIERR_NODATA;
    ChunkWalker walker(data, size);
    Chunk chunk;
    int fileIndex = 0;
    LONG matches = 0;
    while (walker.next(chunk)) {
        if (chunk.id != fourcc('L', 'I', 'S', 'T') || chunk.size < 4 ||
            readDword(chunk.data) != fourcc('s', 't', 'r', 'l'))
            continue;
        AviStreamHeader stream;
        if (!readStreamList(chunk, stream))
            return AVIERR_BADFORMAT;
        stream.fileIndex = fileIndex++;
        if (stream.info.fccType != fccType || matches++ != number)
            continue;
        frameFromFormat(stream.info, stream.format);
        out = std::move(stream);
        return AVIERR_OK;
    }
    return walker.malformed() ? AVIERR_BADFORMAT : AVIERR_NODATA;
}

HRESULT readStreamHeader(const std::string& path, DWORD fccType, LONG number,
                         AviStreamHeader& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return AVIERR_FILEOPEN;
    BYTE riff[12];
    if (!file.read(reinterpret_cast<char*>(riff), sizeof riff) ||
        readDword(riff) != fourcc('R', 'I', 'F', 'F') ||
        readDword(riff + 8) != fourcc('A', 'V', 'I', ' '))
        return AVIERR_BADFORMAT;
    // The header list comes first in every AVI file, maybe after junk.
    BYTE head[12];
    while (file.read(reinterpret_cast<char*>(head), 8)) {
        const DWORD id = readDword(head);
        const DWORD length = readDword(head + 4);
        if (id != fourcc('L', 'I', 'S', 'T')) {
            file.seekg(length + (length & 1), std::ios::cur);
            continue;
        }
        if (!file.read(reinterpret_cast<char*>(head + 8), 4))
            break;
        if (readDword(head + 8) != fourcc('h', 'd', 'r', 'l'))
            return AVIERR_BADFORMAT;
        if (length < 4 || length - 4 > maxHeaderListSize)
            return AVIERR_BADFORMAT;
        std::vector<BYTE> list(length - 4);
        // A truncated list is read as far as it goes.
        file.read(reinterpret_cast<char*>(list.data()), static_cast<std::streamsize>(list.size()));
        list.resize(static_cast<std::size_t>(file.gcount()));
        return parseHeaderList(list.data(), list.size(), fccType, number, out);
    }
    return AVIERR_BADFORMAT;
}

}  // namespace platform::vfw
