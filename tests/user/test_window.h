// A window for tests: records every message it receives and lets a test
// override the handling of chosen messages.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace test {

struct Recorded {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class TestWindow {
public:
    using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

    explicit TestWindow(Handler handler = nullptr) : handler_(std::move(handler)) {}
    ~TestWindow();

    HWND create(DWORD style, int x, int y, int width, int height, DWORD exStyle = 0,
                const char* title = "Test Window", HMENU menu = nullptr);
    HWND handle() const { return hwnd_; }

    std::vector<Recorded> messages() const;
    std::vector<UINT> messageIds() const;
    size_t count(UINT message) const;
    void clear();

    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    Handler handler_;
    HWND hwnd_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<Recorded> log_;
};

// Index of the first `message` at or after `from`, or -1.
int indexOf(const std::vector<UINT>& ids, UINT message, size_t from = 0);

// Registers the test window class once and returns its name.
const char* testClassName();

// Takes and dispatches every waiting message of the calling thread.
void pumpMessages();

}  // namespace test
