// MessageQueue: the message side that the live windows (SDL's and Win32's) share. Messages
// come out in this order: those posted (and close requests), then the quit message once nothing
// is posted, then key-downs, then a paint request. A close that a signal asked for (interrupt,
// terminate) is posted once, as the close button's. Destroying the window drops whatever was
// queued for it and everything posted later (not the quit message), and sends WM_DESTROY
// through the window procedure. One thread.
#pragma once

#include "platform/Window.hpp"

#include <deque>

class MessageQueue {
public:
    MessageQueue(Window& owner, WindowProcedure procedure) : window(owner), windowProcedure(procedure) {}

    // The next message, in the order above; false when none is waiting.
    bool take(Message& message);
    void post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void postKeyDown(std::uintptr_t code, std::intptr_t lParam);
    void postQuit(int exitCode);
    void askPaint() { paintPending = !windowDestroyed; }
    // Through the window procedure; a message without a window (quit) goes nowhere.
    long dispatch(const Message& message) const;
    // Posts a close request once a signal has asked for one.
    void closeOnSignal();
    // Drops all that is queued and all that comes later, then sends WM_DESTROY; once.
    void destroy();

    bool destroyed() const { return windowDestroyed; }
    // Whether anything but a paint request is waiting.
    bool hasMessages() const { return !posted.empty() || !input.empty() || quitPending; }

private:
    Window& window;
    WindowProcedure windowProcedure;
    std::deque<Message> posted;
    std::deque<Message> input;
    bool quitPending = false;
    std::uintptr_t quitCode = 0;
    bool paintPending = false;
    bool windowDestroyed = false;
    bool signalTaken = false; // a signal's close request has been posted
};
