// A stand-in for the screen saver settings dialog's preview, for the screensaver's test: a
// borderless window at (100, 100) of the given size, which starts SAVER /p HWND and then obeys
// lines on its standard input: "size W H" resizes it, "child" describes its child window,
// "close" destroys it and waits up to 10 s for the screensaver to end. It prints "window HWND",
// then "exit CODE" or "still running".
// Usage: preview_host.exe SAVER.scr WIDTH HEIGHT
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>

namespace {

constexpr UINT kResize = WM_APP + 1;
constexpr UINT kClose = WM_APP + 2;
constexpr UINT kDescribeChild = WM_APP + 3;

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kResize:
        SetWindowPos(window, nullptr, 0, 0, static_cast<int>(wParam), static_cast<int>(lParam),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    case kClose:
        DestroyWindow(window);
        return 0;
    case kDescribeChild: {
        // "child none", or "child shown|hidden X Y W H" with its place in this window's client area.
        HWND child = GetWindow(window, GW_CHILD);
        RECT area{};
        if (child == nullptr || !GetWindowRect(child, &area)) {
            std::printf("child none\n");
        } else {
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
            std::printf("child %s %ld %ld %ld %ld\n", IsWindowVisible(child) ? "shown" : "hidden", area.left, area.top,
                        area.right - area.left, area.bottom - area.top);
        }
        std::fflush(stdout);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: preview_host.exe SAVER.scr WIDTH HEIGHT\n");
        return 2;
    }
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = hostProcedure;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"PreviewHost";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"PreviewHost", L"preview host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100,
                                  100, std::atoi(argv[2]), std::atoi(argv[3]), nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "preview_host: no window\n");
        return 1;
    }
    const std::string handle = std::to_string(reinterpret_cast<std::uintptr_t>(window));
    std::printf("window %s\n", handle.c_str());
    std::fflush(stdout);

    std::string command = std::string("\"") + argv[1] + "\" /p " + handle;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "preview_host: cannot start %s\n", argv[1]);
        return 1;
    }
    std::thread reader([window] {
        std::string word;
        while (std::cin >> word) {
            if (word == "size") {
                int width = 0;
                int height = 0;
                std::cin >> width >> height;
                PostMessageW(window, kResize, static_cast<WPARAM>(width), height);
            } else if (word == "child") {
                PostMessageW(window, kDescribeChild, 0, 0);
            } else if (word == "close") {
                PostMessageW(window, kClose, 0, 0);
                return;
            }
        }
    });
    reader.detach();
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        std::printf("still running\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("exit %lu\n", static_cast<unsigned long>(code));
    return 0;
}
