// Collects the reports of the debug library while a test runs.
#pragma once

#include <engine/debug.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

class LogCapture {
public:
    // `observer`, when given, is called with each record as it arrives, so a
    // test can look at the state of the world at that moment.
    explicit LogCapture(std::function<void(const debug::Record&)> observer = nullptr)
        : observer_(std::move(observer)) {
        debug::System::setSink([this](const debug::Record& record) {
            if (observer_)
                observer_(record);
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
    // Records of one filter with this exact text.
    int count(const std::string& filter, const std::string& text) const {
        int n = 0;
        for (const auto& r : records())
            n += (r.filter == filter && r.text == text) ? 1 : 0;
        return n;
    }
    int countKind(const std::string& filter, debug::Message::Kind kind) const {
        int n = 0;
        for (const auto& r : records())
            n += (r.filter == filter && r.kind == kind) ? 1 : 0;
        return n;
    }

private:
    std::function<void(const debug::Record&)> observer_;
    mutable std::mutex mutex_;
    std::vector<debug::Record> records_;
};
