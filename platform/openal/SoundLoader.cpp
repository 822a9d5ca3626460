// SoundLoader: finds a wave file (working directory, beside the program, ../share/sparkler) and
// reads it with SDL's wave reader, converted to 16-bit samples; see the header. Limits keep a hostile or
// broken file from exhausting memory.
#include "platform/SoundLoader.hpp"

#include "platform/openal/SoundRegistry.hpp"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

constexpr Uint32 kMaxWaveBytes = 256u << 20;

bool isFile(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Where `name` lies: the working directory first, then the program's own directory, then the
// data directory of an installation relative to it.
std::string findFile(const char* name)
{
    const std::filesystem::path asGiven(name);
    if (isFile(asGiven))
        return asGiven.string();
    if (asGiven.is_absolute())
        return {};
    char* base = SDL_GetBasePath();
    if (base == nullptr)
        return {};
    const std::filesystem::path programDir(base);
    SDL_free(base);
    // Beside the program (a build), then where an installation keeps its data: the program in
    // PREFIX/bin (or /usr/games), the sounds in PREFIX/share/sparkler.
    for (const std::filesystem::path& candidate :
         {programDir / asGiven, (programDir / ".." / "share" / "sparkler" / asGiven).lexically_normal()}) {
        if (isFile(candidate))
            return candidate.string();
    }
    return {};
}

// Reads a wave file whole, refusing one whose chunks claim more bytes than it holds: SDL
// allocates a chunk's claimed size before reading it, so a few bytes could ask for gigabytes.
bool readWaveFile(const std::string& path, std::vector<Uint8>& bytes, std::string& problem)
{
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!in || ec) {
        problem = "cannot be opened";
        return false;
    }
    if (size > kMaxWaveBytes + 65536u) {
        problem = "too large for a sound";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        problem = "cannot be read";
        return false;
    }
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        problem = "not a wave file (it does not begin with a RIFF WAVE header)";
        return false;
    }
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::uint64_t length = bytes[at + 4] | (bytes[at + 5] << 8) | (bytes[at + 6] << 16)
                                   | (static_cast<std::uint64_t>(bytes[at + 7]) << 24);
        if (length > bytes.size() - at - 8) {
            problem = "is cut short: its \"" + std::string(reinterpret_cast<const char*>(&bytes[at]), 4).substr(0, 4)
                    + "\" chunk claims more bytes than the file holds";
            for (char& c : problem) {
                if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                    c = '?';
            }
            return false;
        }
        at += 8 + length + (length & 1);
    }
    return true;
}

std::string sdlReason()
{
    const char* reason = SDL_GetError();
    return reason != nullptr && *reason != '\0' ? std::string(" (") + reason + ")" : std::string();
}

} // namespace

std::unique_ptr<SoundSegment> SoundLoader::loadObjectFromFile(const char* name, std::string& error)
{
    if (name == nullptr || *name == '\0') {
        error = "no sound file was named";
        return nullptr;
    }
    const std::string path = findFile(name);
    if (path.empty()) {
        error = std::string(name) + ": not found in the working directory, beside the program or in ../share/sparkler";
        return nullptr;
    }
    std::vector<Uint8> file;
    std::string problem;
    if (!readWaveFile(path, file, problem)) {
        error = path + ": " + problem;
        return nullptr;
    }
    SDL_RWops* stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    if (stream == nullptr) {
        error = path + ": cannot be read" + sdlReason();
        return nullptr;
    }
    SDL_AudioSpec layout{};
    Uint8* data = nullptr;
    Uint32 length = 0;
    SDL_ClearError();
    if (SDL_LoadWAV_RW(stream, 1, &layout, &data, &length) == nullptr) {
        error = path + ": not a wave file" + sdlReason();
        return nullptr;
    }
    if (layout.channels < 1 || layout.channels > 2)
        problem = "has " + std::to_string(layout.channels) + " channels; only mono and stereo can be played";
    else if (layout.freq <= 0 || layout.freq > openal::maxSampleRate)
        problem = "has an unusable sample rate of " + std::to_string(layout.freq) + " Hz";
    else if (length == 0 || data == nullptr)
        problem = "holds no samples";
    else if (length > kMaxWaveBytes)
        problem = "too large for a sound";
    SDL_AudioCVT convert{};
    if (problem.empty()
        && SDL_BuildAudioCVT(&convert, layout.format, layout.channels, layout.freq, AUDIO_S16SYS, layout.channels,
                             layout.freq)
            < 0)
        problem = "its sample format cannot be converted" + sdlReason();
    if (!problem.empty()) {
        SDL_FreeWAV(data);
        error = path + ": " + problem;
        return nullptr;
    }
    std::vector<Uint8> bytes(data, data + length);
    SDL_FreeWAV(data);
    std::size_t converted = bytes.size();
    if (convert.needed != 0) {
        bytes.resize(static_cast<std::size_t>(length) * static_cast<std::size_t>(std::max(convert.len_mult, 1)));
        convert.buf = bytes.data();
        convert.len = static_cast<int>(length);
        if (SDL_ConvertAudio(&convert) != 0) {
            error = path + ": its samples cannot be converted" + sdlReason();
            return nullptr;
        }
        converted = static_cast<std::size_t>(std::max(convert.len_cvt, 0));
    }
    const std::size_t frameBytes = sizeof(std::int16_t) * layout.channels;
    const std::size_t frameCount = std::min(converted, bytes.size()) / frameBytes;
    if (frameCount == 0) {
        error = path + ": holds no samples";
        return nullptr;
    }
    std::unique_ptr<SoundSegment> segment(new SoundSegment());
    segment->samples.resize(frameCount * layout.channels);
    std::memcpy(segment->samples.data(), bytes.data(), frameCount * frameBytes);
    segment->channelCount = layout.channels;
    segment->frequency = layout.freq;
    segment->filePath = path;
    return segment;
}
