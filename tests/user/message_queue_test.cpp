// Posting, sending across threads, reading and filtering messages.
#include "test_window.h"

#include "platform/testing_input.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <thread>

using test::TestWindow;

namespace {

// A thread that owns a window and runs a GetMessageA loop until WM_QUIT.
class WindowThread {
public:
    explicit WindowThread(TestWindow::Handler handler = nullptr)
        : window_(std::move(handler)), thread_([this] { run(); }) {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return hwnd_ != nullptr; });
    }
    ~WindowThread() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND hwnd() const { return hwnd_; }
    DWORD threadId() const { return threadId_; }
    TestWindow& window() { return window_; }

private:
    void run() {
        HWND hwnd = window_.create(WS_POPUP, 0, 0, 10, 10);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            threadId_ = GetCurrentThreadId();
            hwnd_ = hwnd;
        }
        ready_.notify_all();
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DestroyWindow(hwnd);
    }

    TestWindow window_;
    std::mutex mutex_;
    std::condition_variable ready_;
    HWND hwnd_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

constexpr UINT kAsk = WM_USER + 10;
constexpr UINT kRelay = WM_USER + 11;

TEST(SendMessage, SameThreadCallsTheProcedureDirectly) {
    TestWindow window([](HWND, UINT msg, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
        if (msg == kAsk)
            return static_cast<LRESULT>(w + l);
        return std::nullopt;
    });
    ASSERT_NE(window.create(WS_POPUP, 0, 0, 10, 10), nullptr);
    EXPECT_EQ(SendMessageA(window.handle(), kAsk, 40, 2), 42);
}

TEST(SendMessage, OtherThreadHandlesItAndTheResultComesBack) {
    std::atomic<DWORD> handledOn{0};
    WindowThread owner([&](HWND, UINT msg, WPARAM w, LPARAM) -> std::optional<LRESULT> {
        if (msg == kAsk) {
            handledOn = GetCurrentThreadId();
            return static_cast<LRESULT>(w * 2);
        }
        return std::nullopt;
    });
    EXPECT_EQ(SendMessageA(owner.hwnd(), kAsk, 21, 0), 42);
    EXPECT_EQ(handledOn.load(), owner.threadId());
    EXPECT_NE(handledOn.load(), GetCurrentThreadId());
}

TEST(SendMessage, HandledWhileTheOwnerPollsWithPeekMessage) {
    std::atomic<bool> stop{false};
    std::promise<HWND> created;
    std::thread owner([&] {
        TestWindow window([](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (msg == kAsk)
                return 7;
            return std::nullopt;
        });
        created.set_value(window.create(WS_POPUP, 0, 0, 10, 10));
        MSG msg;
        while (!stop)
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    });
    HWND hwnd = created.get_future().get();
    EXPECT_EQ(SendMessageA(hwnd, kAsk, 0, 0), 7);
    stop = true;
    owner.join();
}

TEST(SendMessage, TwoThreadsSendingToEachOtherDoNotDeadLock) {
    // A sends to B's window; B's procedure sends back to A's window while A
    // is still waiting for the first answer.
    TestWindow windowA([](HWND, UINT msg, WPARAM w, LPARAM) -> std::optional<LRESULT> {
        if (msg == kAsk)
            return static_cast<LRESULT>(w + 1);
        return std::nullopt;
    });
    ASSERT_NE(windowA.create(WS_POPUP, 0, 0, 10, 10), nullptr);
    HWND hwndA = windowA.handle();
    WindowThread b([hwndA](HWND, UINT msg, WPARAM w, LPARAM) -> std::optional<LRESULT> {
        if (msg == kRelay)
            return SendMessageA(hwndA, kAsk, w, 0) * 10;
        return std::nullopt;
    });
    EXPECT_EQ(SendMessageA(b.hwnd(), kRelay, 4, 0), 50);
    EXPECT_EQ(windowA.count(kAsk), 1u);
}

TEST(SendMessage, ManySendersAreAllAnswered) {
    WindowThread owner([](HWND, UINT msg, WPARAM w, LPARAM) -> std::optional<LRESULT> {
        if (msg == kAsk)
            return static_cast<LRESULT>(w);
        return std::nullopt;
    });
    std::vector<std::thread> senders;
    std::atomic<int> correct{0};
    for (int t = 0; t < 4; ++t) {
        senders.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i)
                if (SendMessageA(owner.hwnd(), kAsk, static_cast<WPARAM>(t * 100 + i), 0) ==
                    t * 100 + i)
                    ++correct;
        });
    }
    for (auto& s : senders)
        s.join();
    EXPECT_EQ(correct.load(), 200);
}

TEST(PostThreadMessage, FailsBeforeTheThreadHasAQueue) {
    std::promise<DWORD> id;
    std::promise<void> tryFirst;
    std::promise<void> queueMade;
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
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 6));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(msg.lParam, 4);
    EXPECT_FALSE(PostThreadMessageA(0xFFFFFFF0u, WM_USER, 0, 0));
}

TEST(PostThreadMessage, QuitEndsAGetMessageLoop) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 9, 0));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 9u);
}

TEST(PostQuitMessage, ComesAfterPostedMessages) {
    MSG msg;
    PostMessageA(nullptr, WM_USER + 1, 0, 0);
    PostQuitMessage(3);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(PeekMessage, NoRemoveLeavesTheMessageAndFiltersApply) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP, 0, 0, 10, 10), nullptr);
    PostMessageA(window.handle(), WM_USER + 1, 11, 0);
    PostMessageA(window.handle(), WM_USER + 2, 22, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    ASSERT_TRUE(PeekMessageA(&msg, window.handle(), WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 22u);
    EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_EQ(msg.hwnd, window.handle());
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
}

TEST(GetMessage, WakesWhenAnotherThreadPosts) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP, 0, 0, 10, 10), nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    HWND hwnd = window.handle();
    std::thread poster([hwnd] { PostMessageA(hwnd, WM_USER + 3, 5, 0); });
    ASSERT_EQ(GetMessageA(&msg, nullptr, WM_USER + 3, WM_USER + 3), TRUE);
    poster.join();
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_EQ(GetMessageA(&msg, reinterpret_cast<HWND>(0x4321), 0, 0), -1);
}

TEST(Timers, WindowTimerArrivesAsWmTimer) {
    TestWindow window;
    ASSERT_NE(window.create(WS_POPUP, 0, 0, 10, 10), nullptr);
    ASSERT_NE(SetTimer(window.handle(), 77, 10, nullptr), 0u);
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, window.handle(), WM_TIMER, WM_TIMER), TRUE);
    EXPECT_EQ(msg.wParam, 77u);
    DispatchMessageA(&msg);
    EXPECT_EQ(window.count(WM_TIMER), 1u);
    EXPECT_TRUE(KillTimer(window.handle(), 77));
    EXPECT_FALSE(KillTimer(window.handle(), 77));
}

}  // namespace
