// Writes small AVI clips with FFmpeg's encoders for the video tests and
// benchmarks: every frame is a pattern given as a function of the frame
// number and the pixel, in blue, green, red order.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace aviclip {

using Bgr = std::array<uint8_t, 3>;
using Pattern = std::function<Bgr(int frame, int x, int y)>;

struct Spec {
    std::string codec = "mjpeg";  // an FFmpeg encoder name: cinepak, msvideo1, mjpeg, rawvideo
    int width = 64;
    int height = 48;
    int frames = 10;
    int gop = 4;  // a key frame every `gop` frames
    AVRational frameRate{10, 1};
};

// The format the clip is encoded from: the encoder's first, or 24-bit for
// uncompressed clips.
inline AVPixelFormat sourceFormat(const AVCodec& codec) {
    if (codec.id == AV_CODEC_ID_RAWVIDEO || !codec.pix_fmts)
        return AV_PIX_FMT_BGR24;
    return codec.pix_fmts[0];
}

class Writer {
public:
    ~Writer() {
        sws_freeContext(scaler_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&encoder_);
        if (output_ && output_->pb)
            avio_closep(&output_->pb);
        avformat_free_context(output_);
    }

    // An empty string on success, else what failed.
    std::string write(const std::string& path, const Spec& spec, const Pattern& pattern) {
        av_log_set_level(AV_LOG_ERROR);
        const AVCodec* codec = avcodec_find_encoder_by_name(spec.codec.c_str());
        if (!codec)
            return "no encoder " + spec.codec;
        if (avformat_alloc_output_context2(&output_, nullptr, "avi", path.c_str()) < 0)
            return "no AVI muxer";
        AVStream* stream = avformat_new_stream(output_, nullptr);
        encoder_ = avcodec_alloc_context3(codec);
        encoder_->width = spec.width;
        encoder_->height = spec.height;
        encoder_->time_base = av_inv_q(spec.frameRate);
        encoder_->framerate = spec.frameRate;
        encoder_->gop_size = spec.gop;
        encoder_->pix_fmt = sourceFormat(*codec);
        encoder_->flags |= AV_CODEC_FLAG_QSCALE;
        encoder_->global_quality = FF_QP2LAMBDA * 2;
        if (avcodec_open2(encoder_, codec, nullptr) < 0)
            return "the encoder refused the settings";
        avcodec_parameters_from_context(stream->codecpar, encoder_);
        stream->time_base = encoder_->time_base;
        if (avio_open(&output_->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
            avformat_write_header(output_, nullptr) < 0)
            return "cannot write " + path;
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        frame_->format = encoder_->pix_fmt;
        frame_->width = spec.width;
        frame_->height = spec.height;
        if (av_frame_get_buffer(frame_, 0) < 0)
            return "no frame memory";
        scaler_ = sws_getContext(spec.width, spec.height, AV_PIX_FMT_BGR24, spec.width, spec.height,
                                 encoder_->pix_fmt, SWS_POINT, nullptr, nullptr, nullptr);
        std::vector<uint8_t> picture(std::size_t(spec.width) * spec.height * 3);
        for (int n = 0; n < spec.frames; ++n) {
            for (int y = 0; y < spec.height; ++y)
                for (int x = 0; x < spec.width; ++x) {
                    const Bgr c = pattern(n, x, y);
                    std::copy(c.begin(), c.end(), &picture[(std::size_t(y) * spec.width + x) * 3]);
                }
            av_frame_make_writable(frame_);
            const uint8_t* source[1] = {picture.data()};
            const int sourceStride[1] = {spec.width * 3};
            sws_scale(scaler_, source, sourceStride, 0, spec.height, frame_->data, frame_->linesize);
            frame_->pts = n;
            if (!encode(frame_, stream))
                return "encoding failed at frame " + std::to_string(n);
        }
        if (!encode(nullptr, stream) || av_write_trailer(output_) < 0)
            return "cannot finish " + path;
        return {};
    }

private:
    bool encode(AVFrame* frame, AVStream* stream) {
        if (avcodec_send_frame(encoder_, frame) < 0)
            return false;
        for (;;) {
            const int result = avcodec_receive_packet(encoder_, packet_);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return true;
            if (result < 0)
                return false;
            av_packet_rescale_ts(packet_, encoder_->time_base, stream->time_base);
            packet_->stream_index = stream->index;
            if (av_interleaved_write_frame(output_, packet_) < 0)
                return false;
        }
    }

    AVFormatContext* output_ = nullptr;
    AVCodecContext* encoder_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* scaler_ = nullptr;
};

inline std::string write(const std::string& path, const Spec& spec, const Pattern& pattern) {
    return Writer().write(path, spec, pattern);
}

// Four quadrants: red top left, green top right, blue bottom left, and a grey
// bottom right whose level tells the frame: 16 + 22 × frame.
inline Bgr quadrants(int frame, int x, int y, int width, int height) {
    const bool right = x >= width / 2, bottom = y >= height / 2;
    if (!right && !bottom)
        return {0, 0, 255};
    if (right && !bottom)
        return {0, 255, 0};
    if (!right)
        return {255, 0, 0};
    const auto level = static_cast<uint8_t>(16 + 22 * (frame % 11));
    return {level, level, level};
}

inline int frameOfGrey(int level) {
    return (level - 16 + 11) / 22;
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
