// SoundLoader on Windows: finds a wave file (the working directory, beside the program, then
// ..\share\sparkler) and reads its PCM samples (8 or 16 bits, mono or stereo) with a reader of
// its own, since SDL is not there. Limits keep a hostile or broken file from exhausting memory.
#include "platform/SoundLoader.hpp"

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

constexpr std::uintmax_t kMaxWaveBytes = 256u << 20;
constexpr std::uint32_t kMaxSampleRate = 768000;

bool isFile(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::string findFile(const char* name)
{
    const std::filesystem::path asGiven(name);
    if (isFile(asGiven))
        return asGiven.string();
    if (asGiven.is_absolute())
        return {};
    wchar_t module[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    const std::filesystem::path programDir = std::filesystem::path(module).parent_path();
    for (const std::filesystem::path& candidate :
         {programDir / asGiven, (programDir / ".." / "share" / "sparkler" / asGiven).lexically_normal()}) {
        if (isFile(candidate))
            return candidate.string();
    }
    return {};
}

std::uint32_t little(const std::vector<std::uint8_t>& bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

// The samples of a RIFF WAVE file's PCM data, as 16-bit values; a reason when it cannot be had.
bool parseWave(const std::vector<std::uint8_t>& bytes, std::vector<std::int16_t>& samples, int& channels, int& rate,
               std::string& problem)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        problem = "not a wave file (it does not begin with a RIFF WAVE header)";
        return false;
    }
    int bits = 0;
    bool haveFormat = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::size_t length = little(bytes, at + 4, 4);
        if (length > bytes.size() - at - 8) {
            problem = "is cut short: a chunk claims more bytes than the file holds";
            return false;
        }
        const std::size_t body = at + 8;
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && length >= 16) {
            const std::uint32_t tag = little(bytes, body, 2);
            const bool extensiblePcm = tag == 0xFFFE && length >= 26 && little(bytes, body + 24, 2) == 1;
            if (tag != 1 && !extensiblePcm) {
                problem = "is not plain PCM; only 8- and 16-bit PCM waves can be played";
                return false;
            }
            channels = static_cast<int>(little(bytes, body + 2, 2));
            rate = static_cast<int>(little(bytes, body + 4, 4));
            bits = static_cast<int>(little(bytes, body + 14, 2));
            haveFormat = true;
        } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
            if (!haveFormat) {
                problem = "has its samples before their format";
                return false;
            }
            if (channels < 1 || channels > 2) {
                problem = "has " + std::to_string(channels) + " channels; only mono and stereo can be played";
                return false;
            }
            if (rate <= 0 || static_cast<std::uint32_t>(rate) > kMaxSampleRate) {
                problem = "has an unusable sample rate of " + std::to_string(rate) + " Hz";
                return false;
            }
            if (bits != 8 && bits != 16) {
                problem = "has " + std::to_string(bits) + "-bit samples; only 8 and 16 bits can be played";
                return false;
            }
            const std::size_t count = length / static_cast<std::size_t>(bits / 8);
            samples.resize(count - count % static_cast<std::size_t>(channels));
            for (std::size_t i = 0; i < samples.size(); ++i) {
                samples[i] = bits == 16 ? static_cast<std::int16_t>(little(bytes, body + 2 * i, 2))
                                        : static_cast<std::int16_t>((bytes[body + i] - 128) * 256);
            }
            if (samples.empty()) {
                problem = "holds no samples";
                return false;
            }
            return true;
        }
        at = body + length + (length & 1);
    }
    problem = "holds no samples";
    return false;
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
        error = std::string(name) + ": not found in the working directory, beside the program or in ..\\share\\sparkler";
        return nullptr;
    }
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    std::ifstream in(path, std::ios::binary);
    if (!in || ec) {
        error = path + ": cannot be opened";
        return nullptr;
    }
    if (size > kMaxWaveBytes) {
        error = path + ": too large for a sound";
        return nullptr;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
        error = path + ": cannot be read";
        return nullptr;
    }
    std::unique_ptr<SoundSegment> segment(new SoundSegment);
    std::string problem;
    if (!parseWave(bytes, segment->samples, segment->channelCount, segment->frequency, problem)) {
        error = path + ": " + problem;
        return nullptr;
    }
    segment->filePath = path;
    return segment;
}
