// Handles of materials and textures: small non-zero numbers the application
// passes back through light and render states. A handle is valid from the
// object's creation to its destruction, never reused while the process runs.
#pragma once

#include <windef.h>

#include <mutex>
#include <unordered_map>

namespace platform::d3d::device {

template <typename T>
class HandleTable {
public:
    DWORD add(T* object) {
        std::lock_guard<std::mutex> lock(mutex_);
        const DWORD handle = next_++;
        objects_[handle] = object;
        return handle;
    }
    void remove(DWORD handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        objects_.erase(handle);
    }
    T* find(DWORD handle) const {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : it->second;
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<DWORD, T*> objects_;
    DWORD next_ = 1;
};

}  // namespace platform::d3d::device
