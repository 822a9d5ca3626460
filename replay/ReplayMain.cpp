// sparkler-replay: runs the program headless and deterministically, to render frames to PNG
// images and to trace every frame as JSON Lines. See `sparkler-replay --help`.
#include "replay/Replay.hpp"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sys/stat.h>

int main(int argc, char** argv)
{
    CLI::App cli{"Runs the sparkler headless: a seeded run of F frames, traced and rendered to PNG images."};
    ReplayOptions options;
    std::string scriptPath;
    std::string tracePath;
    std::vector<std::string> pngFrames;
    cli.add_option("--seed", options.seed, "Seed of the random generator (the program uses the calendar time)")
        ->required();
    cli.add_option("--frames", options.frames, "Number of frames to run")
        ->required()
        ->check(CLI::Range(0LL, 100000000LL));
    cli.add_option("--dt-ms", options.dtMs, "Milliseconds between frames after frame 0 (default 16)");
    cli.add_option("--script", scriptPath, "Script of keys, mouse motion and frame times");
    cli.add_option("--trace", tracePath, "Write one JSON object per frame to this file ('-' for standard output)");
    cli.add_option("--png-dir", options.pngDir, "Write frames as DIR/frame-NNNNNN.png");
    cli.add_option("--png-every", options.pngEvery, "With --png-dir, every K-th frame (default 1)")
        ->check(CLI::Range(1LL, 100000000LL));
    cli.add_option("--png-frame", pngFrames, "Write frame N to FILE, as N=FILE (may be repeated)");
    cli.add_option("--wav", options.wavPath, "Mix the run's sound offline (44.1 kHz stereo) into this wave file");
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return cli.exit(e);
    }

    for (const std::string& item : pngFrames) {
        const std::size_t eq = item.find('=');
        long long frame = -1;
        if (eq != std::string::npos && eq > 0 && eq + 1 < item.size()) {
            char* end = nullptr;
            frame = std::strtoll(item.c_str(), &end, 10);
            if (end != item.c_str() + eq)
                frame = -1;
        }
        if (frame < 0) {
            std::fprintf(stderr, "sparkler-replay: --png-frame expects N=FILE, found \"%s\"\n", item.c_str());
            return 2;
        }
        options.pngFrames[frame] = item.substr(eq + 1);
    }
    std::string error;
    if (!scriptPath.empty() && !options.script.load(scriptPath, error)) {
        std::fprintf(stderr, "sparkler-replay: %s\n", error.c_str());
        return 2;
    }
    if (!options.pngDir.empty()) {
        struct stat info {};
        if (stat(options.pngDir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            std::fprintf(stderr, "sparkler-replay: %s: not a directory\n", options.pngDir.c_str());
            return 2;
        }
    }

    // The mix is held in memory until the end: keep it to an hour (about 635 MB).
    if (!options.wavPath.empty() && runMilliseconds(options) > 3600ull * 1000ull) {
        std::fprintf(stderr, "sparkler-replay: --wav renders at most one hour of sound; this run lasts %llu s\n",
                     static_cast<unsigned long long>(runMilliseconds(options) / 1000));
        return 2;
    }

    std::ofstream traceFile;
    std::ostream* trace = nullptr;
    if (tracePath == "-") {
        trace = &std::cout;
    } else if (!tracePath.empty()) {
        traceFile.open(tracePath, std::ios::binary | std::ios::trunc);
        if (!traceFile) {
            std::fprintf(stderr, "sparkler-replay: %s: cannot be written\n", tracePath.c_str());
            return 2;
        }
        trace = &traceFile;
    }
    const int result = runReplay(options, trace, error);
    if (trace != nullptr)
        trace->flush();
    if (result != 0)
        std::fprintf(stderr, "sparkler-replay: %s\n", error.c_str());
    if (traceFile.is_open() && !traceFile) {
        std::fprintf(stderr, "sparkler-replay: %s: write failed\n", tracePath.c_str());
        return 1;
    }
    return result;
}
