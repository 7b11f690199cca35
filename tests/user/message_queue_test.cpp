// Posting, sending across threads, reading and filtering messages; message
// boxes and modal dialogs, on the calling thread and across threads.
#include "test_window.h"

#include <chrono>
#include <future>

using namespace test;

namespace {

constexpr UINT kAsk = WM_USER + 10;
constexpr UINT kRelay = WM_USER + 11;

// The window's own thread runs the procedure, whether that is the sender, a
// thread waiting in GetMessage or one polling with PeekMessage; the result
// comes back to the sender.
TEST(SendMessage, TheOwnerHandlesItAndTheResultComesBack) {
    std::atomic<DWORD> handledOn{0};
    const auto handler = on(kAsk, [&](HWND, WPARAM w, LPARAM l) {
        handledOn = GetCurrentThreadId();
        return LRESULT(w * 2 + l);
    });
    TestWindow local(WS_POPUP, 0, 0, 10, 10, handler);
    EXPECT_EQ(SendMessageA(local.handle(), kAsk, 20, 2), 42);
    EXPECT_EQ(handledOn.load(), GetCurrentThreadId());
    for (const bool poll : {false, true}) {
        WindowThread owner(handler, poll);
        EXPECT_EQ(SendMessageA(owner.hwnd(), kAsk, 21, 1), 43) << poll;
        EXPECT_EQ(handledOn.load(), owner.threadId()) << poll;
        EXPECT_NE(handledOn.load(), GetCurrentThreadId()) << poll;
        // Many senders at once are all answered.
        std::vector<std::thread> senders;
        std::atomic<int> correct{0};
        for (int t = 0; t < 4; ++t)
            senders.emplace_back([&, t] {
                for (WPARAM w = t * 100; w < WPARAM(t * 100 + 50); ++w)
                    correct += SendMessageA(owner.hwnd(), kAsk, w, 0) == LRESULT(w * 2);
            });
        for (auto& s : senders)
            s.join();
        EXPECT_EQ(correct.load(), 200) << poll;
    }
}

TEST(SendMessage, TwoThreadsSendingToEachOtherDoNotDeadLock) {
    // A sends to B's window; B's procedure sends back to A's window while A
    // is still waiting for the first answer.
    TestWindow windowA(WS_POPUP, 0, 0, 10, 10,
                       on(kAsk, [](HWND, WPARAM w, LPARAM) { return LRESULT(w + 1); }));
    HWND hwndA = windowA.handle();
    WindowThread b(on(
        kRelay, [hwndA](HWND, WPARAM w, LPARAM) { return SendMessageA(hwndA, kAsk, w, 0) * 10; }));
    EXPECT_EQ(SendMessageA(b.hwnd(), kRelay, 4, 0), 50);
    EXPECT_EQ(windowA.count(kAsk), 1u);
}

TEST(PostThreadMessage, FailsBeforeTheThreadHasAQueue) {
    std::promise<DWORD> id;
    std::promise<void> tryFirst, queueMade;
    std::promise<MSG> received;
    std::thread target([&] {
        id.set_value(GetCurrentThreadId());
        tryFirst.get_future().get();
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
        queueMade.set_value();
        GetMessageA(&msg, nullptr, 0, 0);
        received.set_value(msg);
    });
    const DWORD threadId = id.get_future().get();
    EXPECT_FALSE(PostThreadMessageA(threadId, WM_USER + 5, 1, 2));
    tryFirst.set_value();
    queueMade.get_future().get();
    EXPECT_TRUE(PostThreadMessageA(threadId, WM_USER + 6, 3, 4));
    const MSG msg = received.get_future().get();
    target.join();
    EXPECT_EQ(call(msg), Call(WM_USER + 6, 3));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_FALSE(PostThreadMessageA(0xFFFFFFF0u, WM_USER, 0, 0));
}

// A thread's first call may be a post to itself: that makes its queue (this
// once failed). WM_QUIT comes after what was posted before and ends a
// GetMessage loop with its exit code, from PostQuitMessage or posted.
TEST(PostQuitMessage, ComesAfterPostedMessagesAndEndsGetMessage) {
    MSG msg;
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 1, 0, 0));
    PostQuitMessage(3);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(call(msg), Call(WM_QUIT, 3));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 9, 0));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(call(msg), Call(WM_QUIT, 9));
}

TEST(PeekMessage, NoRemoveLeavesTheMessageAndFiltersApply) {
    TestWindow window(WS_POPUP, 0, 0, 10, 10);
    PostMessageA(window.handle(), WM_USER + 1, 11, 0);
    PostMessageA(window.handle(), WM_USER + 2, 22, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    ASSERT_TRUE(PeekMessageA(&msg, window.handle(), WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(call(msg), Call(WM_USER + 2, 22));
    EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(msg.hwnd, window.handle());
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
}

// GetMessage waits for what another thread posts, and for a window timer,
// which arrives as WM_TIMER until it is killed.
TEST(GetMessage, WakesForPostsFromOtherThreadsAndForTimers) {
    TestWindow window(WS_POPUP, 0, 0, 10, 10);
    HWND hwnd = window.handle();
    std::thread poster([hwnd] { PostMessageA(hwnd, WM_USER + 3, 5, 0); });
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, nullptr, WM_USER + 3, WM_USER + 3), TRUE);
    poster.join();
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_EQ(GetMessageA(&msg, reinterpret_cast<HWND>(0x4321), 0, 0), -1);
    SetLastError(0);
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    // Setting a timer again replaces it: one KillTimer ends it.
    ASSERT_NE(SetTimer(hwnd, 77, 10, nullptr), 0u);
    ASSERT_NE(SetTimer(hwnd, 77, 10, nullptr), 0u);
    ASSERT_EQ(GetMessageA(&msg, hwnd, WM_TIMER, WM_TIMER), TRUE);
    EXPECT_EQ(call(msg), Call(WM_TIMER, 77));
    DispatchMessageA(&msg);
    EXPECT_EQ(window.count(WM_TIMER), 1u);
    EXPECT_TRUE(KillTimer(hwnd, 77));
    EXPECT_FALSE(KillTimer(hwnd, 77));
}

// WaitMessage returns only once something is queued for the thread: still
// waiting a while after it began, then woken by the post.
TEST(WaitMessage, ReturnsOnlyWhenAMessageIsQueued) {
    std::promise<DWORD> id;
    std::promise<MSG> woke;
    std::thread waiter([&] {
        MSG msg{};
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
        id.set_value(GetCurrentThreadId());
        WaitMessage();
        msg = MSG{};
        PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        woke.set_value(msg);
    });
    const DWORD threadId = id.get_future().get();
    auto result = woke.get_future();
    EXPECT_EQ(result.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    EXPECT_TRUE(PostThreadMessageA(threadId, WM_USER + 7, 7, 0));
    EXPECT_EQ(call(result.get()), Call(WM_USER + 7, 7));
    waiter.join();
}

// Queued answers are given in order; without one, headless, the default
// button is pressed. Every box is logged with its text, caption and type.
TEST(MessageBoxes, AnswerWithTheQueueOrTheDefaultButtonAndAreLogged) {
    ASSERT_TRUE(platform::testing::presenterIsHeadless());
    platform::testing::clearMessageBoxes();
    platform::testing::queueMessageBoxAnswer(IDNO);
    platform::testing::queueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "Continue?", "Question", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Really?", "Question", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "Done", "Info", MB_OK | MB_ICONINFORMATION), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Save?", nullptr, MB_YESNOCANCEL), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Retry?", nullptr, MB_RETRYCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_OK), IDOK);
    const auto log = platform::testing::messageBoxLog();
    platform::testing::clearMessageBoxes();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(std::tie(log[0].text, log[0].caption, log[0].type, log[0].answer),
              std::make_tuple("Continue?", "Question", UINT(MB_YESNO), IDNO));
    EXPECT_EQ(log[3].caption, "Error");
    EXPECT_EQ(log[5].text, "");
}

struct DialogRecord {
    LPARAM initParam = 0;
    int initCount = 0;
    std::vector<UINT> commands;
};

// Records WM_INITDIALOG and the commands; OK ends the dialog with 100, Cancel
// with 200.
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

// Templates are found by name in any case or by number; unknown ones give -1.
TEST(Dialogs, InitDialogGetsTheParameterAndEndDialogGivesTheResult) {
    platform::testing::registerDialogTemplate("IDD_QUICK", "Quick");
    EXPECT_EQ(DialogBoxParamA(nullptr, "IDD_QUICK", nullptr, endsAtOnce, 41), 42);
    EXPECT_EQ(DialogBoxParamA(nullptr, "idd_quick", nullptr, endsAtOnce, 1), 2);
    EXPECT_EQ(DialogBoxParamA(nullptr, "IDD_NOT_THERE", nullptr, endsAtOnce, 0), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, nullptr, nullptr, endsAtOnce, 0), -1);
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(901), nullptr, endsAtOnce, 0), -1);
    platform::testing::registerDialogTemplate("#901");
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(901), nullptr, endsAtOnce, 4), 5);
    EXPECT_FALSE(EndDialog(reinterpret_cast<HWND>(0x5555), 1));

    // The render window pattern: a thread sends a private message to the
    // window of another thread, whose procedure runs the dialog; the sender waits.
    constexpr UINT kRunDialog = WM_USER + 3000;
    std::atomic<DWORD> dialogThread{0};
    WindowThread core(on(kRunDialog, [&](HWND hwnd, WPARAM, LPARAM) {
        dialogThread = GetCurrentThreadId();
        return DialogBoxParamA(nullptr, "IDD_QUICK", hwnd, endsAtOnce, 9);
    }));
    EXPECT_EQ(SendMessageA(core.hwnd(), kRunDialog, 0, 0), 10);
    EXPECT_EQ(dialogThread.load(), core.threadId());
}

// Another thread finds the running dialog and drives it: its commands reach
// the procedure, and closing it is Cancel. The owner is active again after.
TEST(Dialogs, DrivenFromAnotherThreadWhileRunningModally) {
    platform::testing::registerDialogTemplate("IDD_SETTINGS", "Settings");
    TestWindow owner(WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    DialogRecord record;
    auto driver = std::async(std::launch::async, [] {
        HWND dialog = platform::testing::waitForDialog(10000);
        char title[32] = "";
        GetWindowTextA(dialog, title, sizeof(title));
        return std::string(title) == "Settings" &&
               platform::testing::postDialogMessage(WM_COMMAND, 1234, 0) &&
               PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(DialogBoxParamA(nullptr, "IDD_SETTINGS", owner.handle(), recordingDialog,
                              reinterpret_cast<LPARAM>(&record)),
              200);
    EXPECT_TRUE(driver.get());
    EXPECT_EQ(record.initCount, 1);
    EXPECT_EQ(record.initParam, reinterpret_cast<LPARAM>(&record));
    EXPECT_EQ(record.commands, (std::vector<UINT>{1234, IDCANCEL}));
    EXPECT_EQ(platform::testing::waitForDialog(0), nullptr);
    EXPECT_EQ(GetForegroundWindow(), owner.handle());
}

}  // namespace
