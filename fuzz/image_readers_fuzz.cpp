// Feeds arbitrary bytes to the TGA and BMP readers. The first byte chooses
// the reader; the rest is the file. Every pixel of what was read is touched
// and the image halved, so that a size that does not match the pixels shows
// up under AddressSanitizer.
#include "image_container.h"

#include <engine/debug.h>
#include <engine/resources.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string writeDirectory;

void removeWriteDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(writeDirectory, ec);
}

bool writeInput(const char* name, const std::uint8_t* bytes, std::size_t size) {
    auto file = theResourceManager->openWrite(name);
    return file && file->write(bytes, size) == size;
}

unsigned touchPixels(const ImageContainer& image) {
    unsigned sum = 0;
    const RGBAColor* data = image.getData();
    const std::size_t count = std::size_t(image.getWidth()) * std::size_t(image.getHeight());
    for (std::size_t i = 0; data && i < count; ++i)
        sum += data[i].b + data[i].g + data[i].r + data[i].a;
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    writeDirectory = (std::filesystem::temp_directory_path() /
                      ("d3ddriver_fuzz_images_" + std::to_string(getpid())))
                         .string();
    if (!theResourceManager->setWriteDir(writeDirectory))
        std::abort();
    std::atexit(removeWriteDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0)
        return 0;
    const char* name = (bytes[0] & 1) ? "/input.bmp" : "/input.tga";
    if (!writeInput(name, bytes + 1, size - 1))
        std::abort();

    ImageContainer image;
    try {
        image.load(name);
    } catch (const debug::Exception&) {
        // Damaged files are expected to end here.
    }
    volatile unsigned sink = touchPixels(image);
    ImageContainer half;
    image.halve(half);
    sink = sink + touchPixels(half);
    (void)sink;
    return 0;
}
