// ReplayTrace: the frame hash and the trace line; see the header.
#include "session/ReplayTrace.hpp"

#include "app/Application.hpp"
#include "sim/Random.hpp"

#include <cstdio>

std::uint64_t frameHash(const std::uint16_t* pixels, std::size_t count)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < count; ++i) {
        hash ^= static_cast<std::uint8_t>(pixels[i] & 0xFF);
        hash *= 0x100000001b3ull;
        hash ^= static_cast<std::uint8_t>(pixels[i] >> 8);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

std::string traceLine(std::int64_t frame, float dt, const Application& app, std::uint64_t shownFrameHash)
{
    int bursts = 0;
    int burstSparks = 0;
    const SparklerEmitter& sparkler = *app.sparkler;
    for (int i = 0; i < sparkler.capacity; ++i) {
        if (const ParticleEmitter* burst = sparkler.particles[i].burst.get()) {
            ++bursts;
            burstSparks += burst->aliveCount;
        }
    }
    char line[512];
    std::snprintf(line, sizeof line,
                  "{\"frame\":%lld,\"dt\":%.9g,\"rng\":%u,\"sparks\":%d,\"smoke\":%d,\"bursts\":%d,\"burstSparks\":%d,"
                  "\"colour\":%d,\"gravityY\":%.17g,\"helpSlide\":%d,\"fb\":\"%016llx\"}",
                  static_cast<long long>(frame), static_cast<double>(dt), static_cast<unsigned>(randomState()),
                  sparkler.aliveCount, app.smoke->aliveCount, bursts, burstSparks, sparkler.colour, sparkler.gravity.y,
                  static_cast<int>(app.helpSlide), static_cast<unsigned long long>(shownFrameHash));
    return line;
}
