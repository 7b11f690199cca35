#include "engine/config.h"

namespace config {

Block::Block() = default;
Block::~Block() = default;

void Block::clearEntries() {
    entries_.clear();
}

const Block::Entry* Block::findLocal(const std::string& name) const {
    for (const auto& entry : entries_)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

const Block::Entry* Block::findEntry(const NamePath& path) const {
    if (!path.valid())
        return nullptr;
    const Block* block = this;
    const auto& parts = path.parts();
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const Entry* entry = block->findLocal(parts[i]);
        if (!entry || !entry->block)
            return nullptr;
        block = entry->block.get();
    }
    return block->findLocal(parts.back());
}

bool Block::getPropertyAccess(const NamePath& path, Block** block) const {
    const Entry* entry = findEntry(path);
    if (!block || !entry || !entry->block)
        return false;
    *block = entry->block.get();
    return true;
}

bool Block::getPropertyAccess(const NamePath& path, const Property** property) const {
    const Entry* entry = findEntry(path);
    if (!property || !entry || !entry->property)
        return false;
    *property = entry->property.get();
    return true;
}

std::size_t Block::getProperties(std::vector<NameEntry>& entries) const {
    std::size_t count = 0;
    for (const auto& entry : entries_) {
        if (entry.block) {
            entries.emplace_back(entry.name, entry.block.get());
            ++count;
        }
    }
    return count;
}

std::vector<std::string> Block::getNames() const {
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const auto& entry : entries_)
        names.push_back(entry.name);
    return names;
}

template <typename T>
bool Block::read(const NamePath& path, T* out) const {
    const Entry* entry = findEntry(path);
    return out && entry && entry->property && entry->property->get(out);
}

bool Block::getProperty(const NamePath& path, bool* out) const {
    return read(path, out);
}
bool Block::getProperty(const NamePath& path, int* out) const {
    return read(path, out);
}
bool Block::getProperty(const NamePath& path, float* out) const {
    return read(path, out);
}
bool Block::getProperty(const NamePath& path, double* out) const {
    return read(path, out);
}
bool Block::getProperty(const NamePath& path, std::string* out) const {
    return read(path, out);
}
bool Block::getProperty(const NamePath& path, Color* out) const {
    return read(path, out);
}
bool Block::getProperty(const NamePath& path, Vector* out) const {
    return read(path, out);
}
bool Block::getProperty(const NamePath& path, std::vector<int>* out) const {
    return read(path, out);
}
bool Block::getProperty(const NamePath& path, std::vector<float>* out) const {
    return read(path, out);
}
bool Block::getProperty(const NamePath& path, std::vector<std::string>* out) const {
    return read(path, out);
}

}  // namespace config
