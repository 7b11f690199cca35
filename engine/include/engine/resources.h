// Resource manager: the engine's virtual file system on PhysicsFS.
//
// Virtual paths use '/' (a '\\' is taken as '/'). A name beginning with '/'
// is absolute; any other name is resolved against the calling thread's
// current path. Each thread has its own current path and push/pop stack,
// starting at "/": the driver changes directory around file work on two
// threads at once, and a shared path would let one thread's change leak into
// the other's look-ups.
//
// Mounts (all at "/"): the write directory first, so a file just written is
// the one read back, then the data root. Defaults, resolved on first use:
//  - data root: $D3DDRIVER_DATA if set, else the first existing "data"
//    folder found next to the executable, one level up, two levels up, or in
//    the working directory;
//  - write directory: $D3DDRIVER_WRITE_DIR if set, else $XDG_DATA_HOME/d3ddriver,
//    else ~/.local/share/d3ddriver (made when missing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace resources {

// An open file. One stream is used by one thread at a time; different
// streams may be used on different threads. Closed on destruction.
class Stream {
public:
    static constexpr int endOfFile = -1;
    enum class Origin { Begin, Current, End };

    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    const std::string& path() const { return path_; }
    bool isOpen() const { return file_ != nullptr; }
    bool isWritable() const { return writable_; }

    // Reads up to count bytes; returns the number read (0 at end of file or
    // on error).
    std::size_t read(void* buffer, std::size_t count);
    // The next byte as 0..255, or endOfFile when there is none left.
    int getChar();
    // True when no byte is left to read (or the stream is closed).
    bool eof() const;
    // Writes count bytes; returns the number written.
    std::size_t write(const void* data, std::size_t count);
    bool write(const std::string& text);
    bool flush();
    bool seek(std::int64_t offset, Origin origin = Origin::Begin);
    // The position, or -1 when the stream is closed.
    std::int64_t tell() const;
    // The file's length in bytes, or -1 when unknown or closed.
    std::int64_t size() const;
    void close();

private:
    friend class ResourceManager;
    Stream(void* file, std::string path, bool writable);

    void* file_;  // PHYSFS_File
    std::string path_;
    bool writable_;
};

class ResourceManager {
public:
    // PhysicsFS has one mount table per process, so there is one manager.
    static ResourceManager& instance();
    ~ResourceManager();
    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    // Mounts a real folder as the data root; false (and an error report)
    // when it does not exist or cannot be mounted.
    bool setDataRoot(const std::string& realDir);
    std::string getDataRoot();
    // Chooses the real folder that receives written files (created when
    // missing) and mounts it ahead of the data root.
    bool setWriteDir(const std::string& realDir);
    std::string getWriteDir();
    // Chooses both folders again from the environment, as at start-up.
    bool useDefaultMounts();

    // The calling thread's current path: absolute, ending with '/'.
    std::string getCurrentPath() const;
    // Sets the current path (a relative one is taken from the current
    // path); false when the path is not valid.
    bool setCurrentPath(const std::string& path);
    // Saves the current path on the calling thread's stack.
    void pushCurrentPath();
    // Restores the last saved path; false when nothing was saved.
    bool popCurrentPath();

    // The absolute, normalised virtual path of a name ("" when it climbs
    // above the root with "..").
    std::string resolve(const std::string& name) const;

    // access()-style test: 0 when the name is an existing file, -1 otherwise.
    int fileExists(const std::string& name);
    bool exists(const std::string& name) { return fileExists(name) == 0; }
    bool isDirectory(const std::string& name);

    // Null when the file cannot be opened.
    std::unique_ptr<Stream> openRead(const std::string& name);
    // Creates or truncates the file in the write directory (missing folders
    // are made); null when that is not possible.
    std::unique_ptr<Stream> openWrite(const std::string& name);
    // Reads a whole file; false when it cannot be opened or read.
    bool readAll(const std::string& name, std::string* contents);
    // Removes a file from the write directory.
    bool remove(const std::string& name);

private:
    ResourceManager() = default;
    bool ensureReady();
    bool remountLocked();
    void chooseDefaultsLocked();

    std::mutex mutex_;  // mounts and start-up
    bool initialised_ = false;
    bool defaultsChosen_ = false;
    std::string dataRoot_;
    std::string writeDir_;
    std::string mountedData_;
    std::string mountedWrite_;
};

// Normalises a virtual path: '\\' becomes '/', "." and empty parts go, ".."
// removes the part before it. The result starts with '/' and has no trailing
// '/' (the root is "/"). Empty when ".." climbs above the root.
std::string normalizePath(const std::string& path);

}  // namespace resources

using resources::ResourceManager;

// The process-wide resource manager.
extern ResourceManager* const theResourceManager;
