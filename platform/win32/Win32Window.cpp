// Win32Window: the window, its messages and its system keys; see the header.
#include "platform/win32/Win32Window.hpp"

#include "platform/AudioDevice.hpp"
#include "platform/TabbedColumns.hpp"
#include "platform/win32/WideText.hpp"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

const wchar_t kClassName[] = L"DX9WinClass";
constexpr int kWindowedWidth = 1024;
constexpr int kWindowedHeight = 768;
constexpr DWORD kWindowedStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kFullScreenStyle = WS_POPUP | WS_MINIMIZEBOX; // the taskbar can minimise it
// How far the pointer may drift, in pixels along either axis, before a screensaver ends: a
// desk's tremor or a mouse settling does not end it, a hand does.
constexpr long kPointerSlack = 4;

std::string systemReason()
{
    wchar_t* text = nullptr;
    const DWORD code = GetLastError();
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string reason;
    for (const wchar_t* c = text; c != nullptr && *c != L'\0'; ++c) {
        if (*c >= 32 && *c < 127)
            reason += static_cast<char>(*c);
    }
    LocalFree(text);
    while (!reason.empty() && (reason.back() == ' ' || reason.back() == '.'))
        reason.pop_back();
    return reason.empty() ? "error " + std::to_string(code) : reason;
}

LRESULT CALLBACK classProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* owner = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
    if (owner == nullptr || owner->handle() != handle)
        return DefWindowProcW(handle, message, wParam, lParam);
    return static_cast<LRESULT>(owner->handleNative(message, wParam, lParam));
}

} // namespace

std::unique_ptr<Win32Window> Win32Window::create(const char* title, WindowProcedure procedure, bool windowed,
                                                 HWND parent, std::string& error)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = classProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        error = "the window class cannot be registered (" + systemReason() + ")";
        return nullptr;
    }
    if (parent != nullptr && !IsWindow(parent)) {
        error = "the preview window " + std::to_string(reinterpret_cast<std::uintptr_t>(parent)) + " is not a window";
        return nullptr;
    }
    std::unique_ptr<Win32Window> made(new Win32Window(procedure));
    made->fullScreen = !windowed;
    made->parentWindow = parent;
    const DWORD style = parent != nullptr ? WS_CHILD : made->fullScreen ? kFullScreenStyle : kWindowedStyle;
    // The window learns its handle in WM_NCCREATE, before any other message reaches it.
    HWND handle = CreateWindowExW(0, kClassName, wideText(title).c_str(), style, 0, 0, kWindowedWidth, kWindowedHeight,
                                  parent, nullptr, instance, made.get());
    if (handle == nullptr) {
        error = "the window cannot be made (" + systemReason() + ")";
        return nullptr;
    }
    made->window = handle;
    SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made.get()));
    made->mouseDevice.attach(handle);
    return made;
}

Win32Window::~Win32Window()
{
    screen.close();
    mouseDevice.setFocus(false);
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
}

bool Win32Window::peekMessage(Message& message)
{
    pumpMessages();
    if (resting()) {
        // Nothing of the window can be seen: no frames until it can, with the sound paused.
        // Signals are looked for a few times a second.
        if (sound != nullptr)
            sound->setPaused(true);
        while (resting()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 250, QS_ALLINPUT);
            pumpMessages();
        }
        if (sound != nullptr)
            sound->setPaused(false);
    }
    return queue.take(message);
}

void Win32Window::pumpMessages()
{
    queue.closeOnSignal();
    watchSurroundings();
    MSG native{};
    while (PeekMessageW(&native, nullptr, 0, 0, PM_REMOVE)) {
        if (native.message == WM_QUIT) {
            postMessage(WM_CLOSE, 0, 0); // the system asked the program to end
            continue;
        }
        TranslateMessage(&native);
        DispatchMessageW(&native);
    }
}

bool Win32Window::resting() const
{
    return shown && !queue.destroyed() && !queue.hasMessages() && (IsIconic(window) || !IsWindowVisible(window));
}

void Win32Window::postMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    queue.post(message, wParam, lParam);
}

void Win32Window::postQuitMessage(int exitCode)
{
    queue.postQuit(exitCode);
}

long Win32Window::dispatchMessage(const Message& message)
{
    return queue.dispatch(message);
}

long Win32Window::defaultProcedure(std::uint32_t message, std::uintptr_t, std::intptr_t)
{
    if (message != WM_CLOSE || queue.destroyed())
        return 0;
    // The window goes away at once; whatever was queued for it is dropped, and the program
    // learns of it through WM_DESTROY before this returns.
    screen.close();
    focusChanged(false);
    queue.destroy();
    return 0;
}

void Win32Window::showCursor(bool visible)
{
    cursorVisible = visible;
    SetCursor(visible ? LoadCursorW(nullptr, IDC_ARROW) : nullptr);
}

void Win32Window::showForDisplay()
{
    placeWindow();
    ShowWindow(window, SW_SHOW);
    shown = true;
    if (parentWindow == nullptr) {
        SetForegroundWindow(window);
        SetFocus(window);
    }
    focusChanged(GetFocus() == window);
}

void Win32Window::hideForDisplay()
{
    shown = false;
    ShowWindow(window, SW_HIDE);
}

void Win32Window::toggleFullScreen()
{
    if (parentWindow != nullptr)
        return;
    fullScreen = !fullScreen;
    placeWindow();
    screen.windowChanged();
    if (mouseDevice.isAcquired()) {
        // The pointer is held inside the window's new place.
        mouseDevice.unacquire();
        mouseDevice.acquire();
    }
}

void Win32Window::closeOnInput(bool close)
{
    inputCloses = close;
    POINT pointer{};
    pointerNoted = close && GetCursorPos(&pointer) != FALSE;
    pointerStartX = pointer.x;
    pointerStartY = pointer.y;
}

void Win32Window::watchSurroundings()
{
    if (queue.destroyed() || window == nullptr)
        return;
    if (parentWindow != nullptr) {
        // A preview ends with the window it was handed, and follows its size.
        if (!IsWindow(parentWindow)) {
            postMessage(WM_CLOSE, 0, 0);
            return;
        }
        RECT wanted{};
        RECT now{};
        if (GetClientRect(parentWindow, &wanted) && GetClientRect(window, &now)
            && (wanted.right != now.right || wanted.bottom != now.bottom))
            placeWindow();
    }
    POINT pointer{};
    if (inputCloses && pointerNoted && GetCursorPos(&pointer)
        && (std::labs(pointer.x - pointerStartX) > kPointerSlack || std::labs(pointer.y - pointerStartY) > kPointerSlack))
        postMessage(WM_CLOSE, 0, 0);
}

void Win32Window::placeWindow()
{
    if (parentWindow != nullptr) {
        RECT area{};
        GetClientRect(parentWindow, &area);
        SetWindowPos(window, nullptr, 0, 0, area.right, area.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& screenArea = monitor.rcMonitor;
    if (fullScreen) {
        SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>(kFullScreenStyle | WS_VISIBLE));
        SetWindowPos(window, HWND_TOP, screenArea.left, screenArea.top, screenArea.right - screenArea.left,
                     screenArea.bottom - screenArea.top, SWP_FRAMECHANGED);
        return;
    }
    RECT frame{0, 0, kWindowedWidth, kWindowedHeight};
    AdjustWindowRect(&frame, kWindowedStyle, FALSE);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const RECT& work = monitor.rcWork;
    SetWindowLongPtrW(window, GWL_STYLE, static_cast<LONG_PTR>(kWindowedStyle | WS_VISIBLE));
    SetWindowPos(window, HWND_TOP, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_FRAMECHANGED);
}

void Win32Window::rawInput(std::intptr_t lParam)
{
    RAWINPUT data{};
    UINT size = sizeof data;
    if (GetRawInputData(reinterpret_cast<HRAWINPUT>(lParam), RID_INPUT, &data, &size, sizeof(RAWINPUTHEADER))
            == static_cast<UINT>(-1)
        || data.header.dwType != RIM_TYPEMOUSE)
        return;
    const RAWMOUSE& mouse = data.data.mouse;
    const bool relative = (mouse.usFlags & MOUSE_MOVE_ABSOLUTE) == 0;
    const unsigned buttons = mouse.usButtonFlags;
    const int wheel = (buttons & RI_MOUSE_WHEEL) != 0 ? static_cast<SHORT>(mouse.usButtonData) : 0;
    mouseDevice.onRawInput(mouse.lLastX, mouse.lLastY, relative, wheel, buttons);
}

void Win32Window::focusChanged(bool focused)
{
    focus = focused && !queue.destroyed();
    mouseDevice.setFocus(focus);
}

long long Win32Window::handleNative(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    switch (message) {
    case WM_KEYDOWN:
        if (inputCloses) {
            postMessage(WM_CLOSE, 0, 0);
            return 0;
        }
        if (wParam != VK_SNAPSHOT)
            queue.postKeyDown(wParam, lParam);
        return 0;
    case WM_KEYUP:
        // PrintScreen comes as a key-up only: Windows keeps its key-down for itself.
        if (wParam == VK_SNAPSHOT && !queue.destroyed())
            screen.saveScreenshot();
        return 0;
    case WM_SYSKEYDOWN: {
        // System keys: Alt+Enter switches between full screen and a window, Alt+F4 asks to
        // close; every other key with Alt, F10 and Alt itself reach the program not at all.
        const bool repeat = (lParam & (1 << 30)) != 0;
        if (inputCloses)
            postMessage(WM_CLOSE, 0, 0);
        else if (!repeat && wParam == VK_RETURN)
            toggleFullScreen();
        else if (!repeat && wParam == VK_F4)
            postMessage(WM_CLOSE, 0, 0);
        return 0;
    }
    case WM_SYSCHAR:
    case WM_SYSKEYUP:
        return 0; // no menu, no beep
    case WM_CLOSE:
        postMessage(WM_CLOSE, 0, 0);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (inputCloses)
            postMessage(WM_CLOSE, 0, 0);
        break;
    case WM_ACTIVATEAPP:
        if (inputCloses && wParam == FALSE)
            postMessage(WM_CLOSE, 0, 0); // another program came to the front
        break;
    case WM_DESTROY:
        // Destroyed from outside (a preview's parent went, taking it along): the run ends.
        if (!queue.destroyed())
            postMessage(WM_CLOSE, 0, 0);
        break;
    case WM_INPUT:
        rawInput(lParam);
        break;
    case WM_SETFOCUS:
        focusChanged(true);
        return 0;
    case WM_KILLFOCUS:
        focusChanged(false);
        return 0;
    case WM_SIZE:
        screen.windowChanged();
        break;
    case WM_ERASEBKGND:
        return 1; // the frames cover the window, the bars are painted with them
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        screen.repaint();
        queue.askPaint();
        return 0;
    }
    case WM_SETCURSOR:
        if (!cursorVisible && LOWORD(lParam) == HTCLIENT) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool standardStreamLeadsSomewhere(bool error)
{
    HANDLE stream = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    return stream != nullptr && stream != INVALID_HANDLE_VALUE && GetFileType(stream) != FILE_TYPE_UNKNOWN;
}

void reportFailure(const char* program, const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", program, text.c_str());
    std::fflush(stderr);
    showNote(program, text, nullptr, true);
}

void showNote(const char* title, const std::string& text, HWND owner, bool failure)
{
    const std::wstring caption = wideText(title);
    const std::wstring body = wideText(text.c_str());
    MessageBoxW(owner != nullptr && IsWindow(owner) ? owner : nullptr, body.c_str(), caption.c_str(),
                MB_OK | (failure ? MB_ICONERROR : MB_ICONINFORMATION));
}

std::string columnsForNote(const std::string& text)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return text;
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    HDC dc = GetDC(nullptr);
    if (font == nullptr || dc == nullptr) {
        if (font != nullptr)
            DeleteObject(font);
        if (dc != nullptr)
            ReleaseDC(nullptr, dc);
        return text;
    }
    HGDIOBJ before = SelectObject(dc, font);
    // A message box expands tabs to stops eight average characters apart.
    TEXTMETRICW textMetrics{};
    GetTextMetricsW(dc, &textMetrics);
    const auto width = [dc](const std::string& run) {
        const std::wstring wide = wideText(run.c_str());
        SIZE size{};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        return static_cast<int>(size.cx);
    };
    std::string laidOut = tabbedColumns(text, width, 8 * textMetrics.tmAveCharWidth);
    SelectObject(dc, before);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return laidOut;
}
