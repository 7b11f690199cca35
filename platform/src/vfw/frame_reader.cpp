#include "vfw/frame_reader.h"

#include "core/call_log.h"

#include <cstring>
#include <utility>

namespace platform::vfw {
namespace {

constexpr int maxSide = 8192;
constexpr int64_t maxPixels = 4096 * 4096;
// Zeroed bytes after the last row: a reader that steps a pixel past the end
// of the picture still reads inside the buffer.
constexpr std::size_t slackBytes = 8;
constexpr std::size_t headerSize = sizeof(BITMAPINFOHEADER);

int strideOf(int width) {
    return (width * 3 + 3) & ~3;
}

}  // namespace

FrameReader* FrameReader::create(AviStream& stream, const BITMAPINFOHEADER* wanted) {
    FormatHandle demuxer = openAviDemuxer(stream.path());
    const int index = stream.header().fileIndex;
    if (!demuxer || index < 0 || index >= static_cast<int>(demuxer->nb_streams))
        return nullptr;
    const AVCodecParameters* parameters = demuxer->streams[index]->codecpar;
    if (parameters->codec_type != AVMEDIA_TYPE_VIDEO)
        return nullptr;
    const int width = parameters->width;
    const int height = parameters->height;
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide ||
        int64_t(width) * height > maxPixels)
        return nullptr;

    auto* reader = new FrameReader(stream, width, height);
    reader->streamIndex_ = index;
    reader->demuxer_ = std::move(demuxer);
    if ((wanted && !reader->accepts(*wanted)) || !reader->openDecoder()) {
        reader->Release();
        return nullptr;
    }
    return reader;
}

FrameReader* FrameReader::fromInterface(IGetFrame* reader) {
    return dynamic_cast<FrameReader*>(reader);
}

FrameReader::FrameReader(AviStream& stream, int width, int height)
    : stream_(stream), width_(width), height_(height), stride_(strideOf(width)) {
    stream_.AddRef();
    const std::size_t pixels = std::size_t(stride_) * std::size_t(height_);
    dib_.assign(headerSize + pixels + slackBytes, 0);
    BITMAPINFOHEADER header{};
    header.biSize = headerSize;
    header.biWidth = width_;
    header.biHeight = height_;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(pixels);
    std::memcpy(dib_.data(), &header, headerSize);
    converted_.resize(pixels);
}

FrameReader::~FrameReader() {
    stream_.Release();
}

bool FrameReader::accepts(const BITMAPINFOHEADER& wanted) const {
    return wanted.biBitCount == 24 && wanted.biCompression == BI_RGB &&
           (wanted.biWidth == 0 || wanted.biWidth == width_) &&
           (wanted.biHeight == 0 || wanted.biHeight == height_);
}

bool FrameReader::openDecoder() {
    const AVCodecParameters* parameters = demuxer_->streams[streamIndex_]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec)
        return false;
    decoder_.reset(avcodec_alloc_context3(codec));
    packet_.reset(av_packet_alloc());
    latest_.reset(av_frame_alloc());
    ahead_.reset(av_frame_alloc());
    if (!decoder_ || !packet_ || !latest_ || !ahead_ ||
        avcodec_parameters_to_context(decoder_.get(), parameters) < 0)
        return false;
    // One frame at a time on the caller's thread: playback asks for one
    // frame per drawn frame.
    decoder_->thread_count = 1;
    return avcodec_open2(decoder_.get(), codec, nullptr) == 0;
}

HRESULT FrameReader::QueryInterface(REFIID riid, LPVOID* object) {
    PLATFORM_RECORD_CALL("IGetFrame::QueryInterface", (ULONG_PTR)object);
    if (!object)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IGetFrame) {
        AddRef();
        *object = static_cast<IGetFrame*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG FrameReader::AddRef() {
    return ++refs_;
}

ULONG FrameReader::Release() {
    core::countCall("IGetFrame::Release", {});
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT FrameReader::SetFormat(LPBITMAPINFOHEADER lpbi, LPVOID lpBits, int, int, int, int) {
    if (lpBits || (lpbi && !accepts(*lpbi)))
        return AVIERR_UNSUPPORTED;
    return AVIERR_OK;
}

LPVOID FrameReader::GetFrame(LONG lPos) {
    HRESULT injected;
    if (core::recordCall("IGetFrame::GetFrame", {(ULONG_PTR)lPos}, &injected))
        return nullptr;
    if (broken_ || lPos < 0 || lPos >= static_cast<LONG>(stream_.header().info.dwLength))
        return nullptr;
    if (lPos == shown_)
        return dib_.data();
    const int64_t position = lPos;
    if (!continuesTo(position) && !seekTo(position))
        return nullptr;
    for (;;) {
        if (aheadPosition_ >= 0) {
            if (aheadPosition_ > position)
                break;
            std::swap(latest_, ahead_);
            latestPosition_ = aheadPosition_;
            aheadPosition_ = -1;
            continue;
        }
        if (!decodeNext())
            break;
    }
    // A frame the file leaves out repeats the one before it, but only
    // when the stream goes on after it.
    const bool found = latestPosition_ == position ||
                       (latestPosition_ >= 0 && latestPosition_ < position && aheadPosition_ > position);
    if (!found || !convertLatest())
        return nullptr;
    shown_ = lPos;
    return dib_.data();
}

bool FrameReader::continuesTo(int64_t position) const {
    if (latestPosition_ < 0 || latestPosition_ > position)
        return false;
    if (position - latestPosition_ <= 1)
        return true;
    // Decoding on is always right; seeking is worth it past a key frame.
    return keyFrameAtOrBefore(demuxer_->streams[streamIndex_], position) <= latestPosition_;
}

bool FrameReader::seekTo(int64_t position) {
    avcodec_flush_buffers(decoder_.get());
    latestPosition_ = aheadPosition_ = -1;
    shown_ = -1;
    inputEnded_ = false;
    if (av_seek_frame(demuxer_.get(), streamIndex_, position, AVSEEK_FLAG_BACKWARD) >= 0)
        return true;
    // Without an index the file is read again from its start.
    FormatHandle reopened = openAviDemuxer(stream_.path());
    if (!reopened || streamIndex_ >= static_cast<int>(reopened->nb_streams))
        return false;
    demuxer_ = std::move(reopened);
    broken_ = !openDecoder();
    return !broken_;
}

bool FrameReader::receiveFrame() {
    if (avcodec_receive_frame(decoder_.get(), ahead_.get()) != 0)
        return false;
    const int64_t stamp = ahead_->best_effort_timestamp;
    aheadPosition_ = stamp != AV_NOPTS_VALUE && stamp >= 0 ? stamp : latestPosition_ + 1;
    return true;
}

bool FrameReader::decodeNext() {
    if (receiveFrame())
        return true;
    while (!inputEnded_) {
        if (av_read_frame(demuxer_.get(), packet_.get()) < 0) {
            inputEnded_ = true;
            avcodec_send_packet(decoder_.get(), nullptr);
            break;
        }
        // An empty chunk is a dropped frame; sent on, it would end the decoding.
        const bool usable = packet_->stream_index == streamIndex_ && packet_->size > 0;
        if (usable)
            avcodec_send_packet(decoder_.get(), packet_.get());
        av_packet_unref(packet_.get());
        if (usable && receiveFrame())
            return true;
    }
    return receiveFrame();
}

bool FrameReader::convertLatest() {
    const AVFrame& frame = *latest_;
    scaler_.reset(sws_getCachedContext(scaler_.release(), frame.width, frame.height,
                                       static_cast<AVPixelFormat>(frame.format), width_, height_,
                                       AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler_)
        return false;
    uint8_t* target[4] = {converted_.data(), nullptr, nullptr, nullptr};
    const int targetStride[4] = {stride_, 0, 0, 0};
    if (sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height, target,
                  targetStride) <= 0)
        return false;
    // DIB rows are stored bottom-up.
    BYTE* pixels = dib_.data() + headerSize;
    for (int y = 0; y < height_; ++y)
        std::memcpy(pixels + std::size_t(height_ - 1 - y) * stride_,
                    converted_.data() + std::size_t(y) * stride_, std::size_t(stride_));
    return true;
}

}  // namespace platform::vfw
