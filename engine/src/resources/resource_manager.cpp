#include "engine/resources.h"

#include <physfs.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "engine/debug.h"
#include "resources/open_count.h"

namespace resources {
namespace {

namespace fs = std::filesystem;

const debug::Filter& filter() {
    static const debug::Filter instance("Resources");
    return instance;
}

#define RESOURCES_CONTEXT debug::Context("engine/resources/resource_manager", __LINE__)

std::string lastError() {
    const char* text = PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode());
    return text ? text : "unknown error";
}

struct ThreadPaths {
    std::string current = "/";
    std::vector<std::string> saved;
};

ThreadPaths& threadPaths() {
    thread_local ThreadPaths paths;
    return paths;
}

// PhysicsFS wants names relative to its root, without the leading '/'.
std::string physfsName(const std::string& absolute) {
    return absolute.size() > 1 ? absolute.substr(1) : std::string();
}

std::string envOr(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string absoluteReal(const std::string& dir) {
    std::error_code ec;
    const fs::path path = fs::weakly_canonical(fs::absolute(dir, ec), ec);
    return ec ? dir : path.string();
}

std::string defaultDataRoot() {
    const std::string fromEnv = envOr("D3DDRIVER_DATA");
    if (!fromEnv.empty())
        return fromEnv;
    std::error_code ec;
    std::vector<fs::path> candidates;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path dir = exe.parent_path();
        candidates = {dir / "data", dir.parent_path() / "data",
                      dir.parent_path().parent_path() / "data"};
    }
    candidates.push_back(fs::current_path(ec) / "data");
    for (const auto& candidate : candidates)
        if (fs::is_directory(candidate, ec))
            return candidate.string();
    return std::string();
}

// The user's data folder rather than the working directory: tests run with
// the source tree as working directory and must not write into it.
std::string defaultWriteDir() {
    const std::string fromEnv = envOr("D3DDRIVER_WRITE_DIR");
    if (!fromEnv.empty())
        return fromEnv;
    const std::string xdg = envOr("XDG_DATA_HOME");
    if (!xdg.empty())
        return (fs::path(xdg) / "d3ddriver").string();
    const std::string home = envOr("HOME");
    if (!home.empty())
        return (fs::path(home) / ".local/share/d3ddriver").string();
    std::error_code ec;
    return (fs::temp_directory_path(ec) / "d3ddriver").string();
}

}  // namespace

ResourceManager& ResourceManager::instance() {
    static ResourceManager manager;
    return manager;
}

ResourceManager::~ResourceManager() {
    std::lock_guard<std::mutex> lock(mutex_);
    // A stream still open at exit keeps its handle valid rather than crash.
    if (initialised_ && openStreams() == 0)
        PHYSFS_deinit();
}

bool ResourceManager::ensureReady() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!initialised_) {
        if (!PHYSFS_isInit() && !PHYSFS_init(nullptr)) {
            filter() << (debug::Error(RESOURCES_CONTEXT)
                         << "cannot start the virtual file system: " << lastError());
            return false;
        }
        initialised_ = true;
    }
    if (!defaultsChosen_) {
        chooseDefaultsLocked();
        remountLocked();
    }
    return true;
}

void ResourceManager::chooseDefaultsLocked() {
    defaultsChosen_ = true;
    if (dataRoot_.empty())
        dataRoot_ = defaultDataRoot();
    if (writeDir_.empty())
        writeDir_ = defaultWriteDir();
    if (!dataRoot_.empty())
        dataRoot_ = absoluteReal(dataRoot_);
    if (!writeDir_.empty())
        writeDir_ = absoluteReal(writeDir_);
}

bool ResourceManager::remountLocked() {
    bool ok = true;
    for (std::string* mounted : {&mountedWrite_, &mountedData_}) {
        if (mounted->empty())
            continue;
        if (!PHYSFS_unmount(mounted->c_str())) {
            filter() << (debug::Error(RESOURCES_CONTEXT)
                         << "cannot unmount '" << *mounted << "': " << lastError());
            ok = false;
            continue;
        }
        mounted->clear();
    }
    if (!ok)
        return false;

    if (!writeDir_.empty()) {
        std::error_code ec;
        fs::create_directories(writeDir_, ec);
        if (!PHYSFS_setWriteDir(writeDir_.c_str())) {
            filter() << (debug::Error(RESOURCES_CONTEXT)
                         << "cannot write to '" << writeDir_ << "': " << lastError());
            ok = false;
        } else if (writeDir_ != dataRoot_) {
            if (PHYSFS_mount(writeDir_.c_str(), "/", 1))
                mountedWrite_ = writeDir_;
            else
                ok = false;
        }
    }
    if (!dataRoot_.empty()) {
        if (PHYSFS_mount(dataRoot_.c_str(), "/", 1)) {
            mountedData_ = dataRoot_;
        } else {
            filter() << (debug::Error(RESOURCES_CONTEXT)
                         << "cannot mount data root '" << dataRoot_ << "': " << lastError());
            ok = false;
        }
    }
    return ok;
}

bool ResourceManager::setDataRoot(const std::string& realDir) {
    if (!ensureReady())
        return false;
    std::error_code ec;
    if (realDir.empty() || !fs::is_directory(realDir, ec)) {
        filter() << (debug::Error(RESOURCES_CONTEXT)
                     << "data root '" << realDir << "' is not a folder");
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    dataRoot_ = absoluteReal(realDir);
    return remountLocked();
}

std::string ResourceManager::getDataRoot() {
    ensureReady();
    std::lock_guard<std::mutex> lock(mutex_);
    return dataRoot_;
}

bool ResourceManager::setWriteDir(const std::string& realDir) {
    if (!ensureReady())
        return false;
    if (realDir.empty()) {
        filter() << (debug::Error(RESOURCES_CONTEXT) << "empty write folder");
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    writeDir_ = absoluteReal(realDir);
    return remountLocked();
}

std::string ResourceManager::getWriteDir() {
    ensureReady();
    std::lock_guard<std::mutex> lock(mutex_);
    return writeDir_;
}

bool ResourceManager::useDefaultMounts() {
    if (!ensureReady())
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    dataRoot_.clear();
    writeDir_.clear();
    chooseDefaultsLocked();
    return remountLocked();
}

std::string ResourceManager::getCurrentPath() const {
    const std::string& current = threadPaths().current;
    return current == "/" ? current : current + "/";
}

bool ResourceManager::setCurrentPath(const std::string& path) {
    const std::string resolved = resolve(path);
    if (resolved.empty())
        return false;
    threadPaths().current = resolved;
    return true;
}

void ResourceManager::pushCurrentPath() {
    ThreadPaths& paths = threadPaths();
    paths.saved.push_back(paths.current);
}

bool ResourceManager::popCurrentPath() {
    ThreadPaths& paths = threadPaths();
    if (paths.saved.empty())
        return false;
    paths.current = std::move(paths.saved.back());
    paths.saved.pop_back();
    return true;
}

std::string ResourceManager::resolve(const std::string& name) const {
    const bool absolute = !name.empty() && (name[0] == '/' || name[0] == '\\');
    return normalizePath(absolute ? name : threadPaths().current + "/" + name);
}

int ResourceManager::fileExists(const std::string& name) {
    const std::string path = resolve(name);
    if (path.empty() || path == "/" || !ensureReady())
        return -1;
    PHYSFS_Stat stat;
    if (!PHYSFS_stat(physfsName(path).c_str(), &stat))
        return -1;
    return stat.filetype == PHYSFS_FILETYPE_REGULAR ? 0 : -1;
}

bool ResourceManager::isDirectory(const std::string& name) {
    const std::string path = resolve(name);
    if (path.empty() || !ensureReady())
        return false;
    if (path == "/")
        return true;
    PHYSFS_Stat stat;
    return PHYSFS_stat(physfsName(path).c_str(), &stat) &&
           stat.filetype == PHYSFS_FILETYPE_DIRECTORY;
}

std::unique_ptr<Stream> ResourceManager::openRead(const std::string& name) {
    const std::string path = resolve(name);
    if (fileExists(path) != 0)
        return nullptr;
    PHYSFS_File* file = PHYSFS_openRead(physfsName(path).c_str());
    if (!file)
        return nullptr;
    // Buffered, so that reading one character at a time stays cheap.
    PHYSFS_setBuffer(file, 4096);
    return std::unique_ptr<Stream>(new Stream(file, path, false));
}

std::unique_ptr<Stream> ResourceManager::openWrite(const std::string& name) {
    const std::string path = resolve(name);
    if (path.empty() || path == "/" || !ensureReady())
        return nullptr;
    const std::string relative = physfsName(path);
    const std::size_t slash = relative.rfind('/');
    if (slash != std::string::npos && !PHYSFS_mkdir(relative.substr(0, slash).c_str())) {
        filter() << (debug::Error(RESOURCES_CONTEXT)
                     << "cannot make the folder of '" << path << "': " << lastError());
        return nullptr;
    }
    PHYSFS_File* file = PHYSFS_openWrite(relative.c_str());
    if (!file) {
        filter() << (debug::Error(RESOURCES_CONTEXT)
                     << "cannot write '" << path << "': " << lastError());
        return nullptr;
    }
    PHYSFS_setBuffer(file, 4096);
    return std::unique_ptr<Stream>(new Stream(file, path, true));
}

bool ResourceManager::readAll(const std::string& name, std::string* contents) {
    if (!contents)
        return false;
    auto stream = openRead(name);
    if (!stream)
        return false;
    std::string data;
    char buffer[4096];
    for (;;) {
        const std::size_t got = stream->read(buffer, sizeof buffer);
        if (got == 0)
            break;
        data.append(buffer, got);
    }
    if (!stream->eof())
        return false;
    *contents = std::move(data);
    return true;
}

bool ResourceManager::remove(const std::string& name) {
    const std::string path = resolve(name);
    if (path.empty() || path == "/" || !ensureReady())
        return false;
    return PHYSFS_delete(physfsName(path).c_str()) != 0;
}

}  // namespace resources

ResourceManager* const theResourceManager = &resources::ResourceManager::instance();
