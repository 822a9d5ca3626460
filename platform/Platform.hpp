// Platform: what the entry hands the application at construction, the services of the
// platform it runs on. A null service is one this machine cannot give (no mouse, no sound).
#pragma once

class AudioDevice;
class Clock;
class Display;
class Mouse;

struct Platform {
    Display* display = nullptr;
    Mouse* mouse = nullptr;
    Clock* clock = nullptr;
    AudioDevice* audio = nullptr;
};
