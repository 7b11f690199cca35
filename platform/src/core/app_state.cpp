#include "core/app_state.h"

#include <map>
#include <mutex>
#include <vector>

namespace platform::core {
namespace {

struct State {
    std::mutex mutex;
    bool active = true;
    DisplayModeDesc desktop{1024, 768, 32, 60};
    int nextId = 1;
    std::map<int, std::function<void(bool)>> activationListeners;
    std::map<int, std::function<void(const DisplayModeDesc&)>> displayListeners;
};

State& state() {
    static State s;
    return s;
}

template <typename Map>
auto snapshot(const Map& listeners) {
    std::vector<typename Map::mapped_type> copy;
    copy.reserve(listeners.size());
    for (const auto& entry : listeners)
        copy.push_back(entry.second);
    return copy;
}

}  // namespace

bool isAppActive() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().active;
}

void setAppActive(bool active) {
    std::vector<std::function<void(bool)>> listeners;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        if (state().active == active)
            return;
        state().active = active;
        listeners = snapshot(state().activationListeners);
    }
    for (auto& listener : listeners)
        listener(active);
}

int addActivationListener(std::function<void(bool)> listener) {
    std::lock_guard<std::mutex> lock(state().mutex);
    const int id = state().nextId++;
    state().activationListeners.emplace(id, std::move(listener));
    return id;
}

void removeActivationListener(int id) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().activationListeners.erase(id);
}

DisplayModeDesc desktopMode() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().desktop;
}

void setDesktopMode(const DisplayModeDesc& mode) {
    std::vector<std::function<void(const DisplayModeDesc&)>> listeners;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        const DisplayModeDesc& old = state().desktop;
        if (old.width == mode.width && old.height == mode.height &&
            old.bitsPerPixel == mode.bitsPerPixel && old.refreshRate == mode.refreshRate)
            return;
        state().desktop = mode;
        listeners = snapshot(state().displayListeners);
    }
    for (auto& listener : listeners)
        listener(mode);
}

int addDisplayChangeListener(std::function<void(const DisplayModeDesc&)> listener) {
    std::lock_guard<std::mutex> lock(state().mutex);
    const int id = state().nextId++;
    state().displayListeners.emplace(id, std::move(listener));
    return id;
}

void removeDisplayChangeListener(int id) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().displayListeners.erase(id);
}

}  // namespace platform::core
