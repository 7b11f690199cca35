// Our rasteriser side by side with Mesa's llvmpipe (through OSMesa), the
// strongest software rasteriser a Linux user has, on the same workloads:
// textured bilinear fill and small triangles at 640 x 480 with 16-bit depth.
// Ours draws into 32-bit and 16-bit targets, llvmpipe into RGBA8; each at one
// thread and at every core. Prints each pair and the ratio ours / llvmpipe at
// the same thread count (of the 32-bit target, then of the 16-bit one).
//
// A rate is the best of --runs runs of at least --seconds each (a frame is a
// clear, the draw and the wait for the pixels), after a warm-up frame; the
// best run is the one the other processes on the machine disturbed least.
//
// llvmpipe reads its thread count (LP_NUM_THREADS) once per process, so this
// program runs itself with --llvmpipe for each row, right after measuring
// ours for it (so both meet about the same load), and reads the rate back
// from the child's output.
#include "peer_llvmpipe.h"
#include "peer_ours.h"
#include "peer_workload.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

namespace {

using peer::Workload;
constexpr Workload kWorkloads[] = {Workload::Fill, Workload::SmallTriangles};
constexpr int kWidthTimesHeight = peer::kWidth * peer::kHeight;

struct Options {
    double seconds = 1.0;
    int runs = 3;
    bool child = false;
    int workload = 0;  // the child's
};

// Millions of work units per second of wall-clock time and per second of
// processor time of the whole process (every thread), each the best of the
// runs. The second does not depend on what else the machine runs.
struct Rates {
    double wall = 0, cpu = 0;
};

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

Rates measure(const Options& o, const peer::Scene& scene, const std::function<void()>& frame) {
    using Clock = std::chrono::steady_clock;
    frame();
    Rates best;
    for (int r = 0; r < o.runs; ++r) {
        const auto start = Clock::now();
        const double cpuStart = processSeconds();
        long frames = 0;
        double elapsed = 0;
        do {
            frame();
            ++frames;
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        } while (elapsed < o.seconds);
        const double work = scene.workPerFrame * static_cast<double>(frames) / 1e6;
        const double cpu = processSeconds() - cpuStart;
        best.wall = std::max(best.wall, work / elapsed);
        best.cpu = std::max(best.cpu, cpu > 0 ? work / cpu : 0.0);
    }
    return best;
}

int runLlvmpipeChild(const Options& o) {
    peer::LlvmpipeRenderer gl;
    if (!gl.error().empty()) {
        std::fprintf(stderr, "llvmpipe: %s\n", gl.error().c_str());
        return 1;
    }
    std::printf("renderer %s\n", gl.renderer().c_str());
    const auto w = static_cast<Workload>(o.workload);
    const peer::Scene scene = peer::makeScene(w);
    const Rates rate = measure(o, scene, [&] { gl.frame(scene); });
    // A renderer that draws nothing is fast; such a rate is no rate.
    if (gl.drawnPixels() < (w == Workload::Fill ? kWidthTimesHeight : 1000)) {
        std::fprintf(stderr, "llvmpipe drew %d pixels of %s\n", gl.drawnPixels(),
                     peer::workloadName(w));
        return 1;
    }
    std::printf("rate %.4f %.4f\n", rate.wall, rate.cpu);
    return 0;
}

struct ChildResult {
    std::string renderer;
    Rates rate;  // zeros when the child failed
};

ChildResult runLlvmpipe(const Options& o, Workload w, int threads) {
    char exe[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    ChildResult result;
    if (n <= 0)
        return result;
    const std::string command =
        "GALLIUM_DRIVER=llvmpipe LP_NUM_THREADS=" + std::to_string(threads) + " '" +
        std::string(exe, static_cast<size_t>(n)) + "' --llvmpipe --workload " +
        std::to_string(static_cast<int>(w)) + " --seconds " + std::to_string(o.seconds) +
        " --runs " + std::to_string(o.runs);
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return result;
    char line[512];
    while (std::fgets(line, sizeof(line), pipe) != nullptr) {
        Rates rate;
        if (std::strncmp(line, "renderer ", 9) == 0) {
            result.renderer = std::string(line + 9);
            while (!result.renderer.empty() && result.renderer.back() == '\n')
                result.renderer.pop_back();
        } else if (std::sscanf(line, "rate %lf %lf", &rate.wall, &rate.cpu) == 2) {
            result.rate = rate;
        }
    }
    pclose(pipe);
    return result;
}

std::string cpuModel() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    }
    return "unknown processor";
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one;
    in >> one;
    return one.empty() ? "?" : one;
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--llvmpipe") {
            o.child = true;
        } else if (a == "--workload" && i + 1 < argc) {
            o.workload = std::atoi(argv[++i]);
        } else if (a == "--seconds" && i + 1 < argc) {
            o.seconds = std::atof(argv[++i]);
        } else if (a == "--runs" && i + 1 < argc) {
            o.runs = std::atoi(argv[++i]);
        } else {
            return false;
        }
    }
    return o.seconds > 0 && o.seconds <= 60 && o.runs >= 1 && o.runs <= 100 &&
           (o.workload == 0 || o.workload == 1);
}

std::string cell(double v) {
    char b[32];
    std::snprintf(b, sizeof(b), v > 0 ? "%.2f" : "-", v);
    return b;
}

std::string ratio(double a, double b) {
    char r[32];
    std::snprintf(r, sizeof(r), (a > 0 && b > 0) ? "%.2fx" : "-", a / b);
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: bench_peer [--seconds S (0..60]] [--runs N (1..100)]\n");
        return 2;
    }
    if (o.child)
        return runLlvmpipeChild(o);

    const int cores = static_cast<int>(
        std::thread::hardware_concurrency() > 0 ? std::thread::hardware_concurrency() : 1);
    const int counts[] = {1, cores};
    const int countsUsed = cores > 1 ? 2 : 1;
    char date[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof(date), "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
    std::printf("Peer benchmark, %s, %s, %d cores, load average %s before the run\n\n", date,
                cpuModel().c_str(), cores, loadAverage().c_str());
    struct Row {
        Workload w;
        int threads;
        Rates ours[2], theirs;
    };
    std::vector<Row> rows;
    std::string renderer;
    for (const Workload w : kWorkloads) {
        const peer::Scene scene = peer::makeScene(w);
        for (int c = 0; c < countsUsed; ++c) {
            Row row{w, counts[c], {}, {}};
            for (int b = 0; b < 2; ++b) {
                peer::OurRenderer r(b == 0 ? 32 : 16, row.threads);
                row.ours[b] = measure(o, scene, [&] { r.frame(scene); });
            }
            const ChildResult gl = runLlvmpipe(o, w, row.threads);
            if (renderer.empty())
                renderer = gl.renderer;
            row.theirs = gl.rate;
            rows.push_back(row);
        }
    }
    for (const bool cpu : {false, true}) {
        std::printf(cpu ? "\nPer second of processor time (all threads of the process):\n\n"
                        : "Per second of wall-clock time:\n\n");
        std::printf(
            "| workload | threads | ours 32-bit/D16 | ours 16-bit/D16 | llvmpipe RGBA8/D16 "
            "| ours/llvmpipe 32-bit | ours/llvmpipe 16-bit |\n");
        std::printf("|---|---|---|---|---|---|---|\n");
        for (const Row& r : rows) {
            const double a = cpu ? r.ours[0].cpu : r.ours[0].wall;
            const double b = cpu ? r.ours[1].cpu : r.ours[1].wall;
            const double theirs = cpu ? r.theirs.cpu : r.theirs.wall;
            std::printf("| %s, %s | %d | %s | %s | %s | %s | %s |\n", peer::workloadName(r.w),
                        peer::workloadUnit(r.w), r.threads, cell(a).c_str(), cell(b).c_str(),
                        cell(theirs).c_str(), ratio(a, theirs).c_str(), ratio(b, theirs).c_str());
        }
    }
    std::printf("\nllvmpipe: %s\n", renderer.empty() ? "did not run" : renderer.c_str());
    return 0;
}
