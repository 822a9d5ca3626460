// Window: the main window's message side, the narrow interface between the entry's message
// loop and whatever delivers input: the SDL window, or a scripted window in memory.
// Messages carry old-style numbers (key-downs carry virtual-key codes). The default handling
// of a close request destroys the window, which sends WM_DESTROY through the procedure.
#pragma once

#include "platform/VirtualKeys.hpp"

#include <cstdint>

constexpr std::uint32_t WM_DESTROY = 2;
constexpr std::uint32_t WM_PAINT = 15;
constexpr std::uint32_t WM_CLOSE = 16;
constexpr std::uint32_t WM_QUIT = 0x12;
constexpr std::uint32_t WM_KEYDOWN = 256;

class Window;

struct Message {
    Window* window = nullptr;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// The window procedure: every message of the window passes through it.
using WindowProcedure = long (*)(Window* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

class Window {
public:
    virtual ~Window() = default;

    // Takes the next waiting message off the queue, after turning pending platform events
    // into messages. False when none is waiting.
    virtual bool peekMessage(Message& message) = 0;
    // Queues a message for this window.
    virtual void postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // Queues the quit message carrying the exit code.
    virtual void postQuitMessage(int exitCode) = 0;
    // Sends a message straight through the window procedure, as dispatching does.
    virtual long dispatchMessage(const Message& message) = 0;
    // The platform's own handling of a message, after the program's: a close request destroys
    // the window (WM_DESTROY goes through the procedure at once); other messages do nothing.
    virtual long defaultProcedure(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // Validates the window after a paint request; nothing is drawn through it.
    virtual void validate() = 0;
    virtual void showCursor(bool visible) = 0;
    // Whether the window has the keyboard and mouse focus.
    virtual bool hasFocus() const = 0;
};
