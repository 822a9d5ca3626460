// HeadlessWindow: a main window in memory for the tests and the replay tool. Its queue holds
// the messages posted to it (keys are posted by the caller); closing it sends WM_DESTROY
// through the window procedure as a real window does. Focus is whatever the caller says.
#pragma once

#include "platform/Window.hpp"

#include <deque>

class HeadlessWindow : public Window {
public:
    explicit HeadlessWindow(WindowProcedure windowProcedure) : procedure(windowProcedure) {}

    bool peekMessage(Message& message) override;
    void postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void postQuitMessage(int exitCode) override;
    long dispatchMessage(const Message& message) override;
    long defaultProcedure(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void validate() override { ++validateCalls; }
    void showCursor(bool visible) override { cursorVisible = visible; }
    bool hasFocus() const override { return focused; }

    bool destroyed = false;
    bool focused = true;
    bool cursorVisible = true;
    int validateCalls = 0;

private:
    WindowProcedure procedure;
    std::deque<Message> queue;
};
