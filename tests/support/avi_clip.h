// Small AVI clips for the video tests and benchmarks, encoded by the ffmpeg
// program (scripts/install-deps.sh installs it) from a pattern given as
// FFmpeg expressions of the pixel (X, Y), the picture size (W, H) and the
// frame number (N).
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace aviclip {

using Bgr = std::array<uint8_t, 3>;

struct Pattern {
    std::string red, green, blue;
};

struct Spec {
    std::string codec = "mjpeg";  // an FFmpeg encoder: cinepak, msvideo1, mjpeg, rawvideo
    int width = 64;
    int height = 48;
    int frames = 10;
    int gop = 4;               // a key frame every `gop` frames
    std::string rate = "10";  // frames per second, maybe a fraction such as 30000/1001
};

// Four quadrants: red top left, green top right, blue bottom left, and a grey
// bottom right whose level tells the frame: 16 + 22 × frame.
inline Pattern quadrantPattern() {
    const std::string grey = "16+22*mod(N,11)";
    return {"if(lt(Y,H/2),if(lt(X,W/2),255,0),if(lt(X,W/2),0," + grey + "))",
            "if(lt(Y,H/2),if(lt(X,W/2),0,255),if(lt(X,W/2),0," + grey + "))",
            "if(lt(Y,H/2),0,if(lt(X,W/2),255," + grey + "))"};
}

// The same pattern, to check decoded pixels against.
inline Bgr quadrants(int frame, int x, int y, int width, int height) {
    const bool right = x >= width / 2, bottom = y >= height / 2;
    if (!bottom)
        return right ? Bgr{0, 255, 0} : Bgr{0, 0, 255};
    if (!right)
        return {255, 0, 0};
    const auto level = static_cast<uint8_t>(16 + 22 * (frame % 11));
    return {level, level, level};
}

inline int frameOfGrey(int level) {
    return (level - 16 + 11) / 22;
}

// An empty string on success, else the command that failed.
inline std::string write(const std::string& path, const Spec& spec,
                         const Pattern& pattern = quadrantPattern()) {
    const std::string size = std::to_string(spec.width) + "x" + std::to_string(spec.height);
    const std::string source = "color=black:s=" + size + ":r=" + spec.rate +
                               ",format=gbrp,geq=r='" + pattern.red + "':g='" + pattern.green +
                               "':b='" + pattern.blue + "'";
    // Uncompressed frames keep the pattern's bytes; Motion JPEG at its best.
    const std::string format = spec.codec == "rawvideo" ? " -pix_fmt bgr24" : " -q:v 2";
    const std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i \"" +
                                source + "\" -frames:v " + std::to_string(spec.frames) + " -g " +
                                std::to_string(spec.gop) + " -c:v " + spec.codec + format + " '" +
                                path + "'";
    return std::system(command.c_str()) == 0 ? std::string() : command;
}

// A fresh folder for the clips of one test, removed with them.
class Folder {
public:
    Folder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "d3ddriver-avi-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace aviclip
