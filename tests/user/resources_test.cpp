// Module resources: this program exports a resource table, as a module's
// image carries one, and dialogs are found in it by name, number and
// language; a template cut short opens nothing.
#include "platform/dialog_resource.h"

#include <gtest/gtest.h>

namespace {

const platform::DialogResource& shortDialog(const char* title) {
    static platform::DialogResource russian(WS_POPUP | WS_CAPTION, 0, 0, 100, 50, "Russian", 8,
                                            "MS Sans Serif");
    static platform::DialogResource english(WS_POPUP | WS_CAPTION, 0, 0, 100, 50, "English", 8,
                                            "MS Sans Serif");
    return title[0] == 'R' ? russian : english;
}

INT_PTR CALLBACK endsWithItsTitleLength(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG)
        EndDialog(dialog, GetWindowTextLengthA(dialog));
    return FALSE;
}

}  // namespace

extern "C" PLATFORM_API const MODULE_RESOURCE* WINAPI ModuleResources(DWORD* count) {
    static const MODULE_RESOURCE table[] = {
        {RT_DIALOG, "IDD_BOTH", 1049, shortDialog("R").data(), shortDialog("R").size()},
        {RT_DIALOG, "IDD_BOTH", 1033, shortDialog("E").data(), shortDialog("E").size()},
        {RT_DIALOG, MAKEINTRESOURCEA(77), 0, shortDialog("E").data(), shortDialog("E").size()},
        {RT_DIALOG, "IDD_CUT", 0, shortDialog("R").data(), shortDialog("R").size() - 6},
    };
    *count = sizeof table / sizeof table[0];
    return table;
}

namespace {

TEST(Resources, FoundByNameNumberAndLanguage) {
    const auto title = [](HRSRC found) {
        return found ? std::string(reinterpret_cast<const MODULE_RESOURCE*>(found)->language == 1049
                                       ? "ru"
                                       : "en")
                     : std::string("none");
    };
    EXPECT_EQ(title(FindResourceExA(nullptr, RT_DIALOG, "idd_both", 1033)), "en");
    EXPECT_EQ(title(FindResourceExA(nullptr, RT_DIALOG, "IDD_BOTH", 1049)), "ru");
    EXPECT_EQ(title(FindResourceA(nullptr, "IDD_BOTH", RT_DIALOG)), "ru");  // any language
    EXPECT_EQ(title(FindResourceExA(nullptr, RT_DIALOG, "IDD_BOTH", 1031)), "none");
    EXPECT_EQ(GetLastError(), DWORD{ERROR_RESOURCE_LANG_NOT_FOUND});
    EXPECT_EQ(title(FindResourceA(nullptr, "IDD_NONE", RT_DIALOG)), "none");
    EXPECT_EQ(GetLastError(), DWORD{ERROR_RESOURCE_NAME_NOT_FOUND});
    EXPECT_NE(FindResourceA(nullptr, "#77", RT_DIALOG), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "IDD_BOTH", MAKEINTRESOURCEA(6)), nullptr);
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(77), RT_DIALOG);
    EXPECT_EQ(SizeofResource(nullptr, found), shortDialog("E").size());
    EXPECT_EQ(LockResource(LoadResource(nullptr, found)), shortDialog("E").data());
}

// The dialog opened by name is the resource's; a template cut short is
// refused (-1) rather than read past its end.
TEST(Resources, DialogsOpenFromTheModulesTemplates) {
    EXPECT_EQ(DialogBoxParamA(nullptr, "IDD_BOTH", nullptr, endsWithItsTitleLength, 0), 7);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(77), nullptr, endsWithItsTitleLength, 0),
              7);
    EXPECT_EQ(DialogBoxParamA(nullptr, "IDD_CUT", nullptr, endsWithItsTitleLength, 0), -1);
}

}  // namespace
