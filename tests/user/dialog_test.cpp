// Message boxes and modal dialogs, on the calling thread and across threads.
#include "test_window.h"

#include "platform/testing_input.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

using test::TestWindow;

namespace {

class MessageBoxes : public ::testing::Test {
protected:
    void SetUp() override { platform::testing::clearMessageBoxes(); }
    void TearDown() override { platform::testing::clearMessageBoxes(); }
};

TEST_F(MessageBoxes, QueuedAnswersAreGivenInOrderAndLogged) {
    platform::testing::queueMessageBoxAnswer(IDNO);
    platform::testing::queueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "Continue?", "Question", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Really?", "Question", MB_OKCANCEL), IDCANCEL);
    const auto log = platform::testing::messageBoxLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].text, "Continue?");
    EXPECT_EQ(log[0].caption, "Question");
    EXPECT_EQ(log[0].type, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(log[0].answer, IDNO);
    EXPECT_EQ(log[1].text, "Really?");
}

TEST_F(MessageBoxes, WithoutAnswerTheDefaultButtonIsPressed) {
    ASSERT_TRUE(platform::testing::presenterIsHeadless());
    EXPECT_EQ(MessageBoxA(nullptr, "Done", "Info", MB_OK | MB_ICONINFORMATION), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Save?", nullptr, MB_YESNOCANCEL), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Retry?", nullptr, MB_RETRYCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    const auto log = platform::testing::messageBoxLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[1].caption, "Error");
    EXPECT_EQ(log[3].text, "");
}

struct DialogRecord {
    LPARAM initParam = 0;
    int initCount = 0;
    std::vector<UINT> commands;
};

INT_PTR CALLBACK recordingDialog(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* record = reinterpret_cast<DialogRecord*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            record = reinterpret_cast<DialogRecord*>(lParam);
            SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
            record->initParam = lParam;
            ++record->initCount;
            return TRUE;
        case WM_COMMAND:
            if (record)
                record->commands.push_back(LOWORD(wParam));
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
                EndDialog(hwnd, LOWORD(wParam) == IDOK ? 100 : 200);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK endsAtOnce(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        EndDialog(hwnd, static_cast<INT_PTR>(lParam) + 1);
        return TRUE;
    }
    return FALSE;
}

TEST(Dialogs, InitDialogGetsTheParameterAndEndDialogGivesTheResult) {
    platform::testing::registerDialogTemplate("IDD_QUICK", "Quick");
    EXPECT_EQ(DialogBoxParamA(nullptr, "IDD_QUICK", nullptr, endsAtOnce, 41), 42);
    EXPECT_EQ(DialogBoxParamA(nullptr, "idd_quick", nullptr, endsAtOnce, 1), 2);
}

TEST(Dialogs, UnknownTemplateGivesMinusOne) {
    EXPECT_EQ(DialogBoxParamA(nullptr, "IDD_NOT_THERE", nullptr, endsAtOnce, 0), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, nullptr, nullptr, endsAtOnce, 0), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(901), nullptr, endsAtOnce, 0), -1);
    platform::testing::registerDialogTemplate("#901");
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(901), nullptr, endsAtOnce, 4), 5);
    EXPECT_FALSE(EndDialog(reinterpret_cast<HWND>(0x5555), 1));
}

TEST(Dialogs, DrivenFromAnotherThreadWhileRunningModally) {
    platform::testing::registerDialogTemplate("IDD_SETTINGS", "Settings");
    TestWindow owner;
    ASSERT_NE(owner.create(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100), nullptr);
    DialogRecord record;
    auto driver = std::async(std::launch::async, [] {
        HWND dialog = platform::testing::waitForDialog(10000);
        if (!dialog)
            return false;
        char title[32] = "";
        GetWindowTextA(dialog, title, sizeof(title));
        return std::string(title) == "Settings" &&
               platform::testing::postDialogMessage(WM_COMMAND, 1234, 0) &&
               platform::testing::postDialogMessage(WM_COMMAND, IDOK, 0);
    });
    const INT_PTR result = DialogBoxParamA(nullptr, "IDD_SETTINGS", owner.handle(), recordingDialog,
                                           reinterpret_cast<LPARAM>(&record));
    EXPECT_TRUE(driver.get());
    EXPECT_EQ(result, 100);
    EXPECT_EQ(record.initCount, 1);
    EXPECT_EQ(record.initParam, reinterpret_cast<LPARAM>(&record));
    EXPECT_EQ(record.commands, (std::vector<UINT>{1234, IDOK}));
    EXPECT_EQ(platform::testing::waitForDialog(0), nullptr);
    EXPECT_EQ(GetForegroundWindow(), owner.handle());
}

TEST(Dialogs, ClosingTheDialogIsCancel) {
    platform::testing::registerDialogTemplate("IDD_CLOSE", "Close me");
    DialogRecord record;
    auto driver = std::async(std::launch::async, [] {
        HWND dialog = platform::testing::waitForDialog(10000);
        return dialog && PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(DialogBoxParamA(nullptr, "IDD_CLOSE", nullptr, recordingDialog,
                              reinterpret_cast<LPARAM>(&record)),
              200);
    EXPECT_TRUE(driver.get());
    EXPECT_EQ(record.commands, std::vector<UINT>{IDCANCEL});
}

// The render window pattern: a thread sends a private message to the window
// of another thread, whose procedure runs the dialog; the sender waits.
TEST(Dialogs, OpenedOnTheWindowThreadThroughSendMessage) {
    platform::testing::registerDialogTemplate("IDD_REMOTE", "Remote");
    constexpr UINT kRunDialog = WM_USER + 3000;
    std::promise<HWND> created;
    std::promise<DWORD> dialogThread;
    std::thread core([&] {
        TestWindow window([&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (msg == kRunDialog) {
                dialogThread.set_value(GetCurrentThreadId());
                return DialogBoxParamA(nullptr, "IDD_REMOTE", hwnd, endsAtOnce, 9);
            }
            return std::nullopt;
        });
        created.set_value(window.create(WS_POPUP, 0, 0, 10, 10));
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
    });
    HWND hwnd = created.get_future().get();
    auto dialogThreadId = dialogThread.get_future();
    EXPECT_EQ(SendMessageA(hwnd, kRunDialog, 0, 0), 10);
    EXPECT_NE(dialogThreadId.get(), GetCurrentThreadId());
    DWORD coreId = GetWindowThreadProcessId(hwnd, nullptr);
    PostThreadMessageA(coreId, WM_QUIT, 0, 0);
    core.join();
}

}  // namespace
