// Does to a window what Windows' taskbar does to a program's button, for the Windows tests:
// minimises it, or restores it, by its title. Prints nothing; exit code 1 when no window
// has that title.
// Usage: taskbar.exe minimise|restore TITLE
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    const bool minimise = argc == 3 && std::strcmp(argv[1], "minimise") == 0;
    if (argc != 3 || (!minimise && std::strcmp(argv[1], "restore") != 0)) {
        std::fprintf(stderr, "usage: taskbar.exe minimise|restore TITLE\n");
        return 2;
    }
    std::wstring title(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, title.data(), static_cast<int>(title.size()));
    HWND window = FindWindowW(nullptr, title.c_str());
    if (window == nullptr) {
        std::fprintf(stderr, "taskbar: no window titled %s\n", argv[2]);
        return 1;
    }
    // The taskbar asks through the window's system menu, as a click on its button does.
    PostMessageW(window, WM_SYSCOMMAND, minimise ? SC_MINIMIZE : SC_RESTORE, 0);
    if (!minimise)
        SetForegroundWindow(window);
    return 0;
}
