// Win32Window: the main window on Windows (class "DX9WinClass"): its own message queue, filled
// from the window's Windows messages at every peek, which keep their own numbers (a key-down
// carries its virtual-key code as it is). Alt+Enter (full screen over the window's monitor or a
// 1024x768 window), Alt+F4 and PrintScreen (a PNG of the frame on screen) are handled here; the
// mouse is read from raw input. The display lives inside it. While it is minimised or hidden
// it rests: no frames, the sound paused. One instance per process.
#pragma once

#include "platform/MessageQueue.hpp"
#include "platform/Window.hpp"
#include "platform/win32/Win32Display.hpp"
#include "platform/win32/Win32Mouse.hpp"

#include <cstdint>
#include <memory>
#include <string>

class AudioDevice;
struct HWND__;

class Win32Window : public Window {
public:
    // Registers the class and makes the window, hidden, with the given title. With a parent
    // the window is a child filling it (a screensaver's preview). Null with `error` set to one
    // sentence with the system's reason when that fails.
    static std::unique_ptr<Win32Window> create(const char* title, WindowProcedure procedure, bool windowed,
                                               HWND__* parent, std::string& error);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // Messages come out in this order: those posted (and close requests), then the quit
    // message once nothing is posted, then key-downs, then a paint request. While the window
    // shown by the display is minimised or hidden, this waits until it is back, a message
    // comes, or a signal asks for the close: the frame after it is timed as any other, its
    // step the whole time of the rest.
    bool peekMessage(Message& message) override;
    void postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void postQuitMessage(int exitCode) override;
    long dispatchMessage(const Message& message) override;
    // WM_CLOSE destroys the window and sends WM_DESTROY through the procedure.
    long defaultProcedure(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    void validate() override {}
    void showCursor(bool visible) override;
    bool hasFocus() const override { return focus; }

    Win32Display* display() { return &screen; }
    Win32Mouse* mouse() { return &mouseDevice; }
    HWND__* handle() const { return window; }
    // The preview window it was handed, or none.
    HWND__* previewParent() const { return parentWindow; }

    // For the display: shows the window in its mode and gives it the keyboard; hides it.
    void showForDisplay();
    void hideForDisplay();
    void toggleFullScreen();
    // A key, a mouse button, the pointer moved beyond a few pixels from where it is now, or
    // another program coming to the front ends the run, as a screensaver's does (a close
    // request).
    void closeOnInput(bool close);
    // The sound device to pause while the window rests.
    void pauseWhileHidden(AudioDevice* audio) { sound = audio; }

    // The window procedure of the class; public for the class registration only.
    long long handleNative(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

private:
    explicit Win32Window(WindowProcedure procedure) : queue(*this, procedure) {}
    void placeWindow();
    void pumpMessages();
    bool resting() const;
    // At each peek: the pointer's drift for closeOnInput, and a preview's parent (gone: the
    // run ends; resized: the window follows).
    void watchSurroundings();
    void rawInput(std::intptr_t lParam);
    void focusChanged(bool focused);

    HWND__* window = nullptr;
    HWND__* parentWindow = nullptr;
    Win32Mouse mouseDevice;
    MessageQueue queue;
    AudioDevice* sound = nullptr;
    bool shown = false; // shown by the display, and not hidden by it since
    bool focus = false;
    bool fullScreen = true;
    bool cursorVisible = true;
    bool inputCloses = false;
    bool pointerNoted = false;
    long pointerStartX = 0;
    long pointerStartY = 0;
    Win32Display screen{*this};
};

// Whether standard output (or with `error`, standard error) leads anywhere: a console, a file
// or a pipe. A window program started from a shortcut or Explorer has neither.
bool standardStreamLeadsSomewhere(bool error);
// Tells the user of a failure the Windows way, in a message box, and also on stderr as
// "program: text".
void reportFailure(const char* program, const std::string& text);
// A message box titled `title` saying `text`, over `owner` when that is a window; returns once
// it is closed.
void showNote(const char* title, const std::string& text, HWND__* owner, bool failure = false);
// Text in columns padded with spaces (the help) laid out again with tabs for the font a message
// box shows it in, so that its columns line up there.
std::string columnsForNote(const std::string& text);
