// Feeds arbitrary bytes to the AVI file services: first to the header list
// reader on its own, then as a whole file to AVIStreamOpenFromFileA, the
// stream information and the frame reader, asking for frames at the start,
// the middle, the end and the start again. Every frame handed out must be a
// 24-bit packed bitmap of the stream's size whose pixels can all be read.
#include "vfw/avi_header.h"

#include <vfw.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string inputPath;

void removeInput() {
    std::remove(inputPath.c_str());
}

bool writeInput(const std::uint8_t* bytes, std::size_t size) {
    std::FILE* file = std::fopen(inputPath.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

void checkHeaderList(const std::uint8_t* bytes, std::size_t size) {
    platform::vfw::AviStreamHeader header;
    if (platform::vfw::parseHeaderList(bytes, size, streamtypeVIDEO, 0, header) != AVIERR_OK)
        return;
    if (header.info.fccType != streamtypeVIDEO || header.format.size() > size ||
        header.info.szName[sizeof header.info.szName - 1] != '\0')
        std::abort();
}

unsigned touchFrame(const void* frame, LONG width, LONG height) {
    const auto* header = static_cast<const BITMAPINFOHEADER*>(frame);
    if (header->biSize != sizeof(BITMAPINFOHEADER) || header->biBitCount != 24 ||
        header->biWidth != width || header->biHeight != height)
        std::abort();
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    if (header->biSizeImage != stride * std::size_t(height))
        std::abort();
    const auto* pixels = static_cast<const std::uint8_t*>(frame) + header->biSize;
    unsigned sum = 0;
    for (std::size_t i = 0; i < header->biSizeImage; ++i)
        sum += pixels[i];
    return sum;
}

void readFrames(PGETFRAME reader, LONG length) {
    LONG width = 0, height = 0;
    volatile unsigned sink = 0;
    for (const LONG index : {LONG(0), length / 2, length - 1, LONG(0)}) {
        const void* frame = AVIStreamGetFrame(reader, index);
        if (!frame)
            continue;
        const auto* header = static_cast<const BITMAPINFOHEADER*>(frame);
        if (width == 0) {
            width = header->biWidth;
            height = header->biHeight;
        }
        sink = sink + touchFrame(frame, width, height);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    inputPath = (std::filesystem::temp_directory_path() /
                 ("d3ddriver_fuzz_avi_" + std::to_string(getpid()) + ".avi"))
                    .string();
    std::atexit(removeInput);
    AVIFileInit();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    checkHeaderList(bytes, size);
    if (!writeInput(bytes, size))
        std::abort();

    PAVISTREAM stream = nullptr;
    const HRESULT opened =
        AVIStreamOpenFromFileA(&stream, inputPath.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr);
    if ((opened == AVIERR_OK) != (stream != nullptr))
        std::abort();
    if (!stream)
        return 0;
    AVISTREAMINFOA info{};
    if (AVIStreamInfoA(stream, &info, sizeof info) != AVIERR_OK)
        std::abort();
    if (PGETFRAME reader = AVIStreamGetFrameOpen(stream, nullptr)) {
        // Lengths beyond the file are read only as far as the file goes.
        readFrames(reader, LONG(std::min<DWORD>(info.dwLength, 1u << 20)));
        AVIStreamGetFrameClose(reader);
    }
    AVIStreamRelease(stream);
    return 0;
}
