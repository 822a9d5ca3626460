// The program's entry side: the one global application, the window procedure, the message
// pump and the frame, shared by the windowed program and the replay tool. The loop never
// waits itself; the display's present is where a frame waits for its turn.
#pragma once

#include "platform/Platform.hpp"
#include "platform/Window.hpp"

class Application;
class Clock;

// The one application; null until it has been constructed.
extern Application* gApplication;

// Hands every message to the application, then to the window's default handling.
long mainWindowProc(Window* window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

// Takes and dispatches every waiting message. False once the quit message was taken; its
// wParam is then in exitCode.
bool pumpMessages(Window& window, int& exitCode);

// Runs the three steps of one frame. True when presenting failed and the run must end.
bool runFrame(Application& app, float dt);

// Constructs the application over `instance`, runs the loop until quit or a failed present,
// shuts down and returns the exit code. A failed start-up is reported in one line on stderr,
// runs no frame and gives 1.
int runProgram(const Platform& instance, Window& window);
