#include "core/presenter.h"

#include "present/headless_presenter.h"
#include "present/sdl_presenter.h"

#include <cstdlib>
#include <cstring>

namespace platform::core {
namespace {

bool headlessWanted() {
    const char* forced = std::getenv("D3DDRIVER_HEADLESS");
    if (forced && *forced && std::strcmp(forced, "0") != 0)
        return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return !(x11 && *x11) && !(wayland && *wayland);
}

std::unique_ptr<Presenter> makePresenter() {
    if (headlessWanted())
        return std::make_unique<present::HeadlessPresenter>();
    return std::make_unique<present::SdlPresenter>();
}

}  // namespace

Presenter& presenter() {
    static const std::unique_ptr<Presenter> instance = makePresenter();
    return *instance;
}

}  // namespace platform::core
