// How a running dialog is painted over its owner: captions are set
// proportionally from the 6 x 8 glyphs, so that a caption sized for a dialog
// font fits its control whole.
#include "gdi/bitmap_font.h"
#include "platform/dialog_resource.h"
#include "platform/testing.h"
#include "user/dialog_painter.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

namespace {

constexpr WORD kBox = 10;
constexpr DWORD kInk = 0xFF000000;
// Twelve characters: 72 pixels in fixed cells, fewer set proportionally.
const std::string kCaption = "Antialiasing";

int glyphInk(const std::string& text) {
    int ink = 0;
    for (unsigned char c : text)
        for (int row = 0; row < platform::gdi::kCellHeight; ++row)
            ink += __builtin_popcount(platform::gdi::glyphRows(c)[row]);
    return ink;
}

INT_PTR CALLBACK quiet(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

TEST(DialogPainting, ACaptionSizedForADialogFontIsDrawnWhole) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "DialogPaintOwner";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND owner = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 320, 200,
                                 nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    // 56 dialog units are 84 pixels: the check box's 15 leave 69 for the text,
    // less than twelve fixed cells.
    platform::DialogResource d(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 0, 120, 60, "Paint", 8,
                               "MS Sans Serif");
    d.item("Button", kCaption.c_str(), kBox, 10, 10, 56, 10,
           WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX);
    auto result = std::async(std::launch::async, [&] {
        return DialogBoxIndirectParamA(nullptr, static_cast<LPCDLGTEMPLATEA>(d.data()), owner,
                                       quiet, 0);
    });
    HWND dialog = platform::testing::waitForDialogs(1, 10000);
    ASSERT_NE(dialog, nullptr);

    std::vector<DWORD> pixels(320 * 200, 0xFF00FF00);
    platform::user::paintDialogsOver(owner, 320, 200, pixels);
    RECT box{};
    GetWindowRect(GetDlgItem(dialog, kBox), &box);
    int ink = 0;
    for (LONG y = box.top; y < box.bottom; ++y)
        for (LONG x = box.left + 15; x < box.right; ++x)
            ink += pixels[static_cast<size_t>(y) * 320 + x] == kInk;
    EXPECT_EQ(box.right - box.left, 84);
    EXPECT_EQ(ink, glyphInk(kCaption)) << "every glyph whole, none overlapping";

    EndDialog(dialog, 0);
    result.get();
    DestroyWindow(owner);
    UnregisterClassA(wc.lpszClassName, nullptr);
}

}  // namespace
