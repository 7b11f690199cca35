// Debug library: named filters with levels, messages, warnings, errors with
// their source context, exceptions, and the fatal and exit hooks.
//
// A message's level says how detailed it is (life-cycle messages 2.0,
// warnings 1.0). A filter shows a message or warning whose level is not above
// its own level; level 0 silences it. Errors are always shown.
#pragma once

#include <exception>
#include <functional>
#include <sstream>
#include <string>

namespace debug {

class Message;

class Filter {
public:
    explicit Filter(std::string name, float level = 2.0f);
    ~Filter();
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    // The live filter with this name, or null.
    static Filter* find(const std::string& name);

    const std::string& name() const { return name_; }
    float level() const;
    void setLevel(float level);
    bool shows(const Message& message) const;

    // Writes the message as one line on the standard error stream, or gives
    // it to the sink instead when one is installed, if the filter shows it.
    void send(const Message& message) const;

private:
    std::string name_;
    float level_;
};

const Filter& operator<<(const Filter& filter, const Message& message);

struct Context {
    Context() = default;
    Context(const char* path, int line) : path(path ? path : ""), line(line) {}
    std::string path;
    int line = 0;
};

class Message {
public:
    enum class Kind { Message, Warning, Error, Exception };

    explicit Message(float level = 2.0f) : level_(level) {}
    virtual ~Message() = default;
    Message(const Message& other)
        : kind_(other.kind_), level_(other.level_), context_(other.context_) {
        text_ << other.text();
    }

    template <typename T>
    Message& operator<<(const T& value) {
        text_ << value;
        return *this;
    }

    std::string text() const { return text_.str(); }
    float level() const { return level_; }
    Kind kind() const { return kind_; }
    const Context& context() const { return context_; }
    const char* kindName() const;

protected:
    Message(Kind kind, float level, Context context)
        : kind_(kind), level_(level), context_(std::move(context)) {}

private:
    Kind kind_ = Kind::Message;
    float level_;
    Context context_;
    std::ostringstream text_;
};

class Warning : public Message {
public:
    explicit Warning(const Context& context, float level = 1.0f)
        : Message(Kind::Warning, level, context) {}
};

class Error : public Message {
public:
    explicit Error(const Context& context) : Message(Kind::Error, 0.0f, context) {}
};

// The base of thrown errors; carries its text. what() gives the text as it was
// when it was last read through text() or what().
class Exception : public Message, public std::exception {
public:
    Exception() : Message(Kind::Exception, 0.0f, Context()) {}
    explicit Exception(const std::string& text) : Exception() { *this << text; }
    Exception(const Exception& other) : Message(other), std::exception(other) {}

    template <typename T>
    Exception& operator<<(const T& value) {
        Message::operator<<(value);
        return *this;
    }
    const char* what() const noexcept override;

private:
    mutable std::string whatText_;
};

// One shown report, as given to a sink.
struct Record {
    std::string filter;
    Message::Kind kind;
    float level;
    Context context;
    std::string text;
};

class System {
public:
    using Hook = std::function<void()>;

    // Called by fatal(); one hook at a time, null removes it.
    static void setFatalHook(Hook hook);
    // Exit hooks run on fatal() and at process exit; each is identified by
    // the id addExitHook returns.
    static int addExitHook(Hook hook);
    static void delExitHook(int id);
    // Reports a fatal error: logs it, runs the fatal hook and the exit hooks,
    // then ends the process with exit code 3.
    [[noreturn]] static void fatal(const std::string& text);
    // Runs and removes the exit hooks now (used at a normal exit too). A hook
    // that throws is reported and the others still run.
    static void runExitHooks();

    // Redirects shown reports (tests); null restores the standard error stream.
    using Sink = std::function<void(const Record&)>;
    static void setSink(Sink sink);
};

}  // namespace debug
