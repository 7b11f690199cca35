#include "engine/resources.h"

#include <physfs.h>

#include <limits>

#include "resources/open_count.h"

namespace resources {
namespace {

PHYSFS_File* handle(void* file) {
    return static_cast<PHYSFS_File*>(file);
}

}  // namespace

Stream::Stream(void* file, std::string path, bool writable)
    : file_(file), path_(std::move(path)), writable_(writable) {
    ++openStreams();
}

Stream::~Stream() {
    close();
}

void Stream::close() {
    if (!file_)
        return;
    PHYSFS_close(handle(file_));
    file_ = nullptr;
    --openStreams();
}

std::size_t Stream::read(void* buffer, std::size_t count) {
    if (!file_ || writable_ || !buffer || count == 0)
        return 0;
    const PHYSFS_sint64 got = PHYSFS_readBytes(handle(file_), buffer, count);
    return got < 0 ? 0 : static_cast<std::size_t>(got);
}

int Stream::getChar() {
    unsigned char c = 0;
    return read(&c, 1) == 1 ? c : endOfFile;
}

bool Stream::eof() const {
    return !file_ || PHYSFS_eof(handle(file_)) != 0;
}

std::size_t Stream::write(const void* data, std::size_t count) {
    if (!file_ || !writable_ || !data || count == 0)
        return 0;
    const PHYSFS_sint64 put = PHYSFS_writeBytes(handle(file_), data, count);
    return put < 0 ? 0 : static_cast<std::size_t>(put);
}

bool Stream::write(const std::string& text) {
    return write(text.data(), text.size()) == text.size();
}

bool Stream::flush() {
    return file_ && PHYSFS_flush(handle(file_)) != 0;
}

bool Stream::seek(std::int64_t offset, Origin origin) {
    if (!file_)
        return false;
    std::int64_t base = 0;
    if (origin == Origin::Current)
        base = tell();
    else if (origin == Origin::End)
        base = size();
    if (base < 0)
        return false;
    if ((offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset))
        return false;
    const std::int64_t target = base + offset;
    if (target < 0)
        return false;
    return PHYSFS_seek(handle(file_), static_cast<PHYSFS_uint64>(target)) != 0;
}

std::int64_t Stream::tell() const {
    return file_ ? PHYSFS_tell(handle(file_)) : -1;
}

std::int64_t Stream::size() const {
    return file_ ? PHYSFS_fileLength(handle(file_)) : -1;
}

}  // namespace resources
