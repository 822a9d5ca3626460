// SystemCalls: the few operating-system calls that the portable floors need for their files,
// the terminal and the user's folders, as plain functions over C file descriptors, so that no
// file above the backends includes a system header. POSIX (platform/posix/) and Windows
// (platform/win32/) each give one implementation. Failures set errno, as the POSIX calls do.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

namespace sys {

enum class PathKind { Missing, Regular, Folder, Other };

// What `path` names now (a device or a pipe is Other).
PathKind pathKind(const std::string& path);
// The size of the open file `fd` when it is a regular file, else -1.
long long regularFileSize(int fd);
// An existing file (or device) opened for writing in place; -1 on failure.
int openForWriting(const std::string& path);
// A new file made for writing, failing (errno EEXIST) when the name is taken; -1 on failure.
int createNewFile(const std::string& path);
// A file made (or emptied) for writing; -1 on failure.
int createFile(const std::string& path);
// A file opened for reading, without blocking on a pipe or device that has nothing; -1 on failure.
int openForReading(const std::string& path);
// A second descriptor for standard output, writing bytes unchanged; -1 when it is closed.
int duplicateStandardOutput();
bool standardOutputOpen();
bool standardErrorIsTerminal();

// As write(2) and read(2): the count done, or -1.
long writeSome(int fd, const void* data, std::size_t size);
long readSome(int fd, void* data, std::size_t size);
// As pwrite(2): writes at `offset` without moving the file position.
long writeSomeAt(int fd, const void* data, std::size_t size, long long offset);
// Where the open file `fd` stands now, when it can be written again at earlier offsets (a
// file or a seekable device, not opened to append); -1 otherwise (a pipe, a terminal).
long long rewritableOffset(int fd);
// Cuts the open file `fd` to `size` bytes; false on failure.
bool truncateFile(int fd, long long size);
// Writes to the disk what the system still holds of the file; false on failure. A file
// system that cannot (errno EINVAL, EROFS) counts as success.
bool syncToDisk(int fd);
// 0, or -1 on failure.
int closeFile(int fd);
// Renames `from` over `to`, replacing it; false on failure.
bool replaceFile(const std::string& from, const std::string& to);
void removeFile(const std::string& path);
unsigned long processId();

// Local calendar time of `seconds`; false when it cannot be had.
bool localTime(std::time_t seconds, std::tm& out);
// The user's pictures folder with a trailing separator, or "" when neither it nor the home
// folder is known.
std::string picturesFolder();

} // namespace sys
