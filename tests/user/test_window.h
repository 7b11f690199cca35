// Windows for tests (with the testing API and GoogleTest): a window that records every message it
// receives and lets a test answer chosen ones, and a thread that owns such a window.
#pragma once

#include <windows.h>

#include "platform/testing_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <type_traits>
#include <vector>

namespace test {

using Ids = std::vector<UINT>;
// A message with its wParam.
using Call = std::pair<UINT, WPARAM>;
using Calls = std::vector<Call>;

inline Call call(const MSG& msg) {
    return {msg.message, msg.wParam};
}

class TestWindow {
public:
    // Answers a message, or leaves it to the default procedure with nullopt.
    using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

    explicit TestWindow(Handler handler = nullptr) : handler_(std::move(handler)) {}
    // Creates the window at once; the test fails if it cannot be made.
    TestWindow(DWORD style, int x, int y, int width, int height, Handler handler = nullptr)
        : handler_(std::move(handler)) {
        EXPECT_NE(create(style, x, y, width, height), nullptr);
    }
    ~TestWindow() {
        if (hwnd_ && IsWindow(hwnd_))
            DestroyWindow(hwnd_);
    }

    HWND create(DWORD style, int x, int y, int width, int height) {
        return hwnd_ = CreateWindowExA(0, className(), "Test", style, x, y, width, height, nullptr,
                                       nullptr, nullptr, this);
    }
    HWND handle() const { return hwnd_; }

    std::vector<MSG> messages() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return log_;
    }
    Ids messageIds() const {
        Ids ids;
        for (const MSG& m : messages())
            ids.push_back(m.message);
        return ids;
    }
    // Every message received with its wParam, in order.
    Calls calls() const {
        Calls out;
        for (const MSG& m : messages())
            out.push_back(call(m));
        return out;
    }
    size_t count(UINT message) const {
        const Ids ids = messageIds();
        return std::count(ids.begin(), ids.end(), message);
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.clear();
    }

    // Registers the window class once and returns its name.
    static const char* className() {
        static const char* name = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = proc;
            wc.lpszClassName = "TestWindow";
            wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
            RegisterClassA(&wc);
            return "TestWindow";
        }();
        return name;
    }

private:
    // The TestWindow arrives with WM_NCCREATE and is kept in the window's id
    // (tests use GWL_USERDATA themselves).
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrA(hwnd, GWLP_ID,
                              reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrA(hwnd, GWLP_ID));
        if (!self)
            return DefWindowProcA(hwnd, message, wParam, lParam);
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->log_.push_back({hwnd, message, wParam, lParam, 0, {0, 0}});
        }
        if (self->handler_)
            if (const auto result = self->handler_(hwnd, message, wParam, lParam))
                return *result;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    Handler handler_;
    HWND hwnd_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<MSG> log_;
};

// A handler for `message` only: `act(hwnd, wParam, lParam)` either answers
// it (returns a value) or only watches it (returns nothing), leaving it to
// the default procedure.
template <typename Act>
TestWindow::Handler on(UINT message, Act act) {
    return [=](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
        if (msg != message)
            return std::nullopt;
        if constexpr (std::is_void_v<decltype(act(hwnd, w, l))>) {
            act(hwnd, w, l);
            return std::nullopt;
        } else {
            return act(hwnd, w, l);
        }
    };
}

// Takes and dispatches every waiting message of the calling thread.
inline void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A thread that owns a window and runs a GetMessageA loop until WM_QUIT, or
// with `poll` only peeks without removing anything until it is stopped.
class WindowThread {
public:
    explicit WindowThread(TestWindow::Handler handler, bool poll = false)
        : window_(std::move(handler)), poll_(poll) {
        std::promise<void> ready;
        thread_ = std::thread([&] {
            window_.create(WS_POPUP, 0, 0, 10, 10);
            threadId_ = GetCurrentThreadId();
            ready.set_value();
            MSG msg;
            while (poll_ && !stop_)
                PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
            while (!poll_ && GetMessageA(&msg, nullptr, 0, 0) > 0)
                DispatchMessageA(&msg);
            DestroyWindow(window_.handle());
        });
        ready.get_future().wait();
    }
    ~WindowThread() {
        stop_ = true;
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND hwnd() const { return window_.handle(); }
    DWORD threadId() const { return threadId_; }

private:
    TestWindow window_;
    const bool poll_;
    std::atomic<bool> stop_{false};
    DWORD threadId_ = 0;
    std::thread thread_;
};

}  // namespace test
