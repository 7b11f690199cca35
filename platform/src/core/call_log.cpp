#include "core/call_log.h"

#include "platform/testing_calls.h"

#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace platform::core {
namespace {

struct Injected {
    HRESULT result;
    unsigned skip;
};

struct MethodRecord {
    unsigned count = 0;
    std::vector<ULONG_PTR> lastArgs;
    std::deque<Injected> failures;
};

struct CallLog {
    std::mutex mutex;
    std::unordered_map<std::string, MethodRecord> methods;
};

CallLog& callLog() {
    static CallLog l;
    return l;
}

}  // namespace

bool recordCall(const char* method, std::initializer_list<ULONG_PTR> args, HRESULT* injected) {
    std::lock_guard<std::mutex> lock(callLog().mutex);
    MethodRecord& record = callLog().methods[method];
    ++record.count;
    record.lastArgs.assign(args.begin(), args.end());
    if (record.failures.empty())
        return false;
    Injected& next = record.failures.front();
    if (next.skip > 0) {
        --next.skip;
        return false;
    }
    *injected = next.result;
    record.failures.pop_front();
    return true;
}

}  // namespace platform::core

namespace platform::testing {

using core::callLog;

unsigned callCount(const std::string& method) {
    std::lock_guard<std::mutex> lock(callLog().mutex);
    auto it = callLog().methods.find(method);
    return it == callLog().methods.end() ? 0 : it->second.count;
}

std::vector<ULONG_PTR> lastArguments(const std::string& method) {
    std::lock_guard<std::mutex> lock(callLog().mutex);
    auto it = callLog().methods.find(method);
    return it == callLog().methods.end() ? std::vector<ULONG_PTR>{} : it->second.lastArgs;
}

void resetCallCounts() {
    std::lock_guard<std::mutex> lock(callLog().mutex);
    for (auto& entry : callLog().methods) {
        entry.second.count = 0;
        entry.second.lastArgs.clear();
    }
}

void failNextCall(const std::string& method, HRESULT result, unsigned skip) {
    std::lock_guard<std::mutex> lock(callLog().mutex);
    callLog().methods[method].failures.push_back({result, skip});
}

void clearInjectedFailures() {
    std::lock_guard<std::mutex> lock(callLog().mutex);
    for (auto& entry : callLog().methods)
        entry.second.failures.clear();
}

}  // namespace platform::testing
