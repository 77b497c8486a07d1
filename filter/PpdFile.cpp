// SPDX-License-Identifier: Apache-2.0
// PpdFile: opening, marking, reading and closing the job's PPD.
#include "filter/PpdFile.h"

#include <cstdio>

#include <cups/file.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// libcups marks its PPD functions deprecated; the filter reads a PPD all the
// same, as the print system hands it one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

// Opens the file at path for reading if it is a regular file, or returns -1.
// The open does not wait: a FIFO named as the PPD would otherwise block the
// job in open() for ever, where not even a cancel reaches it.
int OpenRegularFile(const char* path)
{
    if (path == nullptr)
        return -1;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

// Reports a PPD that cannot be used: libcups's reason in the print system's
// debug line, then the job's error line.
void ReportPpdError(ppd_status_t status, int line)
{
    fprintf(stderr, "DEBUG: %s on line %d.\n", ppdErrorString(status), line);
    fprintf(stderr, "ERROR: The printer's PPD file cannot be read.\n");
}

}  // namespace

PpdFile::PpdFile(const char* path, int numOptions, cups_option_t* options)
{
    const int fd = OpenRegularFile(path);
    cups_file_t* file = fd >= 0 ? cupsFileOpenFd(fd, "r") : nullptr;
    if (file == nullptr) {
        if (fd >= 0)
            close(fd);
        ReportPpdError(PPD_FILE_OPEN_ERROR, 0);
        return;
    }
    ppd = ppdOpen2(file);
    cupsFileClose(file);
    if (ppd == nullptr) {
        int line = 0;
        const ppd_status_t status = ppdLastError(&line);
        ReportPpdError(status, line);
        return;
    }
    ppdMarkDefaults(ppd);
    cupsMarkOptions(ppd, numOptions, options);
}

PpdFile::~PpdFile()
{
    if (ppd != nullptr)
        ppdClose(ppd);
}

std::string PpdFile::MarkedChoice(const char* keyword) const
{
    if (ppd == nullptr)
        return "";
    const ppd_choice_t* marked = ppdFindMarkedChoice(ppd, keyword);
    return marked != nullptr ? marked->choice : "";
}

bool PpdFile::HasOption(const char* keyword) const
{
    return ppd != nullptr && ppdFindOption(ppd, keyword) != nullptr;
}

#pragma GCC diagnostic pop
