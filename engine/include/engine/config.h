// Configuration library: typed look-ups in files of blocks and values.
//
// Files use the libconfig syntax, read through the resource manager:
//
//   Driver = {
//       showFPS = true;
//       mouseUpdateFrequency = 50;          // an int is accepted as a float
//       background = [0.2, 0.3, 0.4];       // Color: 3 or 4 numbers, a = 1 when absent
//       centerPosition = [0, 1.5, 0];       // Vector: exactly 3 numbers
//       qualities = [0, 1, 2];              // list of int
//       textures = ["a.tga", "b.tga"];      // list of strings; ( ... ) lists work too
//       DefaultVideoMode = { xResolution = 800; };
//   };
//
// Keys are reached by dotted paths ("Driver.DefaultVideoMode.xResolution").
// Every look-up that fails (missing file, block or key, or a value of another
// type) returns false and leaves the caller's value untouched.
//
// A parsed configuration is not changed by look-ups, so any number of threads
// may read it; readFile must not run while others read the same object.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/types.h"

namespace config {

class Block;

// The name of a sub-block, with the block itself.
class NameEntry {
public:
    NameEntry(std::string name, Block* block) : name_(std::move(name)), block_(block) {}
    const std::string& name() const { return name_; }
    Block* block() const { return block_; }
    operator std::string() const { return name_; }

private:
    std::string name_;
    Block* block_;
};

// A path of keys, one per nesting level.
class NamePath {
public:
    NamePath() = default;
    // Splits a dotted key; an empty part (as in "a..b") makes the path
    // invalid, and an invalid path finds nothing.
    NamePath(const std::string& dotted);
    NamePath(const char* dotted);
    NamePath(const NameEntry& entry);

    const std::vector<std::string>& parts() const { return parts_; }
    bool valid() const { return valid_ && !parts_.empty(); }
    std::string toString() const;

private:
    std::vector<std::string> parts_;
    bool valid_ = true;
};

// One value that is not a named block: a scalar, or a list of values.
class Property {
public:
    enum class Type { Bool, Int, Float, String, List, Block };

    Property(Property&&) noexcept;
    Property& operator=(Property&&) noexcept;
    ~Property();

    Type type() const { return type_; }
    bool isList() const { return type_ == Type::List; }
    // Elements of a list; 0 for anything else.
    std::size_t size() const { return items_.size(); }
    const Property& operator[](std::size_t index) const { return items_.at(index); }
    // The group held by a list element written as { ... }; null otherwise.
    config::Block* block() const { return block_.get(); }
    // Source line in its file.
    int line() const { return line_; }

    // Typed reads: false (and *out untouched) for a value of another type.
    bool get(bool* out) const;
    bool get(int* out) const;
    bool get(float* out) const;
    bool get(double* out) const;
    bool get(std::string* out) const;
    bool get(Color* out) const;
    bool get(Vector* out) const;
    bool get(std::vector<int>* out) const;
    bool get(std::vector<float>* out) const;
    bool get(std::vector<std::string>* out) const;

private:
    friend class Builder;
    explicit Property(Type type, int line) : type_(type), line_(line) {}
    bool getNumbers(std::vector<float>* out) const;

    Type type_;
    int line_;
    bool bool_ = false;
    long long int_ = 0;
    double float_ = 0.0;
    std::string string_;
    std::vector<Property> items_;
    std::unique_ptr<config::Block> block_;
};

// A named group of properties and sub-blocks, in file order.
class Block {
public:
    Block();
    virtual ~Block();
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    const std::string& name() const { return name_; }
    bool empty() const { return entries_.empty(); }

    // Finds a sub-block.
    bool getPropertyAccess(const NamePath& path, Block** block) const;
    // Finds a value that is not a named block (scalar or list).
    bool getPropertyAccess(const NamePath& path, const Property** property) const;

    // Appends the sub-blocks directly inside this one, in file order;
    // returns how many were appended.
    std::size_t getProperties(std::vector<NameEntry>& entries) const;
    // Names of every entry (values and blocks), in file order.
    std::vector<std::string> getNames() const;

    bool getProperty(const NamePath& path, bool* out) const;
    bool getProperty(const NamePath& path, int* out) const;
    bool getProperty(const NamePath& path, float* out) const;
    bool getProperty(const NamePath& path, double* out) const;
    bool getProperty(const NamePath& path, std::string* out) const;
    bool getProperty(const NamePath& path, Color* out) const;
    bool getProperty(const NamePath& path, Vector* out) const;
    bool getProperty(const NamePath& path, std::vector<int>* out) const;
    bool getProperty(const NamePath& path, std::vector<float>* out) const;
    bool getProperty(const NamePath& path, std::vector<std::string>* out) const;

protected:
    void clearEntries();

private:
    friend class Builder;
    struct Entry {
        std::string name;
        std::unique_ptr<Block> block;        // a named sub-block, or
        std::unique_ptr<Property> property;  // any other value
    };

    const Entry* findEntry(const NamePath& path) const;
    const Entry* findLocal(const std::string& name) const;
    template <typename T>
    bool read(const NamePath& path, T* out) const;

    std::string name_;
    std::vector<Entry> entries_;
};

// A whole file; the top-level block.
class Config : public Block {
public:
    Config() = default;

    // Reads a file by its virtual path. A missing file or one with a syntax
    // error (reported with file and line) leaves the configuration empty and
    // returns false.
    bool readFile(const std::string& virtualPath);
    // Parses text; sourceName names it in error reports.
    bool readString(const std::string& text, const std::string& sourceName = "<string>");
    void clear();
    // The path last given to readFile.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Shares parsed files: while some holder keeps a file's configuration alive,
// binding the same path again gives the same object.
class ConfigManager {
public:
    // Never null; a missing or broken file gives an empty configuration.
    std::shared_ptr<Config> bindConfig(const std::string& virtualPath);
    // Forgets expired entries; returns how many files are still shared.
    std::size_t liveCount();

private:
    std::mutex mutex_;
    std::map<std::string, std::weak_ptr<Config>> configs_;
};

extern ConfigManager* const theConfigManager;

}  // namespace config
