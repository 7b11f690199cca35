// The folder mounted ahead of the data root while the driver loads.
#pragma once

#include <memory>
#include <string>

namespace viewer {

// The driver reads "/Configs/system.cfg" once, when it is loaded. The
// resource manager mounts its write folder ahead of the data root, so while
// the driver loads the viewer makes a fresh temporary folder the write
// folder: the driver then sees the data root's configuration and not a stray
// Configs folder in the user's write folder, and --fps can hand it a copy of
// that configuration with showFPS switched on. The folder is removed when the
// overlay goes.
class LoadOverlay {
public:
    // Makes the folder and mounts it; null and *error set on failure.
    static std::unique_ptr<LoadOverlay> mount(bool showFps, std::string* error);
    ~LoadOverlay();
    LoadOverlay(const LoadOverlay&) = delete;
    LoadOverlay& operator=(const LoadOverlay&) = delete;

    const std::string& folder() const { return path; }

private:
    explicit LoadOverlay(std::string folder) : path(std::move(folder)) {}

    std::string path;
};

// The configuration text with Driver.showFPS set to true (the block is added
// when missing). Empty text gives a configuration with only that key. False
// and *error set when the text cannot be parsed.
bool withShowFps(const std::string& text, std::string* result, std::string* error);

}  // namespace viewer
