// SPDX-License-Identifier: Apache-2.0
// FileDevice: file: URIs confined to one folder, opened without following
// symbolic links.
#include "printerapp/FileDevice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include <pappl/pappl.h>

namespace {

constexpr const char* kScheme = "file";

// The folder file: devices may write into (a real path, without a
// trailing slash); empty until set.
std::string& Folder()
{
    static std::string folder;
    return folder;
}

std::mutex& FolderLock()
{
    static std::mutex lock;
    return lock;
}

std::string CurrentFolder()
{
    std::lock_guard<std::mutex> lock(FolderLock());
    return Folder();
}

// The path of a file: URI; false when the URI is not one.
bool PathOf(const char* uri, std::string& path)
{
    char scheme[32], userpass[256], host[256], resource[1024];
    int port = 0;
    if (uri == nullptr ||
        httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof scheme, userpass, sizeof userpass,
                        host, sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK ||
        std::strcmp(scheme, kScheme) != 0)
        return false;
    path = resource;
    const std::size_t query = path.find('?');
    if (query != std::string::npos)
        path.erase(query);
    return true;
}

// The parts of `path` below `folder`; false when the path is not inside
// it or has empty, "." or ".." parts.
bool PartsBelow(const std::string& path, const std::string& folder, std::vector<std::string>& parts)
{
    if (folder.empty() || path.compare(0, folder.size(), folder) != 0 ||
        (path.size() > folder.size() && path[folder.size()] != '/'))
        return false;
    std::size_t start = folder.size() + 1;
    while (start <= path.size() && start > folder.size()) {
        const std::size_t end = path.find('/', start);
        const std::string part = path.substr(start, end == std::string::npos ? end : end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        parts.push_back(part);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return true;
}

// Where a device URI leads, read once: whether it is a file: URI and, for
// one, its path, the folder it was checked against and its parts below
// that folder.
struct Place {
    bool isFile = false;
    std::string path;
    std::string folder;
    std::vector<std::string> parts;
};

// Why a file: URI that leads outside the folder is refused.
std::string OutsideWhy(const std::string& folder)
{
    return "file: devices may only write inside \"" + folder + "\"";
}

// Reads `uri` into `place`; false, with the reason, when it is a file: URI
// that leads outside the folder (or when no folder is set).
bool FindPlace(const char* uri, Place& place, std::string& why)
{
    place.isFile = PathOf(uri, place.path);
    if (!place.isFile)
        return true;
    place.folder = CurrentFolder();
    if (!PartsBelow(place.path, place.folder, place.parts)) {
        why = OutsideWhy(place.folder);
        return false;
    }
    return true;
}

// A job's file name: the job name with anything but printable ASCII and
// slashes replaced.
std::string FileNameFor(const char* jobName)
{
    std::string name = jobName != nullptr && *jobName != '\0' ? jobName : "job";
    for (char& c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < ' ' || u >= 0x7f || c == '/')
            c = '_';
    }
    if (name == "." || name == "..")
        name = "job";
    return name + ".prn";
}

// Opens the file for appending; -1 with errno set when it cannot, or when
// it is not a plain file (ENODEV) or is a link (ELOOP).
int OpenPlainFile(int directory, const std::string& name)
{
    const int fd = openat(
        directory, name.c_str(),
        O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        errno = ENODEV;
        return -1;
    }
    fcntl(fd, F_SETFL, O_WRONLY | O_APPEND);
    return fd;
}

// Opens the device's file for a job; -1 with errno set when it cannot.
int OpenInFolder(const std::vector<std::string>& parts, const std::string& folder,
                 const char* jobName)
{
    int directory = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (std::size_t i = 0; directory >= 0 && i < parts.size(); ++i) {
        const int next =
            openat(directory, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next >= 0) {
            close(directory);
            directory = next;
            continue;
        }
        if ((errno != ENOTDIR && errno != ENOENT) || i + 1 != parts.size()) {
            const int error = errno;
            close(directory);
            errno = error;
            return -1;
        }
        const int fd = OpenPlainFile(directory, parts[i]);
        const int error = errno;
        close(directory);
        errno = error;
        return fd;
    }
    if (directory < 0)
        return -1;
    // The URI names a folder: one file per job.
    const int fd = OpenPlainFile(directory, FileNameFor(jobName));
    const int error = errno;
    close(directory);
    errno = error;
    return fd;
}

// Opens the job's file inside the folder; false, with the reason given to
// the device, when the URI leads elsewhere or the file cannot be opened.
bool OpenDevice(pappl_device_t* device, const char* uri, const char* jobName)
{
    Place place;
    std::string why;
    // The framework sends only file: URIs here; one that cannot be read
    // as one is refused like one outside the folder.
    if (FindPlace(uri, place, why) && !place.isFile)
        why = OutsideWhy(CurrentFolder());
    if (!why.empty()) {
        papplDeviceError(device, "%s", why.c_str());
        return false;
    }
    const int fd = OpenInFolder(place.parts, place.folder, jobName);
    if (fd < 0) {
        papplDeviceError(device, "Cannot open \"%s\": %s.", place.path.c_str(),
                         errno == ENODEV ? "it is not a plain file" : strerror(errno));
        return false;
    }
    int* data = static_cast<int*>(std::malloc(sizeof(int)));
    if (data == nullptr) {
        close(fd);
        return false;
    }
    *data = fd;
    papplDeviceSetData(device, data);
    return true;
}

void CloseDevice(pappl_device_t* device)
{
    if (int* fd = static_cast<int*>(papplDeviceGetData(device))) {
        close(*fd);
        std::free(fd);
        papplDeviceSetData(device, nullptr);
    }
}

ssize_t ReadDevice(pappl_device_t*, void*, size_t)
{
    return 0;
}

// Writes every byte; -1 when the file does not take them.
ssize_t WriteDevice(pappl_device_t* device, const void* buffer, size_t bytes)
{
    const int* fd = static_cast<int*>(papplDeviceGetData(device));
    if (fd == nullptr)
        return -1;
    const char* data = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < bytes) {
        const ssize_t wrote = write(*fd, data + done, bytes - done);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        done += static_cast<size_t>(wrote);
    }
    return static_cast<ssize_t>(done);
}

pappl_preason_t DeviceStatus(pappl_device_t*)
{
    return PAPPL_PREASON_NONE;
}

}  // namespace

void FileDevice::Register()
{
    papplDeviceAddScheme(kScheme, PAPPL_DEVTYPE_FILE, nullptr, OpenDevice, CloseDevice, ReadDevice,
                         WriteDevice, DeviceStatus, nullptr);
}

bool FileDevice::SetFolder(const std::string& folder, std::string& why)
{
    if (folder.empty() || folder[0] != '/') {
        why = "the folder for file: devices must be an absolute path";
        return false;
    }
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        why = "cannot make the folder for file: devices \"" + folder + "\": " + strerror(errno);
        return false;
    }
    char real[PATH_MAX];
    if (realpath(folder.c_str(), real) == nullptr) {
        why = "cannot use the folder for file: devices \"" + folder + "\": " + strerror(errno);
        return false;
    }
    std::lock_guard<std::mutex> lock(FolderLock());
    Folder() = real;
    if (Folder().size() > 1 && Folder().back() == '/')
        Folder().pop_back();
    return true;
}

bool FileDevice::Allows(const char* uri, std::string& why)
{
    Place place;
    return FindPlace(uri, place, why);
}
