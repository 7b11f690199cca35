// Collects the reports of the debug library while a test runs.
#pragma once

#include <engine/debug.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

class LogCapture {
public:
    LogCapture() {
        debug::System::setSink([this](const debug::Record& record) {
            std::lock_guard<std::mutex> lock(mutex_);
            records_.push_back(record);
        });
    }
    ~LogCapture() { debug::System::setSink(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<debug::Record> records() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return records_;
    }
    // Records of one filter with this exact text, or of this kind.
    int count(const std::string& filter, const std::string& text) const {
        return countIf(
            [&](const debug::Record& r) { return r.filter == filter && r.text == text; });
    }
    int countKind(const std::string& filter, debug::Message::Kind kind) const {
        return countIf(
            [&](const debug::Record& r) { return r.filter == filter && r.kind == kind; });
    }

private:
    template <typename Test>
    int countIf(Test test) const {
        const std::vector<debug::Record> all = records();
        return static_cast<int>(std::count_if(all.begin(), all.end(), test));
    }
    mutable std::mutex mutex_;
    std::vector<debug::Record> records_;
};
