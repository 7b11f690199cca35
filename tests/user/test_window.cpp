#include "test_window.h"

#include <map>

namespace test {
namespace {

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

std::map<HWND, TestWindow*>& registry() {
    static std::map<HWND, TestWindow*> r;
    return r;
}

TestWindow* lookup(HWND hwnd) {
    std::lock_guard<std::mutex> lock(registryMutex());
    auto it = registry().find(hwnd);
    return it == registry().end() ? nullptr : it->second;
}

}  // namespace

const char* testClassName() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = TestWindow::proc;
        wc.lpszClassName = "TestWindow";
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
        return "TestWindow";
    }();
    return name;
}

TestWindow::~TestWindow() {
    if (hwnd_ && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    std::lock_guard<std::mutex> lock(registryMutex());
    for (auto it = registry().begin(); it != registry().end();)
        it = it->second == this ? registry().erase(it) : std::next(it);
}

HWND TestWindow::create(DWORD style, int x, int y, int width, int height, DWORD exStyle,
                        const char* title, HMENU menu) {
    hwnd_ = CreateWindowExA(exStyle, testClassName(), title, style, x, y, width, height, nullptr,
                            menu, nullptr, this);
    return hwnd_;
}

LRESULT CALLBACK TestWindow::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        std::lock_guard<std::mutex> lock(registryMutex());
        registry()[hwnd] = static_cast<TestWindow*>(create->lpCreateParams);
    }
    TestWindow* self = lookup(hwnd);
    if (!self)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    {
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->log_.push_back({message, wParam, lParam});
    }
    if (self->handler_) {
        if (auto result = self->handler_(hwnd, message, wParam, lParam))
            return *result;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

std::vector<Recorded> TestWindow::messages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

std::vector<UINT> TestWindow::messageIds() const {
    std::vector<UINT> ids;
    for (const Recorded& r : messages())
        ids.push_back(r.message);
    return ids;
}

size_t TestWindow::count(UINT message) const {
    size_t n = 0;
    for (const Recorded& r : messages())
        n += r.message == message;
    return n;
}

void TestWindow::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
}

int indexOf(const std::vector<UINT>& ids, UINT message, size_t from) {
    for (size_t i = from; i < ids.size(); ++i)
        if (ids[i] == message)
            return static_cast<int>(i);
    return -1;
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace test
