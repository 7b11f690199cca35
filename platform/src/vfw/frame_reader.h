// IGetFrame: decompresses the frames of a video stream into a packed DIB
// (BITMAPINFOHEADER, then 24-bit rows bottom-up, each padded to four bytes).
// Any frame can be asked for in any order: the reader decodes on from the
// frame it holds when no key frame lies between, and otherwise seeks to the
// key frame before the wanted one and decodes forward from there.
#pragma once

#include "vfw/avi_stream.h"
#include "vfw/ffmpeg_support.h"

#include <vfw.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace platform::vfw {

class FrameReader final : public IGetFrame {
public:
    // Null when no decoder takes the stream or `wanted` is a format the
    // reader does not produce. Holds a reference to `stream`.
    static FrameReader* create(AviStream& stream, const BITMAPINFOHEADER* wanted);
    static FrameReader* fromInterface(IGetFrame* reader);

    HRESULT QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // Null when the frame cannot be decoded (outside the stream, missing from
    // the file, or corrupt beyond the decoder's repair).
    LPVOID GetFrame(LONG lPos) override;
    HRESULT Begin(LONG, LONG, LONG) override { return AVIERR_OK; }
    HRESULT End() override { return AVIERR_OK; }
    // Only the format it already gives is accepted.
    HRESULT SetFormat(LPBITMAPINFOHEADER lpbi, LPVOID lpBits, int x, int y, int dx,
                      int dy) override;

    // Bytes of the frame buffer, slack after the pixels included.
    std::size_t frameBufferSize() const { return dib_.size(); }

private:
    FrameReader(AviStream& stream, int width, int height);
    ~FrameReader();

    bool openDecoder();
    bool accepts(const BITMAPINFOHEADER& wanted) const;
    bool continuesTo(int64_t position) const;
    bool seekTo(int64_t position);
    // Decodes the next frame of the stream into ahead_.
    bool decodeNext();
    bool receiveFrame();
    bool convertLatest();

    std::atomic<ULONG> refs_{1};
    AviStream& stream_;
    const int width_;
    const int height_;
    const int stride_;
    int streamIndex_;
    FormatHandle demuxer_;
    CodecHandle decoder_;
    PacketHandle packet_;
    ScalerHandle scaler_;
    // The latest decoded frame, and the one decoded past the wanted frame.
    FrameHandle latest_;
    FrameHandle ahead_;
    int64_t latestPosition_ = -1;
    int64_t aheadPosition_ = -1;
    bool inputEnded_ = false;
    // The file could not be read again after a failed seek.
    bool broken_ = false;
    LONG shown_ = -1;
    std::vector<BYTE> converted_;
    std::vector<BYTE> dib_;
};

}  // namespace platform::vfw
