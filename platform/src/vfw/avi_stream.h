// IAVIStream over one stream of an AVI file: the header as the file states
// it, and a demuxer for the index (key frames). Frames are read and
// decompressed by a FrameReader, which opens the file again for itself.
#pragma once

#include "vfw/avi_header.h"
#include "vfw/ffmpeg_support.h"

#include <vfw.h>

#include <atomic>
#include <string>

namespace platform::vfw {

class AviStream final : public IAVIStream {
public:
    // AVIERR_OK with `*out` holding one reference, or the error of the
    // header (AVIERR_FILEOPEN, AVIERR_BADFORMAT, AVIERR_NODATA).
    static HRESULT open(const std::string& path, DWORD fccType, LONG number, AviStream** out);
    static AviStream* fromInterface(IAVIStream* stream);

    HRESULT QueryInterface(REFIID riid, LPVOID* object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT Create(LPARAM, LPARAM) override { return AVIERR_UNSUPPORTED; }
    HRESULT Info(AVISTREAMINFOA* psi, LONG lSize) override;
    LONG FindSample(LONG lPos, LONG lFlags) override;
    HRESULT ReadFormat(LONG lPos, LPVOID lpFormat, LONG* lpcbFormat) override;
    HRESULT SetFormat(LONG, LPVOID, LONG) override { return AVIERR_READONLY; }
    // Raw samples are not offered; frames come through AVIStreamGetFrame.
    HRESULT Read(LONG, LONG, LPVOID, LONG, LONG*, LONG*) override { return AVIERR_UNSUPPORTED; }
    HRESULT Write(LONG, LONG, LPVOID, LONG, DWORD, LONG*, LONG*) override {
        return AVIERR_READONLY;
    }
    HRESULT Delete(LONG, LONG) override { return AVIERR_READONLY; }
    HRESULT ReadData(DWORD, LPVOID, LONG*) override { return AVIERR_NODATA; }
    HRESULT WriteData(DWORD, LPVOID, LONG) override { return AVIERR_READONLY; }
    HRESULT SetInfo(AVISTREAMINFOA*, LONG) override { return AVIERR_READONLY; }

    const AviStreamHeader& header() const { return header_; }
    const std::string& path() const { return path_; }

private:
    AviStream(std::string path, AviStreamHeader header, FormatHandle demuxer);
    ~AviStream() = default;

    std::atomic<ULONG> refs_{1};
    const std::string path_;
    const AviStreamHeader header_;
    FormatHandle demuxer_;
};

}  // namespace platform::vfw
