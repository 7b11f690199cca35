// Helpers shared by the engine tests: a temporary data root and a capture of
// debug reports.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "engine/debug.h"
#include "engine/resources.h"

namespace enginetest {

// A fresh real folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "d3ddriver-engine-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempDir() {
        // The resource manager makes its write folder again at every mount:
        // one it still used would come back, empty, at the next test's mount.
        if (!path_.empty() && (inside(theResourceManager->getWriteDir()) ||
                               inside(theResourceManager->getDataRoot())))
            theResourceManager->useDefaultMounts();
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

    // Writes a file below the folder, making its parent folders.
    void write(const std::string& relative, const std::string& contents) const {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << contents;
    }

private:
    bool inside(const std::string& folder) const {
        const std::string own = path_.string();
        return folder.compare(0, own.size(), own) == 0 &&
               (folder.size() == own.size() || folder[own.size()] == '/');
    }

    std::filesystem::path path_;
};

// Mounts a temporary data root and write folder for one test, and gives the
// calling thread a clean current path.
class DataRoot {
public:
    DataRoot()
        : ok_(theResourceManager->setDataRoot(data_.str()) &&
              theResourceManager->setWriteDir(out_.str())) {
        while (theResourceManager->popCurrentPath()) {
        }
        theResourceManager->setCurrentPath("/");
    }
    bool ok() const { return ok_; }
    const TempDir& data() const { return data_; }
    const TempDir& out() const { return out_; }

private:
    TempDir data_, out_;
    bool ok_;
};

// Collects every shown report while it lives.
class SinkCapture {
public:
    SinkCapture() {
        debug::System::setSink([this](const debug::Record& record) {
            std::lock_guard<std::mutex> lock(mutex_);
            records_.push_back(record);
        });
    }
    ~SinkCapture() { debug::System::setSink(nullptr); }

    std::vector<debug::Record> records() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return records_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<debug::Record> records_;
};

}  // namespace enginetest
