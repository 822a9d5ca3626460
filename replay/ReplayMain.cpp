// sparkler-replay: runs the program headless and deterministically, to render frames to PNG
// images and to trace every frame as JSON Lines. Every option, the script and every output
// place are checked before the first frame; a problem there is one line and exit 2, a failure
// during the run one line and exit 1, and no output is left half-written. See --help.
#include "platform/AtomicFile.hpp"
#include "platform/AudioDevice.hpp"
#include "platform/SystemCalls.hpp"
#include "platform/ProcessGuards.hpp"
#include "platform/VideoWriter.hpp"
#include "replay/Replay.hpp"
#include "session/Pilot.hpp"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <filesystem>
#include <streambuf>

namespace {

constexpr std::int64_t kMaxFrames = 100000000;
// What the shell reports for a process that the broken pipe's signal ended (128 + 13).
constexpr int kBrokenPipeStatus = 141;

// Trace lines into an AtomicFile, which buffers and keeps the first failure for commit().
class AtomicFileBuffer : public std::streambuf {
public:
    explicit AtomicFileBuffer(AtomicFile& file) : file_(file) {}

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return file_.write(&byte, 1) ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        return file_.write(s, static_cast<std::size_t>(n)) ? n : 0;
    }

private:
    AtomicFile& file_;
};

int refuse(const std::string& what)
{
    std::fprintf(stderr, "sparkler-replay: %s\n", what.c_str());
    return 2;
}

bool number(const char* option, const std::string& text, std::int64_t low, std::int64_t high, std::int64_t& value,
            std::string& error)
{
    if (readDecimal(text, low, high, value))
        return true;
    error = std::string(option) + ": expected a whole decimal number from " + std::to_string(low) + " to "
        + std::to_string(high) + ", found \"" + printable(text, 40) + "\"";
    return false;
}

// The first frame that never runs because the script's Escape or F12 closed the window before
// it, or `frames` when the run goes to its end.
std::int64_t framesThatRun(const ReplayScript& script, std::int64_t frames)
{
    for (const auto& [frame, codes] : script.keys) {
        if (frame >= frames)
            break;
        for (std::uintptr_t code : codes) {
            if (code == 27 || code == 123)
                return frame;
        }
    }
    return frames;
}

// The seed of a run that writes words and names none: the FNV-1a hash of the words, so that
// the same words always give the same clip.
std::uint32_t textSeed(const std::string& text)
{
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

// Whether `path` names one of the pictures --png-dir writes during a run of `runs` frames.
bool writtenToPngDir(const ReplayOptions& options, std::int64_t runs, const std::string& path)
{
    if (options.pngDir.empty())
        return false;
    const std::filesystem::path named = std::filesystem::absolute(path);
    const std::string name = named.filename().string();
    std::int64_t frame = 0;
    if (name.size() < 16 || name.rfind("frame-", 0) != 0
        || !readDecimal(std::string_view(name).substr(6, name.size() - 10), 0, kMaxFrames, frame)
        || frame >= runs || frame % options.pngEvery != 0 || !AtomicFile::sameFile(named.parent_path().string(), options.pngDir))
        return false;
    char written[32];
    std::snprintf(written, sizeof written, "frame-%06lld.png", static_cast<long long>(frame));
    return name == written;
}

// Help and version have been written to standard output: 0 when all of it went out, else
// 1 with the reason said (a full disk, a closed pipe).
int helpWritten()
{
    std::cout.flush();
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0 && std::cout.good())
        return 0;
    const int code = errno;
    std::fprintf(stderr, "sparkler-replay: standard output could not be written whole (%s)\n",
                 std::strerror(code != 0 ? code : EIO));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    // Before anything opens a file: a closed standard output would hand its number to that file.
    const bool stdoutOpen = !openClosedStandardDescriptors().output;
    removeTemporariesOnSignals();

    CLI::App cli{"Runs the sparkler headless: a seeded run of F frames, traced and rendered to PNG images."};
    cli.footer("Numbers are decimal. Every output is checked before the first frame and written whole or not at all.\n"
               "Exit status: 0 done; 1 the run or an output failed; 2 a bad option, script or output place.");
    std::string seedText, framesText, dtText = "16", everyText, scaleText, scriptPath, tracePath;
    std::vector<std::string> pngFrames;
    ReplayOptions options;
    cli.set_version_flag("--version", std::string("sparkler-replay ") + SPARKLER_VERSION, "Print the version and exit");
    CLI::Option* seedOption
        = cli.add_option("--seed", seedText,
                         "Seed of the random generator, 0 to 4294967295 (the program uses the calendar time); "
                         "default: the script's header");
    CLI::Option* framesOption = cli.add_option("--frames", framesText,
                                               "Number of frames to run, 0 to 100000000; default: the script's header");
    cli.add_option("--dt-ms", dtText, "Milliseconds between frames after frame 0 (default 16)");
    cli.add_option("--script", scriptPath, "Script of keys, mouse motion and frame times (a file of at most 64 MiB)");
    cli.add_option("--trace", tracePath, "Write one JSON object per frame to this file ('-' for standard output)");
    cli.add_option("--png-dir", options.pngDir, "Write frames as DIR/frame-NNNNNN.png");
    cli.add_option("--png-every", everyText, "With --png-dir, every K-th frame (default 1)");
    cli.add_option("--png-frame", pngFrames, "Write frame N to FILE, as N=FILE (may be repeated, one file per frame)");
    cli.add_option("--wav", options.wavPath, "Mix the run's sound offline (44.1 kHz stereo) into this wave file");
    cli.add_option("--video", options.videoPath,
                   "Write the run as a video with its sound, in a form every browser and phone plays: .webm (VP9, Opus) or .mp4 (H.264 High, AAC)");
    cli.add_flag("--autopilot", options.autopilot,
                 "The sparkler moves by itself, as a hand would, seeded from the run's seed (a script's "
                 "input takes over)");
    cli.add_option("--write", options.writeText,
                   "Write TEXT in the air in lines of light (\\n breaks a line); without --frames the run "
                   "ends when the words are written and their light has held, without --seed the seed "
                   "comes from the text")
        ->type_name("TEXT");
    cli.add_option("--video-scale", scaleText,
                   "With --video, K times the size with sharp pixels, 1 to 4 (default 2: each pixel a 2x2 block, "
                   "which keeps single sparks' colour in 4:2:0)");
    cli.add_flag("--video-full-chroma", options.videoFullChroma,
                 "With --video, every pixel's own colour (4:4:4: H.264 High 4:4:4, VP9 profile 1); "
                 "many browsers, phones and players cannot play it");
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            cli.exit(e); // --help or --version
            return helpWritten();
        }
        std::string what = e.what();
        for (char& c : what) {
            if (c == '\n')
                c = ' ';
        }
        return refuse(what + " (see --help)");
    }

    std::string error;
    std::int64_t seed = 0;
    std::int64_t dt = 0;
    if ((seedOption->count() > 0 && !number("--seed", seedText, 0, UINT32_MAX, seed, error))
        || (framesOption->count() > 0 && !number("--frames", framesText, 0, kMaxFrames, options.frames, error))
        || !number("--dt-ms", dtText, 0, UINT32_MAX, dt, error)
        || (!everyText.empty() && !number("--png-every", everyText, 1, kMaxFrames, options.pngEvery, error)))
        return refuse(error);
    std::int64_t scale = options.videoScale;
    if (!scaleText.empty() && !number("--video-scale", scaleText, 1, kMaxVideoScale, scale, error))
        return refuse(error);
    options.videoScale = static_cast<int>(scale);
    options.seed = static_cast<std::uint32_t>(seed);
    options.dtMs = static_cast<std::uint32_t>(dt);
    if (!everyText.empty() && options.pngDir.empty())
        return refuse("--png-every needs --png-dir");
    if (!scaleText.empty() && options.videoPath.empty())
        return refuse("--video-scale needs --video");
    if (!scriptPath.empty() && !options.script.load(scriptPath, error))
        return refuse(error);
    // Words to write are laid out now: text with nothing to write is refused before a frame.
    Pilot words(false, nullptr);
    if (!options.writeText.empty()) {
        std::string skipped;
        if (!words.write(options.writeText, skipped, error))
            return refuse("--write: " + error);
        if (!skipped.empty())
            std::fprintf(stderr, "sparkler-replay: --write: the stroke font has no %s; left out\n", skipped.c_str());
    }
    // A recorded session says in its header what it ran with; the command line comes first.
    // Words to write give the seed and the length of their run when nothing else does.
    if (seedOption->count() == 0) {
        if (options.script.seed)
            options.seed = *options.script.seed;
        else if (!options.writeText.empty())
            options.seed = textSeed(options.writeText);
        else
            return refuse("--seed is required (or a script whose header gives the seed)");
    }
    if (framesOption->count() == 0) {
        if (options.script.frames) {
            options.frames = *options.script.frames;
        } else if (!options.writeText.empty()) {
            options.frames = words.framesToWriteAndHold(options.dtMs, options.script.dtMs);
            if (options.frames < 0)
                return refuse("--write: with no time between frames the words are never written; give --frames");
        } else {
            return refuse("--frames is required (or a script whose header gives them, or --write)");
        }
    }

    const std::int64_t runs = framesThatRun(options.script, options.frames);
    for (const std::string& item : pngFrames) {
        const std::size_t eq = item.find('=');
        std::int64_t frame = 0;
        if (eq == std::string::npos || eq + 1 == item.size() || !readDecimal(item.substr(0, eq), 0, kMaxFrames, frame))
            return refuse("--png-frame expects N=FILE with N a decimal frame number, found \"" + printable(item, 60)
                          + "\"");
        if (frame >= runs) {
            return refuse("--png-frame " + std::to_string(frame) + ": the run ends before that frame ("
                          + (runs < options.frames ? "the script closes it at frame " + std::to_string(runs)
                                                   : std::to_string(options.frames) + " frames, the last is "
                                     + std::to_string(options.frames - 1))
                          + ")");
        }
        if (!options.pngFrames.emplace(frame, item.substr(eq + 1)).second)
            return refuse("--png-frame " + std::to_string(frame) + " is asked for twice");
    }

#ifdef __EMSCRIPTEN__
    // The node build has no video libraries: it says so in its own words.
    if (!options.videoPath.empty())
        return refuse("--video: the node replay makes no videos; the native sparkler-replay does");
#endif
    if (!options.videoPath.empty()) {
        if (*videoEndings() == '\0')
            return refuse("--video: this build writes no video (FFmpeg's libraries were not found)");
        if (videoFormatFor(options.videoPath) == VideoFormat::Unknown)
            return refuse(printable(options.videoPath, 200) + ": a video's name must end in " + videoEndings());
    }
    if (!options.wavPath.empty() && *AudioDevice::offlineMixingMissing() != '\0')
        return refuse(std::string("--wav: ") + AudioDevice::offlineMixingMissing());
    if (options.wavPath == "-")
        return refuse("--wav needs a file name; the sound cannot go to standard output");
    if (tracePath == "-" && !stdoutOpen)
        return refuse("--trace -: standard output is closed");
    // Every output in its own file, each place writable now rather than after a long run.
    std::vector<std::pair<std::string, std::string>> outputs; // option, file
    if (!tracePath.empty() && tracePath != "-")
        outputs.emplace_back("--trace", tracePath);
    if (!options.wavPath.empty())
        outputs.emplace_back("--wav", options.wavPath);
    if (!options.videoPath.empty())
        outputs.emplace_back("--video", options.videoPath);
    for (const auto& [frame, path] : options.pngFrames)
        outputs.emplace_back("--png-frame " + std::to_string(frame), path);
    // Nothing written may land on the script or on another output, --png-dir's pictures included.
    if (!scriptPath.empty() && writtenToPngDir(options, runs, scriptPath))
        return refuse("--script names a picture that --png-dir writes, " + printable(scriptPath, 200));
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (!scriptPath.empty() && AtomicFile::sameFile(outputs[i].second, scriptPath))
            return refuse(outputs[i].first + " would write over the script, " + printable(scriptPath, 200));
        if (writtenToPngDir(options, runs, outputs[i].second))
            return refuse(outputs[i].first + " names a picture that --png-dir writes, "
                          + printable(outputs[i].second, 200));
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            if (AtomicFile::sameFile(outputs[i].second, outputs[j].second))
                return refuse(outputs[i].first + " and " + outputs[j].first + " name the same file, "
                              + printable(outputs[j].second, 200));
        }
        if (!AtomicFile::canCreate(outputs[i].second, error))
            return refuse(printable(error, 300));
    }
    if (!options.pngDir.empty()) {
        if (sys::pathKind(options.pngDir) != sys::PathKind::Folder)
            return refuse(printable(options.pngDir, 200) + ": not a directory");
        if (!AtomicFile::canCreate(options.pngDir + "/frame-000000.png", error))
            return refuse(printable(error, 300));
    }
    // The mix is held in memory until the end: keep it to an hour (about 635 MB).
    if (!options.wavPath.empty() && runMilliseconds(options) > 3600ull * 1000ull) {
        return refuse("--wav renders at most one hour of sound; this run lasts "
                      + std::to_string(runMilliseconds(options) / 1000) + " s");
    }

    // Long renders tell how far they are, on a terminal only (never into a log or a pipe).
    const bool writesFiles = !options.pngDir.empty() || !options.pngFrames.empty() || !options.wavPath.empty()
        || !options.videoPath.empty();
    if (writesFiles && sys::standardErrorIsTerminal())
        options.progress = stderr;

    AtomicFile traceFile;
    AtomicFileBuffer traceBuffer(traceFile);
    std::ostream traceStream(&traceBuffer);
    if (tracePath == "-" ? !traceFile.openStandardOutput(error)
                         : !tracePath.empty() && !traceFile.open(tracePath, error))
        return refuse(printable(error, 300));
    const int result = runReplay(options, traceFile.isOpen() ? &traceStream : nullptr, error);
    if (result != 0 && traceFile.failureCode() == 0) {
        std::fprintf(stderr, "sparkler-replay: %s\n", error.c_str());
        return result; // the trace is dropped with traceFile
    }
    if (traceFile.isOpen() && !traceFile.commit(error)) {
        // A reader that closed the pipe wanted no more: the run ends without a word, as a
        // filter's does. Natively the broken pipe's signal has ended it before this.
        if (traceFile.failureCode() == EPIPE && tracePath == "-")
            return kBrokenPipeStatus;
        std::fprintf(stderr, "sparkler-replay: %s\n", printable(error, 300).c_str());
        return 1;
    }
    return 0;
}
