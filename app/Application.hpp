// Application: the one object that owns everything the demo uses while it runs: the screen
// device, the background and help-panel pictures, the help font, the mouse, the sounds, the two
// emitters and the seven switches the keys flip. Construction performs the whole start-up; frames run
// inputStep, updateStep and renderStep in that order; shutDown releases all in a fixed order.
#pragma once

#include "gfx/BitmapSurface.hpp"
#include "gfx/LightTrail.hpp"
#include "gfx/ScreenDevice.hpp"
#include "platform/Font.hpp"
#include "platform/Mouse.hpp"
#include "platform/Platform.hpp"
#include "platform/SoundLoader.hpp"
#include "platform/SoundPerformance.hpp"
#include "sim/SmokeEmitter.hpp"
#include "sim/SparklerEmitter.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Window;

class Application {
public:
    Application(const Platform& instance, Window* window);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    ~Application();

    // 0 when the display, the background picture and the mouse were set up, 1 otherwise.
    int startUp(const Platform& instance, Window* window);
    void shutDown();

    void inputStep();
    void updateStep(float dt);
    // 0 to go on, 1 when presenting the frame failed.
    int renderStep();
    void drawBackground();
    // Whether drawBackground would copy an unkeyed picture over every pixel of the back buffer.
    bool backgroundCoversScreen() const;
    void drawHelpOverlay();

    // Answers a window message; also called while no application exists (app is then null),
    // when only the destruction and painting messages are acted on. Always 0.
    static int handleMessage(Application* app, Window* window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam);
    void adjustGravity(double delta);

    int initMouse(const Platform& instance, Window* window);
    int initSound(const Platform& instance, Window* window);
    // 0 when both waves were loaded, 1 otherwise; without the crackle the background is not tried.
    int loadSounds();
    void playSparklerSound();
    void stopSparklerSound();
    // Places the crackle left or right by the mouse's X total (mirrored by reverseSound).
    void placeSparklerSound();

    // What stopped start-up ("the display", "the background picture", "the mouse") and the
    // platform's reason; empty after a clean start.
    const std::string& startUpFailure() const { return failure; }

    bool colourCycling = true;
    bool helpVisible = true;
    bool smokeOn = true;
    bool backgroundOn = true;
    bool sparklerOn = true;
    bool clearEachFrame = true;
    bool reverseSound = false;
    float colourTimer = 5.0f;
    std::unique_ptr<Font> helpFont;
    Mouse* mouseDevice = nullptr;
    std::unique_ptr<SoundLoader> backgroundLoader;
    std::unique_ptr<SoundLoader> sparklerLoader;
    std::unique_ptr<SoundPerformance> sparklerPerformance;
    std::unique_ptr<SoundPerformance> backgroundPerformance;
    std::unique_ptr<SoundSegment> backgroundSegment;
    std::unique_ptr<SoundSegment> sparklerSegment;
    std::unique_ptr<Sound3DBuffer> sparklerBuffer3D;
    std::unique_ptr<SoundAudioPath> sparklerAudioPath;
    MouseState mouseState;
    std::int32_t helpSlide = 0;
    std::int32_t mouseTotalX = 0;
    std::int32_t mouseTotalY = 0;
    std::unique_ptr<BitmapSurface> backgroundSurface;
    std::unique_ptr<BitmapSurface> helpSurface;
    // The panel as it stands after its fixed command lines were lettered, kept from the first
    // frame with the font it was lettered in; later panels start from it (HelpOverlay.cpp).
    std::vector<std::uint16_t> helpLettered;
    const Font* helpLetteredFont = nullptr;
    std::unique_ptr<ScreenDevice> screen;
    std::unique_ptr<SparklerEmitter> sparkler;
    std::unique_ptr<SmokeEmitter> smoke;

    int startUpResult = 1;
    // Set by loadSounds when a wave could not be loaded, for the front door to say in its own
    // words: why, and whether the crackle at least plays.
    std::string soundFailure;
    bool crackleLoaded = false;
    // The line of light of words being written in the air; null (and nothing drawn) unless a
    // writer put its pen down in this run.
    std::unique_ptr<LightTrail> light;
    // The seed the run drew from the calendar time, which a recorded session keeps.
    std::uint32_t seed = 0;

private:
    std::string failure;
};
