#include "vfw/ffmpeg_support.h"

#include <mutex>

namespace platform::vfw {

FormatHandle openAviDemuxer(const std::string& path) {
    // Broken files are answered with results, as on Windows, not with text.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    const AVInputFormat* avi = av_find_input_format("avi");
    AVFormatContext* context = nullptr;
    if (!avi || avformat_open_input(&context, path.c_str(), avi, nullptr) < 0)
        return nullptr;
    return FormatHandle(context);
}

int64_t keyFrameAtOrBefore(AVStream* stream, int64_t position) {
    const int found = av_index_search_timestamp(stream, position, AVSEEK_FLAG_BACKWARD);
    if (found < 0)
        return -1;
    const AVIndexEntry* entry = avformat_index_get_entry(stream, found);
    return entry ? entry->timestamp : -1;
}

}  // namespace platform::vfw
