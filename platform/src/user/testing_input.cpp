// Testing API: activation, cursor and input.
#include "platform/testing_input.h"

#include "user/user_state.h"

namespace platform::testing {

void deactivateApplication() {
    user::deactivateApplication();
}

void activateApplication() {
    user::reactivateApplication();
}

void simulateTaskSwitch() {
    user::deactivateApplication();
    user::reactivateApplication();
}

void setCursorPosition(int x, int y) {
    user::setCursorPosition({x, y});
}

bool postKey(UINT virtualKey, bool down) {
    return user::postKeyInput(virtualKey, down, GetForegroundWindow());
}

bool postMouseMove(HWND window, int x, int y) {
    return user::postMouseMove(window, {x, y});
}

bool postMouseButton(HWND window, int button, bool down, int x, int y) {
    return user::postMouseButton(window, button, down, {x, y});
}

int cursorDisplayCount() {
    return user::cursorDisplayCount();
}

unsigned systemMenuOpenCount() {
    return user::systemMenuOpenCount();
}

}  // namespace platform::testing
