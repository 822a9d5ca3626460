// AudioDevice: the sound device that every performance plays on: a real output device, or a
// loopback device that mixes only when render() asks, for the replay tool and the tests.
// Everything else of the sound needs one that is open. No library type appears here, so the
// core can hold it without the sound library's headers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An OpenAL device and context. Everything else here needs one that is open.
class AudioDevice {
public:
    // The default output device; null with `error` set when none can be opened.
    static std::unique_ptr<AudioDevice> openOutput(std::string& error);
    // A loopback device mixing 16-bit stereo at `rate` only when render() asks.
    static std::unique_ptr<AudioDevice> openLoopback(int rate, std::string& error);
    // Whether this build has loopback devices at all; empty when it has, else why not.
    static const char* offlineMixingMissing();
    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Loopback only: mixes `frames` stereo frames, appending interleaved left/right samples.
    bool render(int frames, std::vector<std::int16_t>& out);
    // Output only: stops the device's mixing (and so its processor time) while the program's
    // window cannot be seen, and starts it again; nothing where the device cannot pause.
    void setPaused(bool paused);
    int sampleRate() const { return rate; }
    bool isLoopback() const { return loopback; }

private:
    AudioDevice() = default;
    void* device = nullptr; // ALCdevice
    void* context = nullptr; // ALCcontext
    void* renderSamples = nullptr;
    int rate = 0;
    bool loopback = false;
};
