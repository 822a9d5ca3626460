// ScreenshotFile: naming, placing and writing PrintScreen's pictures; see the header.
#include "platform/ScreenshotFile.hpp"

#include "platform/AtomicFile.hpp"
#include "platform/PngWriter.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

bool exists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool isFolder(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string withSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

std::string screenshotName(const std::string& folder, std::time_t seconds, int milliseconds)
{
    std::tm local{};
    localtime_r(&seconds, &local);
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

std::string picturesFolder()
{
    // xdg-user-dir knows the user's own name for the folder; it prints $HOME when none is set.
    if (std::FILE* pipe = ::popen("xdg-user-dir PICTURES 2>/dev/null", "r")) {
        char line[4096];
        std::string answer;
        if (std::fgets(line, sizeof line, pipe) != nullptr)
            answer = line;
        const int status = ::pclose(pipe);
        while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
            answer.pop_back();
        if (status == 0 && !answer.empty() && answer[0] == '/' && isFolder(answer))
            return withSlash(answer);
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' && isFolder(home) ? withSlash(home) : std::string();
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
        const std::string pictures = picturesFolder();
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
