// SPDX-License-Identifier: Apache-2.0
// File access for log and configuration files; see RuzologFileHandler.h for
// why opening refuses anything but a regular file reached without a link.
#include "ruzolog/RuzologFileHandler.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace ruzolog {

namespace {

// open(2) flags for an fopen-style mode, or -1 for a mode that is not one.
int openFlagsForMode(const char* mode)
{
    if (mode == nullptr) {
        return -1;
    }
    const int access = std::strchr(mode, '+') != nullptr ? O_RDWR : O_WRONLY;
    const int exclusive = std::strchr(mode, 'x') != nullptr ? O_EXCL : 0;
    switch (mode[0]) {
    case 'r':
        return access == O_RDWR ? O_RDWR : O_RDONLY;
    case 'w':
        return access | O_CREAT | O_TRUNC | exclusive;
    case 'a':
        return access | O_CREAT | O_APPEND;
    default:
        return -1;
    }
}

// True for a file that may be opened with the flags: a regular file and,
// when it is to be written, one with no other name. A second hard link to
// the path would let the log write into (and at start-up empty) a file that
// lives elsewhere, as a symbolic link would.
bool isPrivateRegularFile(const struct stat& info, int flags)
{
    const bool writing = (flags & O_ACCMODE) != O_RDONLY;
    return S_ISREG(info.st_mode) && !(writing && info.st_nlink > 1);
}

// Opens path without following a final symbolic link and without blocking on
// a FIFO, and keeps the descriptor only if isPrivateRegularFile allows it.
// An O_TRUNC in flags empties the file only after that check. Returns the
// descriptor (blocking again) and its size, or -1.
int openRegularFile(const char* path, int flags, std::int64_t& size)
{
    const bool truncate = (flags & O_TRUNC) != 0;
    const int fd = ::open(path, (flags & ~O_TRUNC) | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !isPrivateRegularFile(info, flags) ||
        (truncate && ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return -1;
    }
    const int statusFlags = fcntl(fd, F_GETFL);
    if (statusFlags == -1 || fcntl(fd, F_SETFL, statusFlags & ~O_NONBLOCK) == -1) {
        ::close(fd);
        return -1;
    }
    size = truncate ? 0 : static_cast<std::int64_t>(info.st_size);
    return fd;
}

}  // namespace

std::int64_t RuzologFileHandler::open(const char* path, const char* mode)
{
    if (file != nullptr) {
        fclose(file);
        file = nullptr;
    }
    const int flags = openFlagsForMode(mode);
    if (path == nullptr || flags == -1) {
        return -1;
    }
    std::int64_t size = 0;
    const int fd = openRegularFile(path, flags, size);
    if (fd < 0) {
        return -1;
    }
    file = fdopen(fd, mode);
    if (file == nullptr) {
        ::close(fd);
        return -1;
    }
    return size;
}

void RuzologFileHandler::close()
{
    if (file != nullptr) {
        clean(0, 0);
        fclose(file);
        file = nullptr;
    }
}

void RuzologFileHandler::clean(int offset, int length)
{
    if (file == nullptr) {
        return;
    }
    const int fd = fileno(file);
    fsync(fd);
    posix_fadvise(fd, offset, length, POSIX_FADV_DONTNEED);
    fsync(fd);
}

void RuzologFileHandler::write(const char* data, unsigned long length)
{
    if (file == nullptr || length == 0) {
        return;
    }
    if (fwrite(data, 1, length, file) < length) {
        close();
    }
}

void RuzologFileHandler::flush()
{
    if (file != nullptr) {
        fflush(file);
    }
}

std::string RuzologFileHandler::readLine()
{
    char buffer[500];
    if (file == nullptr || fgets(buffer, sizeof(buffer), file) == nullptr) {
        return std::string();
    }
    return std::string(buffer);
}

std::string RuzologFileHandler::readContent()
{
    std::string content;
    if (file == nullptr) {
        return content;
    }
    char block[8192];
    for (;;) {
        const size_t got = fread(block, 1, sizeof(block), file);
        content.append(block, got);
        if (got < sizeof(block)) {
            return content;
        }
    }
}

bool RuzologFileHandler::removeFile(const std::string& path)
{
    return ::remove(path.c_str()) == 0;
}

}  // namespace ruzolog
