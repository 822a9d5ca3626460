// Application sound steps: setting up the two performances and their segments, starting and
// stopping the crackle, and placing it every frame. Without a sound device every field stays
// null and every step is skipped; a wave that cannot be loaded is kept in soundFailure, which
// the front door reports under its own name.
#include "app/Application.hpp"

namespace {
constexpr const char* kSparklerWave = "Sparkler.wav";
constexpr const char* kBackgroundWave = "BackgroundSound.wav";
constexpr int kRepeatForever = -1;
// The crackle sits this far above the listener, and is at full level within kSoundMinDistance.
constexpr float kSoundHeight = 768.0f;
constexpr float kSoundMinDistance = 1024.0f;
} // namespace

int Application::initSound(const Platform& instance, Window*)
{
    if (instance.audio == nullptr)
        return 0;
    sparklerLoader = std::make_unique<SoundLoader>();
    backgroundLoader = std::make_unique<SoundLoader>();
    sparklerPerformance = std::make_unique<SoundPerformance>();
    backgroundPerformance = std::make_unique<SoundPerformance>();
    sparklerPerformance->initAudio(instance.audio);
    backgroundPerformance->initAudio(instance.audio);
    loadSounds();
    if (sparklerSegment != nullptr)
        sparklerSegment->download(*sparklerPerformance);
    if (backgroundSegment != nullptr)
        backgroundSegment->download(*backgroundPerformance);
    if (sparklerSegment != nullptr)
        sparklerSegment->setRepeats(kRepeatForever);
    if (backgroundSegment != nullptr)
        backgroundSegment->setRepeats(kRepeatForever);
    sparklerAudioPath = sparklerPerformance->createStandardAudioPath();
    return 0;
}

int Application::loadSounds()
{
    std::string error;
    sparklerSegment = sparklerLoader->loadObjectFromFile(kSparklerWave, error);
    if (sparklerSegment == nullptr) {
        soundFailure = error;
        return 1; // without the crackle the background is not tried either
    }
    backgroundSegment = backgroundLoader->loadObjectFromFile(kBackgroundWave, error);
    crackleLoaded = true;
    if (backgroundSegment == nullptr) {
        soundFailure = error;
        return 1;
    }
    return 0;
}

void Application::playSparklerSound()
{
    if (sparklerPerformance != nullptr)
        sparklerPerformance->playSegmentEx(sparklerSegment.get(), sparklerAudioPath.get());
}

void Application::stopSparklerSound()
{
    if (sparklerPerformance != nullptr)
        sparklerPerformance->stop(sparklerSegment.get());
}

void Application::placeSparklerSound()
{
    // The crackle sits above the listener and as far to the side as the sparkler is from the
    // screen centre; vertical motion does not move it.
    if (sparklerBuffer3D == nullptr)
        return;
    const float soundX = static_cast<float>(mouseTotalX);
    sparklerBuffer3D->setMinDistance(kSoundMinDistance);
    sparklerBuffer3D->setModeHeadRelative();
    sparklerBuffer3D->setPosition(reverseSound ? -soundX : soundX, kSoundHeight, 0.0f);
}
