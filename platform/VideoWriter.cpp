// VideoWriter: the choice of format by a file's name, and what a build without the video
// libraries answers when asked for a video. The writer itself lives in a backend folder.
#include "platform/VideoWriter.hpp"

#include <cctype>

namespace {

bool endsWith(const std::string& path, const char* ending)
{
    const std::string tail(ending);
    if (path.size() <= tail.size())
        return false; // a name that is only the ending names no file
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[path.size() - tail.size() + i]);
        if (std::tolower(c) != tail[i])
            return false;
    }
    return path[path.size() - tail.size() - 1] != '/';
}

} // namespace

VideoFormat videoFormatFor(const std::string& path)
{
    if (endsWith(path, ".webm"))
        return VideoFormat::WebM;
    if (endsWith(path, ".mp4"))
        return VideoFormat::Mp4;
    return VideoFormat::Unknown;
}

#ifdef SPARKLER_VIDEO
const char* videoEndings()
{
    return ".webm or .mp4";
}
#else
const char* videoEndings()
{
    return "";
}

std::unique_ptr<VideoWriter> openVideoWriter(const VideoSettings& settings, std::string& error)
{
    error = settings.path + ": this build writes no video (FFmpeg's libraries were not found when it was configured)";
    return nullptr;
}
#endif
