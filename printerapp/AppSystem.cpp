// SPDX-License-Identifier: Apache-2.0
// AppSystem: the system object, its listeners, state and drivers.
#include "printerapp/AppSystem.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "printerapp/AddPrinterPage.h"
#include "printerapp/DocumentFilter.h"
#include "printerapp/Drivers.h"
#include "printerapp/LogsPage.h"
#include "printerapp/PrinterPages.h"
#include "printerapp/TextFilter.h"
#include "printerapp/VendorOptions.h"

namespace {

constexpr int kDefaultPort = 8000;
constexpr const char* kDefaultStateFile = "/var/lib/ridevedudaruzo-printer-app.state";
constexpr const char* kDefaultSpoolDirectory = "/var/spool/ridevedudaruzo-printer-app";

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
    return papplSystemSaveState(system, static_cast<const char*>(stateFile));
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
    // Only the server logs; the other sub-commands print their own output.
    const bool isServer = *static_cast<bool*>(serving);
    const pappl_loglevel_t logLevel =
        isServer ? LogLevelOf(OptionOr("log-level", numOptions, options, "info"))
                 : PAPPL_LOGLEVEL_FATAL;
    // The state file name lives as long as the process: the save callback
    // keeps a pointer to it.
    static std::string stateFile;
    stateFile = OptionOr("state-file", numOptions, options, kDefaultStateFile);

    const pappl_soptions_t systemOptions =
        PAPPL_SOPTIONS_MULTI_QUEUE | PAPPL_SOPTIONS_WEB_INTERFACE | PAPPL_SOPTIONS_WEB_LOG;
    pappl_system_t* system = papplSystemCreate(systemOptions, kAppName, port, "_print,_universal",
                                               spool, logFile, logLevel, nullptr, false);
    if (system == nullptr)
        return nullptr;
    if (*static_cast<bool*>(serving) && !papplSystemAddListeners(system, hostname)) {
        papplSystemDelete(system);
        return nullptr;
    }
    papplSystemSetFooterHTML(system, FooterHtml());
    papplSystemSetPrinterDrivers(system, Drivers::Count(), Drivers::List(), Drivers::ForDevice,
                                 PrinterPages::Add, Drivers::Configure, nullptr);
    DocumentFilter::Register(system);
    TextFilter::Register(system);
    if (isServer) {
        AddPrinterPage::InstallIfNeeded(system);
        LogsPage::InstallIfNeeded(system, logFile);
    }
    // The labels live as long as the process: the system keeps a pointer.
    static const std::string labels = VendorOptions::Labels();
    papplSystemAddStringsData(system, "/en.strings", "en", labels.c_str());
    if (*static_cast<bool*>(serving)) {
        papplSystemLoadState(system, stateFile.c_str());
        papplSystemSetSaveCallback(system, SaveState, const_cast<char*>(stateFile.c_str()));
    }
    return system;
}

const char* AppSystem::FooterHtml()
{
    return "ridevedudaruzo printer application: driverless printing to ESC/P 9-, 18- and "
           "24-pin dot-matrix printers.";
}
