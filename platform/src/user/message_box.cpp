// Message boxes: answered from the testing queue, by the display's message
// box, or (headless) by the default button. Every box is logged.
#include "core/call_log.h"
#include "core/presenter.h"
#include "platform/testing_input.h"
#include "user/user_state.h"

#include <cstdio>
#include <deque>

namespace platform::user {
namespace {

struct MessageBoxes {
    std::mutex mutex;
    std::deque<int> answers;
    std::vector<testing::MessageBoxRecord> log;
};

MessageBoxes& boxes() {
    static MessageBoxes b;
    return b;
}

// The button a box answers when the user just presses Enter.
int defaultAnswer(UINT type) {
    static const int buttons[6][3] = {{IDOK, IDOK, IDOK},           {IDOK, IDCANCEL, IDCANCEL},
                                      {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL},
                                      {IDYES, IDNO, IDNO},          {IDRETRY, IDCANCEL, IDCANCEL}};
    const UINT kind = type & MB_TYPEMASK;
    if (kind > 5)
        return IDOK;
    const UINT which = ((type & MB_DEFMASK) >> 8) & 3;
    return buttons[kind][which > 2 ? 0 : which];
}

}  // namespace
}  // namespace platform::user

using namespace platform::user;

extern "C" int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    platform::core::countCall("MessageBoxA",
                              {reinterpret_cast<ULONG_PTR>(hWnd), static_cast<ULONG_PTR>(uType)});
    platform::testing::MessageBoxRecord record;
    record.owner = hWnd;
    record.text = lpText ? lpText : "";
    record.caption = lpCaption ? lpCaption : "Error";
    record.type = uType;
    std::fprintf(stderr, "MessageBox [%s]: %s\n", record.caption.c_str(), record.text.c_str());

    int answer = 0;
    {
        std::lock_guard<std::mutex> lock(boxes().mutex);
        if (!boxes().answers.empty()) {
            answer = boxes().answers.front();
            boxes().answers.pop_front();
        }
    }
    if (answer == 0)
        answer = platform::core::presenter().messageBox(record.text, record.caption, uType);
    if (answer == 0)
        answer = defaultAnswer(uType);
    record.answer = answer;
    std::lock_guard<std::mutex> lock(boxes().mutex);
    boxes().log.push_back(record);
    return answer;
}

namespace platform::testing {

void queueMessageBoxAnswer(int answer) {
    std::lock_guard<std::mutex> lock(user::boxes().mutex);
    user::boxes().answers.push_back(answer);
}

std::vector<MessageBoxRecord> messageBoxLog() {
    std::lock_guard<std::mutex> lock(user::boxes().mutex);
    return user::boxes().log;
}

void clearMessageBoxes() {
    std::lock_guard<std::mutex> lock(user::boxes().mutex);
    user::boxes().log.clear();
    user::boxes().answers.clear();
}

}  // namespace platform::testing
