// Testing API: a running dialog driven through its own input routing.
#include "platform/testing_dialogs.h"

#include "user/controls.h"
#include "user/dialogs.h"

#include <commctrl.h>

namespace platform::testing {
namespace {

using user::DialogInput;

// A client point of the item in dialog client coordinates.
bool itemPoint(HWND dialog, int id, POINT local, POINT* out) {
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        return false;
    ClientToScreen(item, &local);
    ScreenToClient(dialog, &local);
    *out = local;
    return true;
}

bool itemCentre(HWND dialog, int id, POINT* out) {
    RECT client{};
    return GetClientRect(GetDlgItem(dialog, id), &client) &&
           itemPoint(dialog, id, {client.right / 2, client.bottom / 2}, out);
}

bool key(HWND dialog, DialogInput kind, UINT value) {
    return user::deliverDialogInput(dialog, kind, value, {}, true);
}

}  // namespace

bool clickDialogItem(HWND dialog, int id, bool wait) {
    POINT at{};
    if (!itemCentre(dialog, id, &at))
        return false;
    return user::deliverDialogInput(dialog, DialogInput::MouseDown, 0, at, wait) &&
           user::deliverDialogInput(dialog, DialogInput::MouseUp, 0, at, wait);
}

bool pressDialogKey(HWND dialog, UINT virtualKey, bool shift) {
    bool ok = !shift || key(dialog, DialogInput::KeyDown, VK_SHIFT);
    ok = ok && key(dialog, DialogInput::KeyDown, virtualKey) &&
         key(dialog, DialogInput::KeyUp, virtualKey);
    if (shift)
        ok = key(dialog, DialogInput::KeyUp, VK_SHIFT) && ok;
    return ok;
}

bool typeDialogText(HWND dialog, const std::string& text) {
    for (char c : text)
        if (!key(dialog, DialogInput::Character, static_cast<unsigned char>(c)))
            return false;
    return true;
}

bool replaceDialogItemText(HWND dialog, int id, const std::string& text) {
    if (!clickDialogItem(dialog, id))
        return false;
    const std::string old = dialogItemText(dialog, id);
    return typeDialogText(dialog, std::string(old.size(), '\b')) && typeDialogText(dialog, text);
}

bool dragTrackBar(HWND dialog, int id, int position) {
    HWND bar = GetDlgItem(dialog, id);
    POINT from{}, to{};
    if (!bar ||
        !itemPoint(dialog, id, user::trackBarPoint(bar, SendMessageA(bar, TBM_GETPOS, 0, 0)),
                   &from) ||
        !itemPoint(dialog, id, user::trackBarPoint(bar, position), &to))
        return false;
    return user::deliverDialogInput(dialog, DialogInput::MouseDown, 0, from, true) &&
           user::deliverDialogInput(dialog, DialogInput::MouseMove, 0, to, true) &&
           user::deliverDialogInput(dialog, DialogInput::MouseUp, 0, to, true);
}

std::string dialogItemText(HWND dialog, int id) {
    char text[4096] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

}  // namespace platform::testing
