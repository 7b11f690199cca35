#include "vfw/avi_stream.h"

#include "core/call_log.h"

#include <algorithm>
#include <cstring>

namespace platform::vfw {
namespace {

AVMediaType mediaTypeOf(DWORD fccType) {
    switch (fccType) {
    case streamtypeVIDEO:
        return AVMEDIA_TYPE_VIDEO;
    case streamtypeAUDIO:
        return AVMEDIA_TYPE_AUDIO;
    default:
        return AVMEDIA_TYPE_UNKNOWN;
    }
}

}  // namespace

HRESULT AviStream::open(const std::string& path, DWORD fccType, LONG number, AviStream** out) {
    *out = nullptr;
    AviStreamHeader header;
    const HRESULT read = readStreamHeader(path, fccType, number, header);
    if (read != AVIERR_OK)
        return read;
    FormatHandle demuxer = openAviDemuxer(path);
    if (!demuxer)
        return AVIERR_BADFORMAT;
    // FFmpeg numbers the streams in the order of their header lists.
    if (header.fileIndex >= static_cast<int>(demuxer->nb_streams) ||
        demuxer->streams[header.fileIndex]->codecpar->codec_type != mediaTypeOf(fccType))
        return AVIERR_BADFORMAT;
    *out = new AviStream(path, std::move(header), std::move(demuxer));
    return AVIERR_OK;
}

AviStream::AviStream(std::string path, AviStreamHeader header, FormatHandle demuxer)
    : path_(std::move(path)), header_(std::move(header)), demuxer_(std::move(demuxer)) {}

AviStream* AviStream::fromInterface(IAVIStream* stream) {
    return dynamic_cast<AviStream*>(stream);
}

HRESULT AviStream::QueryInterface(REFIID riid, LPVOID* object) {
    PLATFORM_RECORD_CALL("IAVIStream::QueryInterface", (ULONG_PTR)object);
    if (!object)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IAVIStream) {
        AddRef();
        *object = static_cast<IAVIStream*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AviStream::AddRef() {
    return ++refs_;
}

ULONG AviStream::Release() {
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

HRESULT AviStream::Info(AVISTREAMINFOA* psi, LONG lSize) {
    PLATFORM_RECORD_CALL("IAVIStream::Info", (ULONG_PTR)psi, (ULONG_PTR)lSize);
    if (!psi || lSize < 0)
        return AVIERR_BADPARAM;
    // A shorter record gets the first lSize bytes.
    std::memcpy(psi, &header_.info, std::min<std::size_t>(lSize, sizeof header_.info));
    return AVIERR_OK;
}

LONG AviStream::FindSample(LONG lPos, LONG lFlags) {
    const LONG length = static_cast<LONG>(header_.info.dwLength);
    if (lPos < 0 || lPos >= length)
        return -1;
    if (!(lFlags & FIND_KEY))
        return lPos;
    AVStream* stream = demuxer_->streams[header_.fileIndex];
    if (lFlags & FIND_NEXT) {
        const int found = av_index_search_timestamp(stream, lPos, 0);
        const AVIndexEntry* entry = found < 0 ? nullptr : avformat_index_get_entry(stream, found);
        return entry ? static_cast<LONG>(entry->timestamp) : -1;
    }
    return static_cast<LONG>(keyFrameAtOrBefore(stream, lPos));
}

HRESULT AviStream::ReadFormat(LONG, LPVOID lpFormat, LONG* lpcbFormat) {
    if (!lpcbFormat)
        return AVIERR_BADPARAM;
    const LONG size = static_cast<LONG>(header_.format.size());
    if (!lpFormat) {
        *lpcbFormat = size;
        return AVIERR_OK;
    }
    const LONG copied = std::min(size, std::max<LONG>(*lpcbFormat, 0));
    std::memcpy(lpFormat, header_.format.data(), static_cast<std::size_t>(copied));
    *lpcbFormat = copied;
    return copied < size ? AVIERR_BUFFERTOOSMALL : AVIERR_OK;
}

}  // namespace platform::vfw
