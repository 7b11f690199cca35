// Count of open streams, so that PhysicsFS is not shut down under them.
#pragma once

#include <atomic>

namespace resources {

inline std::atomic<int>& openStreams() {
    static std::atomic<int> count{0};
    return count;
}

}  // namespace resources
