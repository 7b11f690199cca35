#include "engine/config.h"

namespace config {

NamePath::NamePath(const std::string& dotted) {
    std::string part;
    for (const char c : dotted) {
        if (c == '.') {
            valid_ = valid_ && !part.empty();
            parts_.push_back(std::move(part));
            part.clear();
        } else {
            part += c;
        }
    }
    valid_ = valid_ && !part.empty();
    parts_.push_back(std::move(part));
}

NamePath::NamePath(const char* dotted) : NamePath(std::string(dotted ? dotted : "")) {}

NamePath::NamePath(const NameEntry& entry) : parts_{entry.name()}, valid_(!entry.name().empty()) {}

std::string NamePath::toString() const {
    std::string text;
    for (std::size_t i = 0; i < parts_.size(); ++i)
        text += (i ? "." : "") + parts_[i];
    return text;
}

}  // namespace config
