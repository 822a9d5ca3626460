// SystemCalls over the Windows C runtime and the Windows API; see the header. Files are opened
// in binary mode, so that a trace or a picture is written byte for byte as on other systems,
// and a rename replaces its target, which the C runtime's rename refuses to do.
#include "platform/SystemCalls.hpp"

#include <windows.h>

#include <shlobj.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

namespace sys {

namespace {

std::string narrow(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back();
    return out;
}

std::string withSeparator(std::string folder)
{
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

} // namespace

PathKind pathKind(const std::string& path)
{
    // A device name (NUL, CON) is no file on disk: it is written in place.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        struct _stat64 info {};
        return _stat64(path.c_str(), &info) == 0 ? PathKind::Other : PathKind::Missing;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return PathKind::Folder;
    return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? PathKind::Other : PathKind::Regular;
}

long long regularFileSize(int fd)
{
    struct _stat64 info {};
    return _fstat64(fd, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG ? static_cast<long long>(info.st_size) : -1;
}

int openForWriting(const std::string& path)
{
    return _open(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
}

int createNewFile(const std::string& path)
{
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

int createFile(const std::string& path)
{
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

int openForReading(const std::string& path)
{
    return _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int duplicateStandardOutput()
{
    std::fflush(stdout);
    const int fd = _dup(_fileno(stdout));
    if (fd >= 0)
        _setmode(fd, _O_BINARY);
    return fd;
}

bool standardOutputOpen()
{
    return _get_osfhandle(_fileno(stdout)) != -1;
}

bool standardErrorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

long writeSome(int fd, const void* data, std::size_t size)
{
    const unsigned part = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
    return _write(fd, data, part);
}

long readSome(int fd, void* data, std::size_t size)
{
    const unsigned part = size > 0x40000000u ? 0x40000000u : static_cast<unsigned>(size);
    return _read(fd, data, part);
}

long writeSomeAt(int fd, const void* data, std::size_t size, long long offset)
{
    // The C runtime has no positioned write: the position is moved there and back.
    const long long was = _lseeki64(fd, 0, SEEK_CUR);
    if (was < 0 || _lseeki64(fd, offset, SEEK_SET) < 0)
        return -1;
    const long written = writeSome(fd, data, size);
    const int saved = errno;
    _lseeki64(fd, was, SEEK_SET);
    errno = saved;
    return written;
}

long long rewritableOffset(int fd)
{
    // Only a file on disk can be written again where it was; a console or a pipe cannot.
    if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) != FILE_TYPE_DISK)
        return -1;
    return _lseeki64(fd, 0, SEEK_CUR);
}

bool truncateFile(int fd, long long size)
{
    return _chsize_s(fd, size) == 0;
}

bool syncToDisk(int fd)
{
    return _commit(fd) == 0 || errno == EBADF;
}

int closeFile(int fd)
{
    return _close(fd);
}

bool replaceFile(const std::string& from, const std::string& to)
{
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0)
        return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
}

void removeFile(const std::string& path)
{
    _unlink(path.c_str());
}

unsigned long processId()
{
    return static_cast<unsigned long>(_getpid());
}

bool localTime(std::time_t seconds, std::tm& out)
{
    return localtime_s(&out, &seconds) == 0;
}

std::string picturesFolder()
{
    for (const KNOWNFOLDERID& id : {FOLDERID_Pictures, FOLDERID_Profile}) {
        PWSTR found = nullptr;
        std::string folder;
        if (SHGetKnownFolderPath(id, 0, nullptr, &found) == S_OK)
            folder = narrow(found);
        CoTaskMemFree(found);
        if (!folder.empty() && pathKind(folder) == PathKind::Folder)
            return withSeparator(folder);
    }
    return {};
}

} // namespace sys
