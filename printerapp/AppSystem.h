// SPDX-License-Identifier: Apache-2.0
// AppSystem: creates the printer application's system object from the
// server's command-line options:
//   -o listen-hostname=NAME   address to listen on (default: all, port 8000)
//   -o server-port=N          IPP and web port
//   -o spool-directory=DIR    where job files are kept
//   -o state-file=FILE        where printers and settings are saved
//   -o log-file=FILE          log ("-" for standard error)
//   -o log-level=LEVEL        debug, info, warn, error or fatal
//   -o admin-group=GROUP      who may administer it (default lpadmin)
//   -o auth-service=NAME      PAM service that checks administrators'
//                             passwords (default ridevedudaruzo-printer-app)
//   -o control-socket=PATH    a local socket for administrators' commands
//                             (owner and admin group only), for a server
//                             that runs as a service user
//   -o file-device-directory=DIR
//                             the only folder file: devices may write into
//                             (default: "devices" in the spool folder)
//   -o document-...           the limits of DocumentLimits
// The web interface, the drivers, the PDF and PostScript filter and the
// page footer are set up here.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_APPSYSTEM_H
#define RIDEVEDUDARUZO_PRINTERAPP_APPSYSTEM_H

#include <sys/types.h>

#include <string>

#include <pappl/pappl.h>

// Name of the application: its command, service and socket names.
constexpr const char* kAppName = "ridevedudaruzo-printer-app";

class AppSystem {
public:
    // PAPPL system callback.
    static pappl_system_t* Create(int numOptions, cups_option_t* options, void* serving);

    // The local socket a server run by `uid` listens on for the commands,
    // where the commands look for it: in the temporary folder for a user,
    // for root in $SNAP_COMMON when set, else in /run.
    static std::string CommandSocketPath(uid_t uid);

    // Footer of every web page.
    static const char* FooterHtml();
};

#endif
