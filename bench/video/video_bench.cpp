// Video playback, a frame at a time as the driver's video does it: decoding
// with AVIStreamGetFrame (FFmpeg behind it) and copying the packed 24-bit
// frame into a 512 x 512 texture surface of 16 (R5G6B5) or 32 (X8R8G8B8)
// bits. Clips of 320 x 240 and 640 x 480 in Cinepak and Microsoft Video 1
// are encoded at start-up.
//
// Counters: frames per second of decoding and copying together, the copy's
// share of that time, and the share of one core that playing at 30 frames
// per second takes.
#include "../../tests/support/avi_clip.h"
#include "video/frame_copy.h"

#include <vfw.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

constexpr int clipFrames = 30;

// Moving gradients with fine detail, so that every frame changes everywhere.
const aviclip::Pattern busy{"mod(X*Y+8*N,256)", "mod(2*Y+N,256)", "mod(X+4*N,256)"};

class Clips {
public:
    const std::string& path(const std::string& codec, int width, int height) {
        const std::string key = codec + std::to_string(width);
        auto found = paths.find(key);
        if (found != paths.end())
            return found->second;
        aviclip::Spec spec;
        spec.codec = codec;
        spec.width = width;
        spec.height = height;
        spec.frames = clipFrames;
        spec.gop = 15;
        spec.rate = "30";
        const std::string file = folder.file(key + ".avi");
        const std::string error = aviclip::write(file, spec, busy);
        if (!error.empty())
            throw std::runtime_error(error);
        return paths.emplace(key, file).first->second;
    }

private:
    aviclip::Folder folder;
    std::map<std::string, std::string> paths;
};

Clips& clips() {
    static Clips shared;
    return shared;
}

class Reader {
public:
    explicit Reader(const std::string& path) {
        AVIFileInit();
        if (AVIStreamOpenFromFileA(&stream, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr) != 0)
            throw std::runtime_error("cannot open " + path);
        reader = AVIStreamGetFrameOpen(stream, nullptr);
        if (!reader)
            throw std::runtime_error("no frame reader for " + path);
    }
    ~Reader() {
        if (reader)
            AVIStreamGetFrameClose(reader);
        if (stream)
            AVIStreamRelease(stream);
        AVIFileExit();
    }
    const BYTE* frame(int index) const {
        return static_cast<const BYTE*>(AVIStreamGetFrame(reader, index));
    }

private:
    PAVISTREAM stream = nullptr;
    PGETFRAME reader = nullptr;
};

struct Texture {
    std::vector<BYTE> memory;
    DDSURFACEDESC2 description{};

    explicit Texture(int bits) {
        description.dwWidth = description.dwHeight = 512;
        description.lPitch = 512 * bits / 8;
        memory.resize(std::size_t(description.lPitch) * 512);
        description.lpSurface = memory.data();
        DDPIXELFORMAT& f = description.ddpfPixelFormat;
        f.dwRGBBitCount = bits;
        f.dwRBitMask = bits == 16 ? 0xF800 : 0xFF0000;
        f.dwGBitMask = bits == 16 ? 0x07E0 : 0xFF00;
        f.dwBBitMask = bits == 16 ? 0x001F : 0xFF;
    }
};

using Clock = std::chrono::steady_clock;

// Args: width, height, texture bits.
void playback(benchmark::State& state, const char* codec) {
    const int width = int(state.range(0)), height = int(state.range(1));
    const Reader reader(clips().path(codec, width, height));
    Texture texture(int(state.range(2)));
    Clock::duration decoding{}, copying{};
    int index = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const BYTE* frame = reader.frame(index);
        const auto decoded = Clock::now();
        if (!frame) {
            state.SkipWithError("a frame did not decode");
            break;
        }
        copyVideoFrame(frame, width, height, texture.description);
        const auto copied = Clock::now();
        decoding += decoded - start;
        copying += copied - decoded;
        index = (index + 1) % clipFrames;
        benchmark::ClobberMemory();
    }
    const double total = std::chrono::duration<double>(decoding + copying).count();
    if (total <= 0.0)
        return;
    const double perFrame = total / double(state.iterations());
    state.counters["fps"] = 1.0 / perFrame;
    state.counters["copy_share"] = std::chrono::duration<double>(copying).count() / total;
    state.counters["core_at_30fps"] = 30.0 * perFrame;
}

void sizes(benchmark::internal::Benchmark* b) {
    for (const int bits : {16, 32}) {
        b->Args({320, 240, bits});
        b->Args({640, 480, bits});
    }
    b->ArgNames({"w", "h", "bits"})->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(playback, cinepak, "cinepak")->Apply(sizes);
BENCHMARK_CAPTURE(playback, msvideo1, "msvideo1")->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
