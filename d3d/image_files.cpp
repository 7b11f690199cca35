// ImageContainer: the TGA and BMP readers and the TGA writer.
//
// Both readers check that the file holds the pixels its header announces
// before allocating them, so that a damaged or hostile header cannot ask for
// gigabytes.
#include "image_container.h"

#include <engine/debug.h>
#include <engine/resources.h>

#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t tgaHeaderSize = 18;
constexpr std::size_t bmpHeaderSize = 54;

unsigned readLittle16(const std::uint8_t* at) {
    return unsigned(at[0]) | (unsigned(at[1]) << 8);
}

std::uint32_t readLittle32(const std::uint8_t* at) {
    return std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16) |
           (std::uint32_t(at[3]) << 24);
}

void putLittle16(std::uint8_t* at, int value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

[[noreturn]] void fail(resources::Stream& file, const char* message) {
    file.close();
    throw debug::Exception(message);
}

// Whether `needed` bytes from `offset` on can be in the file; a stream that
// does not know its size is given the benefit of the doubt, its reads fail
// later.
bool fits(const resources::Stream& file, std::uint64_t offset, std::uint64_t needed) {
    const std::int64_t size = file.size();
    if (size < 0)
        return true;
    return offset <= std::uint64_t(size) && needed <= std::uint64_t(size) - offset;
}

// Whether `rows` rows of `rowBytes` bytes, `stride` bytes apart from `start`
// on, can be in the file; done by division, as the product may not fit.
bool rowsFit(const resources::Stream& file, std::uint64_t start, std::uint64_t rows,
             std::uint64_t stride, std::uint64_t rowBytes) {
    const std::int64_t size = file.size();
    if (size < 0 || rows == 0)
        return true;
    if (!fits(file, start, rowBytes))
        return false;
    const std::uint64_t room = std::uint64_t(size) - start - rowBytes;
    return rows - 1 <= room / stride;
}

}  // namespace

bool ImageContainer::readTGA(const char* fileName) {
    auto file = theResourceManager->openRead(fileName);
    if (!file)
        return false;

    std::uint8_t header[tgaHeaderSize];
    if (file->read(header, sizeof header) != sizeof header)
        fail(*file, "Error read tga header");

    // Only the size is read: the files are uncompressed 32-bit pixels, top
    // row first, with no image ID, as the writer below makes them.
    const int newWidth = int(readLittle16(header + 12));
    const int newHeight = int(readLittle16(header + 14));
    const std::uint64_t bytes = std::uint64_t(newWidth) * std::uint64_t(newHeight) * sizeof(RGBAColor);
    if (!fits(*file, tgaHeaderSize, bytes))
        fail(*file, "Error read tga data");
    allocateForRead(newWidth, newHeight, "Error read tga data");
    if (bytes && file->read(data, bytes) != bytes)
        fail(*file, "Error read tga data");
    file->close();

    classifyAlpha();
    return true;
}

bool ImageContainer::readBMP(const char* fileName) {
    auto file = theResourceManager->openRead(fileName);
    if (!file)
        return false;

    std::uint8_t header[bmpHeaderSize];
    if (file->read(header, sizeof header) != sizeof header)
        fail(*file, "Error read bmp header");

    // 24-bit rows, bottom row first, each padded to four bytes. A negative
    // height (rows top first) is a layout this reader does not know.
    const std::int32_t newWidth = std::int32_t(readLittle32(header + 18));
    const std::int32_t newHeight = std::int32_t(readLittle32(header + 22));
    const std::uint64_t start = readLittle32(header + 10);
    if (newWidth < 0 || newHeight < 0)
        fail(*file, "Error read bmp header");
    if (newWidth == 0 || newHeight == 0) {
        file->close();
        allocateForRead(0, 0, "Error read bmp data");
        classifyAlpha();
        return true;
    }

    const std::uint64_t rowBytes = std::uint64_t(newWidth) * 3;
    const std::uint64_t stride = (rowBytes + 3) & ~std::uint64_t(3);
    if (!rowsFit(*file, start, std::uint64_t(newHeight), stride, rowBytes))
        fail(*file, "Error read bmp data");
    allocateForRead(newWidth, newHeight, "Error read bmp data");

    std::vector<std::uint8_t> row(rowBytes);
    for (std::int32_t r = 0; r < newHeight; ++r) {
        if (!file->seek(std::int64_t(start + std::uint64_t(r) * stride)) ||
            file->read(row.data(), rowBytes) != rowBytes)
            fail(*file, "Error read bmp data");
        RGBAColor* out = data + std::size_t(newHeight - 1 - r) * std::size_t(newWidth);
        for (std::int32_t x = 0; x < newWidth; ++x)
            out[x] = RGBAColor{row[3 * x], row[3 * x + 1], row[3 * x + 2], 255};
    }
    file->close();

    alphaFormat = ALPHA_NONE;
    alphaUsed = 0;
    return true;
}

bool ImageContainer::save(const char* fileName) const {
    if (!fileName)
        return false;
    auto file = theResourceManager->openWrite(fileName);
    if (!file)
        return false;

    // Type 2 (uncompressed true colour), 32 bits, origin at the top left
    // (descriptor bit 5), as the rows are kept top row first.
    std::uint8_t header[tgaHeaderSize] = {};
    header[2] = 2;
    putLittle16(header + 12, width);
    putLittle16(header + 14, height);
    header[16] = 32;
    header[17] = 0x20;
    if (file->write(header, sizeof header) != sizeof header)
        fail(*file, "Error write tga header");
    const std::size_t bytes = data ? sizeof(RGBAColor) * std::size_t(width) * height : 0;
    if (bytes && file->write(data, bytes) != bytes)
        fail(*file, "Error write tga data");
    file->close();
    return true;
}
