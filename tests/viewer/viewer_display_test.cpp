// d3dview in a real SDL window on a virtual X server of its own: signals end
// it, a display that goes away ends it with a message, and a screen it cannot
// show a window on is reported once and ends the run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A child process whose standard output and error come through one pipe.
class Child {
public:
    // `setUp` runs in the child before the program is started.
    template <typename SetUp>
    Child(const std::vector<std::string>& command, SetUp setUp) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            dup2(fds[1], STDERR_FILENO);
            close(fds[0]);
            close(fds[1]);
            setUp();
            std::vector<char*> argv;
            for (const std::string& word : command)
                argv.push_back(const_cast<char*>(word.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        output = fds[0];
    }
    ~Child() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (output >= 0)
            close(output);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Reads until `text` has come, the output ends or the limit (a guard
    // against hangs) has passed; whether the text came.
    bool waitFor(const std::string& text, std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (read.find(text) == std::string::npos) {
            if (!readSome(deadline))
                return false;
        }
        return true;
    }
    // Reads to the end of the output and collects the exit status; nothing
    // when the process is still running at the limit.
    std::optional<int> waitForEnd(std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (readSome(deadline)) {
        }
        if (Clock::now() >= deadline)
            return std::nullopt;
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return status;
    }

    pid_t pid = -1;
    std::string read;  // the output so far

private:
    // False at the end of the output or at the deadline.
    bool readSome(Clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{output, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::read(output, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        read.append(buffer, static_cast<size_t>(n));
        return true;
    }

    int output = -1;
};

// Xvfb on a free display number, with a screen of the given colour depth.
struct XServer {
    explicit XServer(int depth)
        : process({"Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0",
                   "1024x768x" + std::to_string(depth)},
                  [] { dup2(open("/dev/null", O_WRONLY), STDERR_FILENO); }) {
        // Xvfb writes the display number once it takes connections.
        if (process.waitFor("\n", 30s))
            display = ":" + process.read.substr(0, process.read.find('\n'));
    }
    Child process;
    std::string display;
};

// d3dview without a frame count, so that it runs until the window is closed.
std::unique_ptr<Child> startViewer(const std::string& display) {
    return std::make_unique<Child>(
        std::vector<std::string>{D3DVIEW_PATH, "--data", D3DDRIVER_SOURCE_DIR "/data"},
        [display] {
            setenv("DISPLAY", display.c_str(), 1);
            setenv("D3DDRIVER_HEADLESS", "0", 1);
            // SDL's software renderer keeps Mesa (not built with the
            // sanitizers) out of the process.
            setenv("SDL_RENDER_DRIVER", "software", 1);
            setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
            setenv("LSAN_OPTIONS",
                   "suppressions=" D3DDRIVER_SOURCE_DIR "/tests/present/lsan.supp", 1);
        });
}

const std::string running = "running until the window is closed";

// Whether a client has made a window on the display within the limit: the
// viewer's window exists once its first frame was presented.
bool windowAppears(const std::string& display, std::chrono::milliseconds limit) {
    ::Display* connection = XOpenDisplay(display.c_str());
    if (!connection)
        return false;
    const auto deadline = Clock::now() + limit;
    bool found = false;
    while (!found && Clock::now() < deadline) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(connection, DefaultRootWindow(connection), &root, &parent, &children,
                       &count)) {
            found = count > 0;
            XFree(children);
        }
        if (!found)
            std::this_thread::sleep_for(10ms);  // polls the server, no event to wait on
    }
    XCloseDisplay(connection);
    return found;
}

class ViewerDisplay : public ::testing::Test {
protected:
    // An X server and a viewer showing its window on it; false without Xvfb.
    bool start(int depth) {
        server = std::make_unique<XServer>(depth);
        if (server->display.empty())
            return false;
        viewer = startViewer(server->display);
        return true;
    }
    std::unique_ptr<XServer> server;
    std::unique_ptr<Child> viewer;
};

#define START_OR_SKIP(depth) \
    if (!start(depth))       \
    GTEST_SKIP() << "Xvfb could not be started"

// Ctrl+C and SIGTERM end the viewer as they do a headless one (SDL would
// turn them into a quit event that nothing handles). When the X server goes
// away (no signal) the viewer ends with a message instead of hanging in its
// exit handlers.
TEST_F(ViewerDisplay, SignalsAndALostDisplayEndTheViewer) {
    for (const int sig : {SIGINT, SIGTERM, 0}) {
        START_OR_SKIP(24);
        ASSERT_TRUE(viewer->waitFor(running, 60s)) << viewer->read;
        ASSERT_TRUE(windowAppears(server->display, 60s)) << viewer->read;
        if (sig)
            kill(viewer->pid, sig);
        else
            server.reset();
        const std::optional<int> status = viewer->waitForEnd(20s);
        ASSERT_TRUE(status) << "still running after signal " << sig << ":\n" << viewer->read;
        if (sig) {
            EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == sig) << *status;
            continue;
        }
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << *status;
        EXPECT_NE(viewer->read.find("presenter: the connection to the display was lost; ending"),
                  std::string::npos)
            << viewer->read;
    }
}

// An 8-bit screen has no renderer for the window: the failure is reported
// once (not at every frame) and the run ends, as nobody could close it.
TEST_F(ViewerDisplay, AWindowThatCannotBeShownIsReportedOnceAndEndsTheRun) {
    START_OR_SKIP(8);
    const std::optional<int> status = viewer->waitForEnd(60s);
    ASSERT_TRUE(status) << viewer->read;
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << *status << viewer->read;
    const std::string failure = "presenter: SDL_CreateRenderer failed";
    const size_t first = viewer->read.find(failure);
    ASSERT_NE(first, std::string::npos) << viewer->read;
    EXPECT_EQ(viewer->read.find(failure, first + 1), std::string::npos) << viewer->read;
    EXPECT_NE(viewer->read.find("d3dview: the window cannot be shown"), std::string::npos)
        << viewer->read;
}

}  // namespace
