#include "engine/config.h"

#include <libconfig.h++>

#include "engine/debug.h"
#include "engine/resources.h"

namespace config {
namespace {

const debug::Filter& filter() {
    static const debug::Filter instance("Config");
    return instance;
}

// The line of an @include directive, or 0. libconfig would read an included
// file from the real file system, around the virtual one.
int includeLine(const std::string& text) {
    int line = 1;
    bool lineStart = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            ++line;
            lineStart = true;
        } else if (lineStart && c == '@' && text.compare(i, 8, "@include") == 0) {
            return line;
        } else if (c != ' ' && c != '\t' && c != '\r') {
            lineStart = false;
        }
    }
    return 0;
}

}  // namespace

// Copies a parsed libconfig tree into blocks and properties, so that the
// parser's objects need not outlive the parse.
class Builder {
public:
    static void fill(Block& block, const libconfig::Setting& group) {
        const int count = group.getLength();
        block.entries_.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            const libconfig::Setting& child = group[i];
            Block::Entry entry;
            entry.name = child.getName() ? child.getName() : "";
            if (child.isGroup()) {
                entry.block = std::make_unique<Block>();
                entry.block->name_ = entry.name;
                fill(*entry.block, child);
            } else {
                entry.property = std::make_unique<Property>(makeProperty(child));
            }
            block.entries_.push_back(std::move(entry));
        }
    }

private:
    static Property makeProperty(const libconfig::Setting& setting) {
        const int line = static_cast<int>(setting.getSourceLine());
        switch (setting.getType()) {
            case libconfig::Setting::TypeBoolean: {
                Property property(Property::Type::Bool, line);
                property.bool_ = static_cast<bool>(setting);
                return property;
            }
            case libconfig::Setting::TypeInt: {
                Property property(Property::Type::Int, line);
                property.int_ = static_cast<int>(setting);
                return property;
            }
            case libconfig::Setting::TypeInt64: {
                Property property(Property::Type::Int, line);
                property.int_ = static_cast<long long>(setting);
                return property;
            }
            case libconfig::Setting::TypeFloat: {
                Property property(Property::Type::Float, line);
                property.float_ = static_cast<double>(setting);
                return property;
            }
            case libconfig::Setting::TypeString: {
                Property property(Property::Type::String, line);
                property.string_ = static_cast<const char*>(setting);
                return property;
            }
            case libconfig::Setting::TypeGroup: {
                Property property(Property::Type::Block, line);
                property.block_ = std::make_unique<Block>();
                fill(*property.block_, setting);
                return property;
            }
            default: {  // array or list
                Property property(Property::Type::List, line);
                const int count = setting.getLength();
                property.items_.reserve(static_cast<std::size_t>(count));
                for (int i = 0; i < count; ++i)
                    property.items_.push_back(makeProperty(setting[i]));
                return property;
            }
        }
    }
};

void Config::clear() {
    clearEntries();
}

bool Config::readFile(const std::string& virtualPath) {
    clear();
    path_ = virtualPath;
    std::string text;
    if (!theResourceManager->readAll(virtualPath, &text))
        return false;
    return readString(text, theResourceManager->resolve(virtualPath));
}

bool Config::readString(const std::string& text, const std::string& sourceName) {
    clear();
    if (const int line = includeLine(text)) {
        filter() << (debug::Error(debug::Context(sourceName.c_str(), line))
                     << "'" << sourceName << "' line " << line
                     << ": @include is not supported; the file is ignored");
        return false;
    }
    try {
        libconfig::Config parsed;
        parsed.readString(text);
        Builder::fill(*this, parsed.getRoot());
        return true;
    } catch (const libconfig::ParseException& error) {
        filter() << (debug::Error(debug::Context(sourceName.c_str(), error.getLine()))
                     << "syntax error in '" << sourceName << "' at line " << error.getLine() << ": "
                     << error.getError());
    } catch (const std::exception& error) {
        filter() << (debug::Error(debug::Context(sourceName.c_str(), 0))
                     << "cannot read '" << sourceName << "': " << error.what());
    }
    clear();
    return false;
}

std::shared_ptr<Config> ConfigManager::bindConfig(const std::string& virtualPath) {
    const std::string key = theResourceManager->resolve(virtualPath);
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto shared = configs_[key].lock())
        return shared;
    auto config = std::make_shared<Config>();
    config->readFile(key.empty() ? virtualPath : key);
    configs_[key] = config;
    return config;
}

std::size_t ConfigManager::liveCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = configs_.begin(); it != configs_.end();) {
        if (it->second.expired())
            it = configs_.erase(it);
        else
            ++it;
    }
    return configs_.size();
}

namespace {
ConfigManager manager;
}  // namespace

ConfigManager* const theConfigManager = &manager;

}  // namespace config
