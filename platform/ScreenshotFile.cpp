// ScreenshotFile: naming, placing and writing PrintScreen's pictures; see the header.
#include "platform/ScreenshotFile.hpp"

#include "platform/AtomicFile.hpp"
#include "platform/PngWriter.hpp"
#include "platform/SystemCalls.hpp"

#include <chrono>
#include <cstdio>

namespace {

bool exists(const std::string& path)
{
    return sys::pathKind(path) != sys::PathKind::Missing;
}

} // namespace

std::string screenshotName(const std::string& folder, std::time_t seconds, int milliseconds)
{
    std::tm local{};
    if (!sys::localTime(seconds, local))
        return {};
    char stamp[32];
    if (std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local) == 0)
        return {};
    char millis[8];
    std::snprintf(millis, sizeof millis, "-%03d", milliseconds % 1000);
    const std::string base = folder + "sparkler-" + stamp + millis;
    std::string name = base + ".png";
    for (int n = 2; exists(name); ++n)
        name = base + "-" + std::to_string(n) + ".png";
    return name;
}

SavedScreenshot saveScreenshotFile(const std::uint16_t* pixels, int width, int height, std::string& error)
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const int millis = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);

    SavedScreenshot saved;
    std::string name = screenshotName("", seconds, millis);
    std::string why;
    if (!AtomicFile::canCreate(name, why)) {
        const std::string pictures = sys::picturesFolder();
        if (pictures.empty()) {
            error = "the working directory cannot be written and there is no pictures or home folder";
            return saved;
        }
        name = screenshotName(pictures, seconds, millis);
        saved.inPicturesFolder = true;
    }
    if (!writePng(name, pixels, width, height, error))
        return saved;
    saved.path = name;
    return saved;
}

std::string saveScreenshotAndSay(const char* program, const std::uint16_t* pixels, int width, int height)
{
    std::string why;
    const SavedScreenshot saved = saveScreenshotFile(pixels, width, height, why);
    if (saved.path.empty())
        std::fprintf(stderr, "%s: the screen could not be saved: %s\n", program, why.c_str());
    else if (saved.inPicturesFolder)
        std::fprintf(stderr, "%s: the working directory cannot be written; saved the screen as %s\n", program,
                     saved.path.c_str());
    else
        std::fprintf(stderr, "%s: saved the screen as %s\n", program, saved.path.c_str());
    return saved.path;
}
