// ProgressLine: the redrawn progress line of long renders; see the header.
#include "replay/ProgressLine.hpp"

#include <cinttypes>

ProgressLine::ProgressLine(std::FILE* output, std::int64_t frames, double start)
    : out(output), total(frames), startSeconds(start)
{}

std::string ProgressLine::text(std::int64_t done, std::int64_t total, double elapsedSeconds)
{
    char line[160];
    const double rate = elapsedSeconds > 0.0 ? static_cast<double>(done) / elapsedSeconds : 0.0;
    int length = std::snprintf(line, sizeof line, "frame %" PRId64 " of %" PRId64 ", %.1f frames/s", done, total, rate);
    if (done >= total) {
        std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), ", done in %.1f s",
                      elapsedSeconds);
    } else if (rate > 0.0) {
        // Whole seconds, rounded up: a render is never "0 s" from its end until it is done.
        const double left = static_cast<double>(total - done) / rate;
        const auto seconds = static_cast<long long>(left) + (left > static_cast<double>(static_cast<long long>(left)));
        if (seconds >= 3600)
            std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), ", %lld h %02lld min left",
                          seconds / 3600, seconds / 60 % 60);
        else if (seconds >= 60)
            std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), ", %lld min %02lld s left",
                          seconds / 60, seconds % 60);
        else
            std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), ", %lld s left", seconds);
    }
    return line;
}

void ProgressLine::update(std::int64_t done, double nowSeconds)
{
    if (out == nullptr)
        return;
    latest = done;
    if (done < total && lastDraw >= 0.0 && nowSeconds - lastDraw < kRedrawSeconds)
        return;
    draw(done, nowSeconds);
}

void ProgressLine::finish(double nowSeconds)
{
    if (out == nullptr || !drawn)
        return;
    if (lastDrawn != latest)
        draw(latest, nowSeconds);
    std::fputc('\n', out);
    std::fflush(out);
    drawn = false;
}

void ProgressLine::draw(std::int64_t done, double nowSeconds)
{
    std::fprintf(out, "\r%s\x1b[K", text(done, total, nowSeconds - startSeconds).c_str());
    std::fflush(out);
    lastDraw = nowSeconds;
    lastDrawn = done;
    drawn = true;
}
