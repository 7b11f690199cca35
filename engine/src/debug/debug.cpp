#include "engine/debug.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

namespace debug {
namespace {

struct Registry {
    std::mutex mutex;        // filters, hooks and the sink
    std::mutex outputMutex;  // one whole line at a time on stderr
    std::multimap<std::string, Filter*> filters;
    System::Hook fatalHook;
    std::map<int, System::Hook> exitHooks;
    int nextHookId = 1;
    System::Sink sink;
};

Registry& registry() {
    static Registry* r = new Registry;  // outlives every static filter
    return *r;
}

void writeLine(const Record& record) {
    std::string line = "[" + record.filter + "] " +
                       (record.kind == Message::Kind::Message   ? "message"
                        : record.kind == Message::Kind::Warning ? "warning"
                        : record.kind == Message::Kind::Error   ? "error"
                                                                : "exception");
    if (!record.context.path.empty())
        line += " (" + record.context.path + ":" + std::to_string(record.context.line) + ")";
    line += ": " + record.text + "\n";
    std::lock_guard<std::mutex> lock(registry().outputMutex);
    std::fputs(line.c_str(), stderr);
}

void emit(const Record& record) {
    System::Sink sink;
    {
        std::lock_guard<std::mutex> lock(registry().mutex);
        sink = registry().sink;
    }
    if (sink)
        sink(record);
    else
        writeLine(record);
}

// A hook that throws must not keep the others from running, nor end the
// process from a static destructor.
void runHook(const System::Hook& hook, const char* what) {
    if (!hook)
        return;
    try {
        hook();
    } catch (const std::exception& error) {
        emit(Record{"System", Message::Kind::Error, 0.0f, Context(),
                    std::string(what) + " failed: " + error.what()});
    } catch (...) {
        emit(Record{"System", Message::Kind::Error, 0.0f, Context(),
                    std::string(what) + " failed with an unknown exception"});
    }
}

struct ExitHookRunner {
    ~ExitHookRunner() { System::runExitHooks(); }
} exitHookRunner;

}  // namespace

Filter::Filter(std::string name, float level) : name_(std::move(name)), level_(level) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().filters.emplace(name_, this);
}

Filter::~Filter() {
    std::lock_guard<std::mutex> lock(registry().mutex);
    auto range = registry().filters.equal_range(name_);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second == this) {
            registry().filters.erase(it);
            break;
        }
    }
}

Filter* Filter::find(const std::string& name) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    auto it = registry().filters.find(name);
    return it == registry().filters.end() ? nullptr : it->second;
}

float Filter::level() const {
    std::lock_guard<std::mutex> lock(registry().mutex);
    return level_;
}

void Filter::setLevel(float level) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    level_ = level;
}

bool Filter::shows(const Message& message) const {
    if (message.kind() == Message::Kind::Error || message.kind() == Message::Kind::Exception)
        return true;
    const float own = level();
    return own > 0.0f && message.level() <= own;
}

void Filter::send(const Message& message) const {
    if (!shows(message))
        return;
    emit(Record{name_, message.kind(), message.level(), message.context(), message.text()});
}

const Filter& operator<<(const Filter& filter, const Message& message) {
    filter.send(message);
    return filter;
}

const char* Message::kindName() const {
    switch (kind_) {
        case Kind::Message:
            return "message";
        case Kind::Warning:
            return "warning";
        case Kind::Error:
            return "error";
        case Kind::Exception:
            return "exception";
    }
    return "message";
}

const char* Exception::what() const noexcept {
    try {
        whatText_ = text();
    } catch (...) {
        return "debug::Exception";
    }
    return whatText_.c_str();
}

void System::setFatalHook(Hook hook) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().fatalHook = std::move(hook);
}

int System::addExitHook(Hook hook) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    const int id = registry().nextHookId++;
    registry().exitHooks.emplace(id, std::move(hook));
    return id;
}

void System::delExitHook(int id) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().exitHooks.erase(id);
}

void System::runExitHooks() {
    std::map<int, Hook> hooks;
    {
        std::lock_guard<std::mutex> lock(registry().mutex);
        hooks.swap(registry().exitHooks);
    }
    for (auto& entry : hooks)
        runHook(entry.second, "exit hook");
}

void System::fatal(const std::string& text) {
    emit(Record{"System", Message::Kind::Error, 0.0f, Context(), "fatal: " + text});
    Hook hook;
    {
        std::lock_guard<std::mutex> lock(registry().mutex);
        hook = registry().fatalHook;
    }
    runHook(hook, "fatal hook");
    runExitHooks();
    std::fflush(stderr);
    std::_Exit(3);
}

void System::setSink(Sink sink) {
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().sink = std::move(sink);
}

}  // namespace debug
