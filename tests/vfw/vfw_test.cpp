// The AVI file services: stream information as the file states it, frames
// decoded exactly at their index in any order, as packed 24-bit bottom-up
// DIBs, for every codec this FFmpeg can encode; and refusals of bad files.
#include "../support/avi_clip.h"

#include <platform/testing.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <tuple>

namespace {

using aviclip::Bgr;

// A clip's stream and frame reader, released at the end of the test.
struct OpenClip {
    PAVISTREAM stream = nullptr;
    PGETFRAME reader = nullptr;
    HRESULT result = E_FAIL;

    explicit OpenClip(const std::string& path, DWORD type = streamtypeVIDEO, LONG number = 0) {
        result = AVIStreamOpenFromFileA(&stream, path.c_str(), type, number, OF_READ, nullptr);
        if (stream)
            reader = AVIStreamGetFrameOpen(stream, nullptr);
    }
    ~OpenClip() {
        if (reader)
            AVIStreamGetFrameClose(reader);
        if (stream)
            AVIStreamRelease(stream);
    }
    AVISTREAMINFOA info() const {
        AVISTREAMINFOA i{};
        EXPECT_EQ(AVIStreamInfoA(stream, &i, sizeof i), AVIERR_OK);
        return i;
    }
};

// A pixel of a packed DIB by picture row: row 0 is the top, stored last.
Bgr pixelAt(const void* dib, int x, int y) {
    const auto* header = static_cast<const BITMAPINFOHEADER*>(dib);
    const int stride = (header->biWidth * 3 + 3) & ~3;
    const BYTE* p = static_cast<const BYTE*>(dib) + header->biSize +
                    std::size_t(header->biHeight - 1 - y) * stride + std::size_t(x) * 3;
    return {p[0], p[1], p[2]};
}

int distance(const Bgr& a, const Bgr& b) {
    int worst = 0;
    for (int i = 0; i < 3; ++i)
        worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

class CodecTest : public testing::TestWithParam<const char*> {
protected:
    aviclip::Folder folder;
};

// Every frame comes out at its own index whatever the order of the requests:
// forward, back past key frames, the same one twice.
TEST_P(CodecTest, EachFrameIsDecodedAtItsIndexInAnyOrder) {
    aviclip::Spec spec;
    spec.codec = GetParam();
    const std::string path = folder.file("clip.avi");
    ASSERT_EQ(aviclip::write(path, spec), "");

    OpenClip clip(path);
    ASSERT_EQ(clip.result, AVIERR_OK);
    ASSERT_NE(clip.reader, nullptr);
    const AVISTREAMINFOA info = clip.info();
    EXPECT_EQ(info.dwLength, 10u);
    EXPECT_EQ(double(info.dwRate) / info.dwScale, 10.0);
    EXPECT_EQ(std::make_pair(info.rcFrame.right, info.rcFrame.bottom),
              std::make_pair(LONG(64), LONG(48)));

    const int tolerance = spec.codec == "rawvideo" ? 0 : 10;
    for (const int index : {0, 5, 9, 3, 4, 8, 1, 1, 9, 0, 6}) {
        SCOPED_TRACE("frame " + std::to_string(index));
        const void* dib = AVIStreamGetFrame(clip.reader, index);
        ASSERT_NE(dib, nullptr);
        const auto& header = *static_cast<const BITMAPINFOHEADER*>(dib);
        EXPECT_EQ(std::make_tuple(header.biSize, header.biWidth, header.biHeight,
                                  header.biBitCount),
                  std::make_tuple(DWORD(40), LONG(64), LONG(48), WORD(24)));
        // Samples in the middle of each quadrant, away from block edges.
        for (const auto& [x, y] : {std::pair{12, 10}, {52, 10}, {12, 38}, {52, 38}})
            EXPECT_LE(distance(pixelAt(dib, x, y), aviclip::quadrants(index, x, y, 64, 48)),
                      tolerance)
                << "at " << x << "," << y;
        EXPECT_EQ(aviclip::frameOfGrey(pixelAt(dib, 52, 38)[1]), index);
    }
    EXPECT_EQ(AVIStreamGetFrame(clip.reader, 10), nullptr);
    EXPECT_EQ(AVIStreamGetFrame(clip.reader, -1), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Encodable, CodecTest,
                         testing::Values("rawvideo", "cinepak", "msvideo1", "mjpeg"));

class AviFileTest : public testing::Test {
protected:
    std::string makeClip(const std::string& name, aviclip::Spec spec = {}) {
        const std::string path = folder.file(name);
        EXPECT_EQ(aviclip::write(path, spec), "");
        return path;
    }
    static std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string rewritten(const std::string& name, const std::string& bytes) {
        const std::string path = folder.file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    aviclip::Folder folder;
};

// Uncompressed frames come back byte for byte, rows padded to four bytes.
TEST_F(AviFileTest, UncompressedFramesKeepEveryPixelAndPadTheirRows) {
    aviclip::Spec spec{"rawvideo", 30, 20, 3};
    const auto pattern = [](int frame, int x, int y) {
        return Bgr{uint8_t(x * 8), uint8_t(y * 12), uint8_t(frame * 100 + x + y)};
    };
    const std::string path = folder.file("raw.avi");
    ASSERT_EQ(aviclip::write(path, spec, {"mod(N*100+X+Y,256)", "Y*12", "X*8"}), "");
    OpenClip clip(path);
    ASSERT_NE(clip.reader, nullptr);
    const void* dib = AVIStreamGetFrame(clip.reader, 2);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(static_cast<const BITMAPINFOHEADER*>(dib)->biSizeImage, 92u * 20);
    int wrong = 0;
    for (int y = 0; y < spec.height; ++y)
        for (int x = 0; x < spec.width; ++x)
            wrong += pixelAt(dib, x, y) != pattern(2, x, y);
    EXPECT_EQ(wrong, 0);
}

// Microsoft RLE has no encoder in FFmpeg: data/make_rle_clip.py wrote this
// clip of the quadrants, with an empty frame rectangle and a stream name.
TEST_F(AviFileTest, RunLengthFramesDecodeWithTheirPalette) {
    OpenClip clip(D3DDRIVER_SOURCE_DIR "/tests/vfw/data/rle.avi");
    ASSERT_EQ(clip.result, AVIERR_OK);
    ASSERT_NE(clip.reader, nullptr);
    const AVISTREAMINFOA info = clip.info();
    EXPECT_EQ(std::make_pair(info.rcFrame.right, info.rcFrame.bottom), std::make_pair(32, 16));
    EXPECT_STREQ(info.szName, "rle clip");
    for (const int index : {3, 0, 2}) {
        const void* dib = AVIStreamGetFrame(clip.reader, index);
        ASSERT_NE(dib, nullptr) << index;
        for (const auto& [x, y] : {std::pair{3, 2}, {20, 5}, {7, 12}, {30, 15}})
            EXPECT_EQ(pixelAt(dib, x, y), aviclip::quadrants(index, x, y, 32, 16))
                << index << " at " << x << "," << y;
    }
}

// Indeo has no encoder in FFmpeg either: data/make_indeo_clip.py wrote this
// Indeo 2 clip, whose halves are two colours given in luma and colour
// differences; the expected pixels are those values through the studio-range
// conversion worked out here.
TEST_F(AviFileTest, IndeoFramesDecodeAtTheirIndex) {
    const auto studio = [](int y, int cb, int cr) {
        const auto clamp = [](double v) { return BYTE(std::clamp(std::lround(v), 0L, 255L)); };
        const double l = 1.164 * (y - 16);
        return Bgr{clamp(l + 2.018 * (cb - 128)), clamp(l - 0.391 * (cb - 128) - 0.813 * (cr - 128)),
                   clamp(l + 1.596 * (cr - 128))};
    };
    const Bgr halves[4][2] = {{studio(217, 178, 128), studio(39, 78, 128)},
                              {studio(39, 78, 128), studio(217, 178, 128)},
                              {studio(162, 128, 128), studio(94, 128, 128)},
                              {studio(94, 128, 128), studio(162, 128, 128)}};
    OpenClip clip(D3DDRIVER_SOURCE_DIR "/tests/vfw/data/indeo.avi");
    ASSERT_EQ(clip.result, AVIERR_OK);
    ASSERT_NE(clip.reader, nullptr);
    EXPECT_EQ(clip.info().fccHandler, DWORD(mmioFOURCC('R', 'T', '2', '1')));
    for (const int index : {2, 0, 3, 1}) {
        const void* dib = AVIStreamGetFrame(clip.reader, index);
        ASSERT_NE(dib, nullptr) << index;
        for (const auto& [x, y] : {std::pair{3, 2}, {12, 15}, {20, 5}, {30, 11}})
            EXPECT_LE(distance(pixelAt(dib, x, y), halves[index][x >= 16]), 3)
                << index << " at " << x << "," << y;
    }
}

// The stream information gives the header's rate and length as stored, a
// shorter record filled as far as it goes. Files that are not playable video
// are refused.
TEST_F(AviFileTest, StreamInfoAsStoredAndFilesThatAreNotPlayableVideoAreRefused) {
    aviclip::Spec spec{"mjpeg", 32, 16, 4};
    spec.rate = "30000/1001";
    const std::string good = makeClip("ntsc.avi", spec);
    {
        OpenClip clip(good);
        ASSERT_EQ(clip.result, AVIERR_OK);
        const AVISTREAMINFOA info = clip.info();
        EXPECT_EQ(std::make_pair(info.dwScale, info.dwRate), std::make_pair(1001u, 30000u));
        EXPECT_EQ(info.dwLength, 4u);
        EXPECT_EQ(info.fccHandler, DWORD(mmioFOURCC('M', 'J', 'P', 'G')));
        AVISTREAMINFOA part{};
        EXPECT_EQ(AVIStreamInfoA(clip.stream, &part, 8), AVIERR_OK);
        EXPECT_EQ(std::make_pair(part.fccType, part.dwScale), std::make_pair(info.fccType, 0u));
    }
    const std::string bytes = contents(good);
    std::string audioOnly = bytes;
    const auto type = audioOnly.find("strh");
    ASSERT_NE(type, std::string::npos);
    audioOnly.replace(type + 8, 4, "auds");
    const struct {
        const char* what;
        std::string path;
        HRESULT expected;
    } cases[] = {
        {"missing", folder.file("none.avi"), AVIERR_FILEOPEN},
        {"not AVI", rewritten("text.avi", "this is not a video file at all"), AVIERR_BADFORMAT},
        {"empty", rewritten("empty.avi", ""), AVIERR_BADFORMAT},
        {"only a RIFF header", rewritten("head.avi", bytes.substr(0, 40)), AVIERR_BADFORMAT},
        {"no video stream", rewritten("audio.avi", audioOnly), AVIERR_NODATA},
    };
    for (const auto& c : cases) {
        PAVISTREAM stream = reinterpret_cast<PAVISTREAM>(1);
        EXPECT_EQ(AVIStreamOpenFromFileA(&stream, c.path.c_str(), streamtypeVIDEO, 0, OF_READ,
                                         nullptr),
                  c.expected)
            << c.what;
        EXPECT_EQ(stream, nullptr) << c.what;
    }
    PAVISTREAM stream = nullptr;
    EXPECT_EQ(AVIStreamOpenFromFileA(&stream, good.c_str(), streamtypeVIDEO, 1, OF_READ, nullptr),
              AVIERR_NODATA);
    EXPECT_EQ(AVIStreamOpenFromFileA(&stream, good.c_str(), streamtypeVIDEO, 0, OF_WRITE, nullptr),
              AVIERR_READONLY);
    EXPECT_EQ(AVIStreamOpenFromFileA(nullptr, good.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr),
              AVIERR_BADPARAM);
}

// A file cut short opens; the frames it still holds decode, the lost ones
// are refused. A frame whose data is garbage does not stop the frames after it.
TEST_F(AviFileTest, TruncatedFilesAndCorruptFramesGiveTheFramesStillThere) {
    aviclip::Spec spec{"mjpeg", 64, 48, 10};
    std::string bytes = contents(makeClip("whole.avi", spec));
    // Cut in the middle of the frames, after the headers.
    const std::size_t movi = bytes.find("movi"), index = bytes.find("idx1");
    ASSERT_LT(movi, index);
    {
        OpenClip clip(rewritten("cut.avi", bytes.substr(0, movi + (index - movi) / 2)));
        ASSERT_EQ(clip.result, AVIERR_OK);
        ASSERT_NE(clip.reader, nullptr);
        const void* first = AVIStreamGetFrame(clip.reader, 1);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(aviclip::frameOfGrey(pixelAt(first, 52, 38)[1]), 1);
        EXPECT_EQ(AVIStreamGetFrame(clip.reader, 9), nullptr);
        EXPECT_NE(AVIStreamGetFrame(clip.reader, 0), nullptr);
    }
    std::size_t chunk = movi;
    for (int n = 0; n <= 5 && chunk != std::string::npos; ++n)
        chunk = bytes.find("00dc", chunk + 4);
    ASSERT_NE(chunk, std::string::npos);
    uint32_t size;
    std::memcpy(&size, &bytes[chunk + 4], 4);
    for (uint32_t i = 0; i < size; ++i)
        bytes[chunk + 8 + i] = char(i * 37 + 11);
    OpenClip clip(rewritten("corrupt.avi", bytes));
    ASSERT_NE(clip.reader, nullptr);
    for (const int index : {4, 5, 6, 9, 2}) {
        const void* dib = AVIStreamGetFrame(clip.reader, index);
        if (index == 5)
            continue;  // whatever the decoder made of it, or nothing
        ASSERT_NE(dib, nullptr) << index;
        EXPECT_EQ(aviclip::frameOfGrey(pixelAt(dib, 52, 38)[1]), index);
    }
}

}  // namespace
