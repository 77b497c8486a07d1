// SPDX-License-Identifier: Apache-2.0
// One log or configuration file behind a C stream. Opening never follows a
// symbolic link and accepts only a regular file, and opening for writing
// only one with a single hard link, because log files live in directories
// that anyone may write to.
#ifndef RUZOLOG_RUZOLOGFILEHANDLER_H
#define RUZOLOG_RUZOLOGFILEHANDLER_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace ruzolog {

class RuzologFileHandler {
public:
    RuzologFileHandler() = default;
    ~RuzologFileHandler() { close(); }
    RuzologFileHandler(const RuzologFileHandler&) = delete;
    RuzologFileHandler& operator=(const RuzologFileHandler&) = delete;

    // True while a file is open.
    bool isOpen() const { return file != nullptr; }

    // Opens path with an fopen-style mode ("w", "a", "ab", "rb", "r+", ...)
    // and returns the file's size in bytes, or -1 if it cannot be opened.
    // A file already open is closed first (without syncing). The last path
    // component must not be a symbolic link and must be a regular file: a
    // planted link, FIFO, device or directory is refused like a missing file.
    // A mode that writes also refuses a file with more than one hard link.
    // "w" creates or empties the file (only once it is accepted), "a"
    // creates it and appends.
    std::int64_t open(const char* path, const char* mode);
    // Syncs and closes the file, if one is open.
    void close();
    // Syncs the file to disk, tells the kernel the byte range from offset of
    // length bytes (0, 0: the whole file) will not be needed, and syncs again.
    void clean(int offset, int length);
    // Writes the bytes with one stream write; a short write closes the file.
    void write(const char* data, unsigned long length);
    // Hands the stream's buffered bytes to the operating system.
    void flush();
    // The next line (at most 499 bytes, line end included when it fits);
    // empty at end of file or when nothing is open.
    std::string readLine();
    // The rest of the file from the current position; empty when nothing is open.
    std::string readContent();
    // Deletes the file at path; true on success.
    bool removeFile(const std::string& path);

private:
    FILE* file = nullptr;
};

}  // namespace ruzolog

#endif
