// The recorded, banded path against the one-thread path on a target of many
// bands: random primitives of every kind, clip rectangles, clears and state
// changes between draws, and a draw long enough to run the queue midway.
#include "d3d/raster/worker_pool.h"
#include "raster_test_util.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <thread>

using namespace rt;

namespace {

constexpr DWORD kW = 200, kH = 150;

// Everything drawn, then every colour and depth value and the pixel count.
struct Picture {
    std::vector<DWORD> values;
    uint64_t pixelsShaded = 0;
};

Picture draw(int threads) {
    Canvas c(kW, kH, PixelFormat::R5G6B5, DepthFormat::D16);
    c.raster.setThreadCount(threads);
    TestTexture t(PixelFormat::A8R8G8B8, 8, 8, {0xffff0000, 0x8000ff00, 0xff0000ff, 0x40ffffff});
    c.state().setTexture(0, &t.tex);
    c.tss(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    c.rs(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    c.clearDepth(1.0f);
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> x(-20, kW + 20), y(-20, kH + 20), unit(0, 1);
    auto vertex = [&] {
        return vtx(x(rng), y(rng), rng() | 0x20000000, unit(rng) * 3, unit(rng) * 3, unit(rng),
                   0.2f + unit(rng));
    };
    const D3DPRIMITIVETYPE types[] = {D3DPT_TRIANGLELIST, D3DPT_TRIANGLEFAN, D3DPT_LINESTRIP,
                                      D3DPT_POINTLIST, D3DPT_TRIANGLESTRIP};
    for (int draw = 0; draw < 40; ++draw) {
        std::vector<Vertex> v(3 + rng() % 12);
        for (Vertex& p : v)
            p = vertex();
        c.rs(D3DRENDERSTATE_ALPHABLENDENABLE, draw % 3 == 0);
        c.rs(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
        c.rs(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
        c.rs(D3DRENDERSTATE_FILLMODE, draw % 7 == 0 ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
        c.state().setClipRect(draw % 4 == 0 ? RECT{13, 17, 171, 133}
                                            : RECT{0, 0, LONG(kW), LONG(kH)});
        EXPECT_EQ(DrawStatus::Ok, drawList(c.raster, v, types[draw % 5]));
        if (draw % 9 == 0) {
            const D3DRECT r{{draw}, {draw * 2}, {draw + 50}, {draw * 2 + 40}};
            c.raster.clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, &r, 1, 0xff203040, 0.9f);
        }
    }
    // One draw of more primitives than the queue holds at once.
    std::vector<Vertex> many;
    for (int i = 0; i < 100000; ++i) {
        const float px = float(i % kW), py = float(i / kW % kH);
        many.push_back(vtx(px, py, 0xff00ff00 | i, 0, 0, 0.1f));
        many.push_back(vtx(px + 1.5f, py, 0xff00ff00, 1, 0, 0.1f));
        many.push_back(vtx(px, py + 1.5f, 0xff0000ff, 0, 1, 0.1f));
    }
    c.rs(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    EXPECT_EQ(DrawStatus::Ok, drawList(c.raster, many));
    c.raster.finish();
    Picture p;
    for (DWORD py = 0; py < kH; ++py)
        for (DWORD px = 0; px < kW; ++px)
            p.values.insert(p.values.end(), {c.raw(int(px), int(py)), c.depthAt(int(px), int(py))});
    p.pixelsShaded = c.raster.stats().pixelsShaded;
    EXPECT_TRUE(c.paddingUntouched());
    return p;
}

}  // namespace

TEST(RasterThreads, EveryThreadCountDrawsTheOneThreadPicture) {
    const Picture one = draw(1);
    for (int threads : {2, 5}) {
        const Picture many = draw(threads);
        EXPECT_TRUE(one.values == many.values) << threads << " threads";
        EXPECT_EQ(one.pixelsShaded, many.pixelsShaded) << threads << " threads";
    }
}

TEST(RasterThreads, TheVariableGivesTheCountAndBadValuesGiveTheCores) {
    const int cores = std::clamp(int(std::thread::hardware_concurrency()), 1, 64);
    const struct {
        const char* value;
        int expected;
    } cases[] = {{"2", 2}, {"64", 64}, {"0", cores}, {"65", cores}, {"3x", cores}, {"", cores}};
    for (const auto& c : cases) {
        setenv("D3DDRIVER_RASTER_THREADS", c.value, 1);
        EXPECT_EQ(c.expected, defaultRasterThreads()) << "'" << c.value << "'";
    }
    unsetenv("D3DDRIVER_RASTER_THREADS");
    setDefaultRasterThreads(5);
    EXPECT_EQ(5, defaultRasterThreads());
    setDefaultRasterThreads(0);
    Rasterizer r(1);
    r.setThreadCount(-3);
    EXPECT_EQ(1, r.threadCount());
    r.setThreadCount(1000);
    EXPECT_EQ(64, r.threadCount());
}

// Workers run at the priority of the thread whose job they share: below it,
// a busy machine would leave them waiting until that thread waits. Raising
// one's own nice value needs no privilege, so a thread of the test does so.
TEST(RasterThreads, WorkersTakeTheCallersNiceValue) {
    auto niceOfThisThread = [] {
        return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
    };
    std::vector<int> workerNice;
    std::thread caller([&] {
        WorkerPool pool(2);  // its thread starts at the caller's present value
        const int nice = niceOfThisThread() + 3;
        ASSERT_EQ(0, setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), nice));
        // The two tasks wait for each other, so each worker runs one.
        std::mutex m;
        std::condition_variable cv;
        int started = 0;
        pool.run(2, [&](int, int worker) {
            std::unique_lock<std::mutex> lock(m);
            ++started;
            cv.notify_all();
            cv.wait(lock, [&] { return started == 2; });
            if (worker != 0)
                workerNice.push_back(niceOfThisThread());
        });
        EXPECT_EQ(std::vector<int>{nice}, workerNice);
    });
    caller.join();
}
