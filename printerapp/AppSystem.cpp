// SPDX-License-Identifier: Apache-2.0
// AppSystem: the system object, its listeners, state and drivers.
#include "printerapp/AppSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "printerapp/AddPrinterPage.h"
#include "printerapp/AdminGroup.h"
#include "printerapp/DocumentFilter.h"
#include "printerapp/DocumentLimits.h"
#include "printerapp/Drivers.h"
#include "printerapp/FileDevice.h"
#include "printerapp/LogsPage.h"
#include "printerapp/PrinterPages.h"
#include "printerapp/ServerLifecycle.h"
#include "printerapp/StateFile.h"
#include "printerapp/TextFilter.h"
#include "printerapp/VendorOptions.h"

namespace {

constexpr int kDefaultPort = 8000;
constexpr const char* kDefaultStateFile = "/var/lib/ridevedudaruzo-printer-app.state";
constexpr const char* kDefaultSpoolDirectory = "/var/spool/ridevedudaruzo-printer-app";
// Below the spool folder: where file: devices may write by default.
constexpr const char* kDefaultFileDeviceFolder = "/devices";
// Who may administer the server, and the PAM service that checks their
// passwords.
constexpr const char* kDefaultAdminGroup = "lpadmin";
constexpr const char* kDefaultAuthService = "ridevedudaruzo-printer-app";

// The value of a server option, or `fallback`.
const char* OptionOr(const char* name, int count, cups_option_t* options, const char* fallback)
{
    const char* value = cupsGetOption(name, count, options);
    return value != nullptr && *value != '\0' ? value : fallback;
}

// The log level named by the option, info when it names none.
pappl_loglevel_t LogLevelOf(const char* name)
{
    struct Level {
        const char* name;
        pappl_loglevel_t level;
    };
    static const Level kLevels[] = {
        {"debug", PAPPL_LOGLEVEL_DEBUG}, {"info", PAPPL_LOGLEVEL_INFO},
        {"warn", PAPPL_LOGLEVEL_WARN},   {"error", PAPPL_LOGLEVEL_ERROR},
        {"fatal", PAPPL_LOGLEVEL_FATAL},
    };
    for (const Level& level : kLevels) {
        if (name != nullptr && std::strcmp(name, level.name) == 0)
            return level.level;
    }
    return PAPPL_LOGLEVEL_INFO;
}

// Saves the system's state to the file it was loaded from.
bool SaveState(pappl_system_t* system, void* stateFile)
{
    return StateFile::Save(system, static_cast<const char*>(stateFile));
}

// Lets only the socket's owner and the administrators' group connect to a
// local socket (the socket library makes them world-writable).
void RestrictSocket(pappl_system_t* system, const std::string& path)
{
    const AdminGroup admins(system);
    const gid_t adminGroup = admins.Id();
    if (adminGroup != AdminGroup::kNoGroup &&
        chown(path.c_str(), static_cast<uid_t>(-1), adminGroup) != 0)
        papplLog(system, PAPPL_LOGLEVEL_WARN,
                 "The socket \"%s\" cannot be given to the group \"%s\": %s.", path.c_str(),
                 admins.Name().c_str(), std::strerror(errno));
    if (chmod(path.c_str(), 0770) != 0)
        papplLog(system, PAPPL_LOGLEVEL_WARN, "Cannot restrict the socket \"%s\": %s.",
                 path.c_str(), std::strerror(errno));
}

// Runs once the server listens: restricts the commands' socket.
bool RestrictCommandSocket(pappl_system_t* system, void*)
{
    RestrictSocket(system, AppSystem::CommandSocketPath(getuid()));
    return false;
}

// Adds the control socket an administrator's commands reach the server
// through when it runs as a service user. False when it cannot listen
// there.
bool AddControlSocket(pappl_system_t* system, const char* path)
{
    unlink(path);
    if (!papplSystemAddListeners(system, path))
        return false;
    RestrictSocket(system, path);
    return true;
}

// Says once that a server run as root should not be.
void WarnIfRoot(pappl_system_t* system)
{
    if (geteuid() == 0)
        papplLog(system, PAPPL_LOGLEVEL_WARN,
                 "The server runs as root; run it as an unprivileged user (such as lp), as its "
                 "service does.");
}

}  // namespace

// Builds the system; a server (`serving` points at true) also listens and
// loads its saved printers. Returns nullptr when it cannot listen.
pappl_system_t* AppSystem::Create(int numOptions, cups_option_t* options, void* serving)
{
    const char* portText = OptionOr("server-port", numOptions, options, nullptr);
    const int port = portText != nullptr ? std::atoi(portText) : kDefaultPort;
    const char* hostname = OptionOr("listen-hostname", numOptions, options, nullptr);
    const char* spool = OptionOr("spool-directory", numOptions, options, kDefaultSpoolDirectory);
    const char* logFile = OptionOr("log-file", numOptions, options, "-");
    const bool server = *static_cast<bool*>(serving);
    // Only the server logs; the other sub-commands print their own output.
    const pappl_loglevel_t logLevel =
        server ? LogLevelOf(OptionOr("log-level", numOptions, options, "info"))
               : PAPPL_LOGLEVEL_FATAL;
    // The state file name lives as long as the process: the save callback
    // keeps a pointer to it.
    static std::string stateFile;
    stateFile = OptionOr("state-file", numOptions, options, kDefaultStateFile);

    const char* authService = OptionOr("auth-service", numOptions, options, kDefaultAuthService);
    const char* adminGroup = OptionOr("admin-group", numOptions, options, kDefaultAdminGroup);
    const std::string fileDevices =
        OptionOr("file-device-directory", numOptions, options,
                 (std::string(spool) + kDefaultFileDeviceFolder).c_str());
    DocumentLimits::SetCurrent(DocumentLimits::FromOptions(numOptions, options));
    // The server's files, folders and local socket are its own.
    if (server)
        umask(077);

    const pappl_soptions_t systemOptions =
        PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE | PAPPL_SOPTIONS_WEB_LOG;
    // The framework's log rotation hangs the server (it logs while holding
    // the log's lock), already at the first line when the log is a file of
    // 1 MiB or more: the system is made with nothing to log, rotation is
    // turned off, and only then is the log level set. The log is rotated by
    // the journal or logrotate.
    pappl_system_t* system =
        papplSystemCreate(systemOptions, kAppName, port, "_print,_universal", spool, logFile,
                          PAPPL_LOGLEVEL_FATAL, authService, false);
    if (system == nullptr)
        return nullptr;
    papplSystemSetMaxLogSize(system, 0);
    papplSystemSetLogLevel(system, logLevel);
    papplSystemSetAdminGroup(system, adminGroup);
    std::string why;
    if (server && !FileDevice::SetFolder(fileDevices, why)) {
        papplLog(system, PAPPL_LOGLEVEL_FATAL, "Cannot start: %s.", why.c_str());
        papplSystemDelete(system);
        return nullptr;
    }
    const char* controlSocket = OptionOr("control-socket", numOptions, options, nullptr);
    if (server && controlSocket != nullptr && !AddControlSocket(system, controlSocket)) {
        papplLog(system, PAPPL_LOGLEVEL_FATAL, "Cannot listen on the control socket \"%s\".",
                 controlSocket);
        papplSystemDelete(system);
        return nullptr;
    }
    if (server && !papplSystemAddListeners(system, hostname)) {
        papplSystemDelete(system);
        return nullptr;
    }
    papplSystemSetFooterHTML(system, FooterHtml());
    papplSystemSetPrinterDrivers(system, Drivers::Count(), Drivers::List(), Drivers::ForDevice,
                                 PrinterPages::Add, Drivers::Configure, nullptr);
    DocumentFilter::Register(system);
    TextFilter::Register(system);
    if (server) {
        AddPrinterPage::InstallIfNeeded(system);
        LogsPage::InstallIfNeeded(system, logFile);
    }
    // The labels live as long as the process: the system keeps a pointer.
    static const std::string labels = VendorOptions::Labels();
    papplSystemAddStringsData(system, "/en.strings", "en", labels.c_str());
    if (server) {
        WarnIfRoot(system);
        papplSystemAddTimerCallback(system, time(nullptr), 0, RestrictCommandSocket, nullptr);
        StateFile::Load(system, stateFile);
        papplSystemSetSaveCallback(system, SaveState, const_cast<char*>(stateFile.c_str()));
        ServerLifecycle::Prepare(system, stateFile);
    }
    return system;
}

std::string AppSystem::CommandSocketPath(uid_t uid)
{
    if (uid != 0)
        return std::string(papplGetTempDir()) + "/" + kAppName + std::to_string(uid) + ".sock";
    const char* snapCommon = std::getenv("SNAP_COMMON");
    return std::string(snapCommon != nullptr ? snapCommon : "/run") + "/" + kAppName + ".sock";
}

const char* AppSystem::FooterHtml()
{
    return "ridevedudaruzo printer application: driverless printing to ESC/P 9-, 18- and "
           "24-pin dot-matrix printers.";
}
