// Notices that the user wants the viewer to end: the render window's close
// button or the Escape key; or that the window cannot be shown any more.
#pragma once

#include <engine/core/application_interface.h>

#include <windows.h>

#include <condition_variable>
#include <mutex>

namespace viewer {

// The render window swallows WM_CLOSE before its listeners see it, so the
// watcher subclasses the window procedure. A window procedure may only be
// replaced on the window's own thread, which is why this is an
// ApplicationListener: iteration() runs on the driver's core thread.
// One watcher at a time.
class CloseWatcher : public ApplicationListener {
public:
    CloseWatcher();
    ~CloseWatcher() override;
    CloseWatcher(const CloseWatcher&) = delete;
    CloseWatcher& operator=(const CloseWatcher&) = delete;

    // Core thread: hooks the render window once it exists.
    void iteration() override;

    void requestClose();
    bool closeRequested();
    // The display gave up showing the window: nobody can close it.
    bool windowLost();
    // Blocks until requestClose has been called.
    void waitForClose();
    // Blocks until the render window's procedure has been replaced.
    void waitUntilWatching();

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::mutex mutex;
    std::condition_variable changed;
    bool closing = false;
    bool lost = false;
    const bool shownAtStart;
    HWND hooked = nullptr;  // written on the core thread under the mutex
};

}  // namespace viewer
