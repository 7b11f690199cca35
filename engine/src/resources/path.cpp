#include "engine/resources.h"

#include <vector>

namespace resources {

std::string normalizePath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&]() -> bool {
        if (part == "..") {
            if (parts.empty())
                return false;
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
        return true;
    };
    for (const char c : path) {
        if (c == '/' || c == '\\') {
            if (!flush())
                return std::string();
        } else {
            part += c;
        }
    }
    if (!flush())
        return std::string();
    std::string result;
    for (const auto& p : parts)
        result += "/" + p;
    return result.empty() ? std::string("/") : result;
}

}  // namespace resources
