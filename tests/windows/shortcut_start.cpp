// Starts a program as a shortcut or Explorer does, for the Windows tests: with no standard
// input, output or error at all, so that whatever it must tell the user it has to show in a
// window. Waits for it and ends with its exit code; 125 when it cannot be started.
// Usage: shortcut_start.exe PROGRAM.exe ARGS...
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring wide(const char* text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, result.data(), size);
    result.resize(result.size() - 1);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: shortcut_start.exe PROGRAM.exe ARGS...\n");
        return 125;
    }
    // Each argument in quotes; the tests pass none with quotes or backslashes before a quote.
    std::wstring command;
    for (int i = 1; i < argc; ++i)
        command += (i > 1 ? L" \"" : L"\"") + wide(argv[i]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES; // all three handles null
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr,
                        &startup, &started)) {
        std::fprintf(stderr, "shortcut_start: cannot start %s (error %lu)\n", argv[1], GetLastError());
        return 125;
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD code = 125;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return static_cast<int>(code);
}
