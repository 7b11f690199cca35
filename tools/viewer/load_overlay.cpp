#include "load_overlay.h"

#include <engine/config.h>
#include <engine/resources.h>

#include <libconfig.h++>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

namespace viewer {
namespace {

const char* const configPath = "/Configs/system.cfg";

bool makeTemporaryFolder(std::string* folder, std::string* error) {
    std::error_code ec;
    const auto base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        *error = "no temporary folder: " + ec.message();
        return false;
    }
    std::string pattern = (base / "d3dview-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) {
        *error = "cannot make a temporary folder in " + base.string();
        return false;
    }
    *folder = buffer.data();
    return true;
}

bool writeText(const std::filesystem::path& file, const std::string& text, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary);
    out << text;
    out.close();
    if (ec || !out) {
        *error = "cannot write " + file.string();
        return false;
    }
    return true;
}

}  // namespace

bool withShowFps(const std::string& text, std::string* result, std::string* error) {
    libconfig::Config config;
    try {
        config.readString(text);
        libconfig::Setting& root = config.getRoot();
        if (root.exists("Driver") && !root["Driver"].isGroup())
            root.remove("Driver");
        if (!root.exists("Driver"))
            root.add("Driver", libconfig::Setting::TypeGroup);
        libconfig::Setting& driver = root["Driver"];
        if (driver.exists("showFPS"))
            driver.remove("showFPS");
        driver.add("showFPS", libconfig::Setting::TypeBoolean) = true;
    } catch (const libconfig::ParseException& e) {
        *error = std::string("line ") + std::to_string(e.getLine()) + ": " + e.getError();
        return false;
    } catch (const libconfig::ConfigException& e) {
        *error = e.what();
        return false;
    }
    // libconfig++ writes only to a FILE; a memory stream keeps it off disk.
    char* buffer = nullptr;
    std::size_t size = 0;
    FILE* stream = open_memstream(&buffer, &size);
    if (!stream) {
        *error = "out of memory";
        return false;
    }
    config.write(stream);
    std::fclose(stream);
    result->assign(buffer, size);
    std::free(buffer);
    return true;
}

std::unique_ptr<LoadOverlay> LoadOverlay::mount(bool showFps, std::string* error) {
    std::string folder;
    if (!makeTemporaryFolder(&folder, error))
        return nullptr;
    std::unique_ptr<LoadOverlay> overlay(new LoadOverlay(folder));
    if (!theResourceManager->setWriteDir(folder)) {
        *error = "cannot use " + folder + " as the write folder";
        return nullptr;
    }
    if (!showFps)
        return overlay;
    // The folder is still empty, so this reads the data root's file.
    std::string text;
    theResourceManager->readAll(configPath, &text);
    // Without --fps the driver reports a file it cannot read (file and line)
    // and keeps its defaults; here the same reader gives the same report, and
    // the copy is the defaults with showFPS on.
    if (!text.empty() && !config::Config().readString(text, configPath))
        text.clear();
    std::string changed;
    std::string why;
    if (!withShowFps(text, &changed, &why)) {
        *error = "cannot read " + theResourceManager->getDataRoot() + configPath + " (" + why + ")";
        return nullptr;
    }
    if (!writeText(std::filesystem::path(folder) / "Configs" / "system.cfg", changed, error))
        return nullptr;
    return overlay;
}

LoadOverlay::~LoadOverlay() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

}  // namespace viewer
