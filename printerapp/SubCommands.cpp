// SPDX-License-Identifier: Apache-2.0
// SubCommands: default, delete and devices, run against the server's
// printer list and without DNS-SD.
#include "printerapp/SubCommands.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <pappl/pappl.h>

#include "printerapp/AddPrinterPage.h"
#include "printerapp/AppSystem.h"

namespace {

constexpr const char* kSystemResource = "/ipp/system";
constexpr const char* kSystemUri = "ipp://localhost/ipp/system";
constexpr const char* kPrinterPathPrefix = "/ipp/print/";

// The command line of one of these sub-commands.
struct CommandLine {
    std::string command;
    std::string printerName;  // -d
    std::string printerUri;   // -u
    bool verbose = false;     // -v
};

// Reads "COMMAND [-d NAME] [-u URI] [-v]"; false for any other form.
bool Parse(int argc, char* argv[], CommandLine& line)
{
    if (argc < 2)
        return false;
    line.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-v") {
            line.verbose = true;
            continue;
        }
        if (arg.size() < 2 || arg[0] != '-' || (arg[1] != 'd' && arg[1] != 'u'))
            return false;
        std::string value = arg.substr(2);
        if (value.empty()) {
            if (++i >= argc)
                return false;
            value = argv[i];
        }
        (arg[1] == 'd' ? line.printerName : line.printerUri) = value;
    }
    return true;
}

// Prints "ridevedudaruzo-printer-app: MESSAGE" on standard error.
int Fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kAppName, message.c_str());
    return 1;
}

// A connection to the server: the one of the URI's host and port, else the
// local server's socket (the user's own server, else root's).
http_t* Connect(const std::string& serverUri)
{
    if (!serverUri.empty()) {
        char scheme[32], userpass[256], host[256], resource[1024];
        int port = 0;
        if (httpSeparateURI(HTTP_URI_CODING_ALL, serverUri.c_str(), scheme, sizeof scheme, userpass,
                            sizeof userpass, host, sizeof host, &port, resource,
                            sizeof resource) < HTTP_URI_STATUS_OK)
            return nullptr;
        return httpConnect2(host, port, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED, 1, 30000,
                            nullptr);
    }
    for (const std::string& socket :
         {AppSystem::CommandSocketPath(getuid()), AppSystem::CommandSocketPath(0)}) {
        if (http_t* http = httpConnect2(socket.c_str(), 0, nullptr, AF_UNSPEC,
                                        HTTP_ENCRYPTION_IF_REQUESTED, 1, 30000, nullptr))
            return http;
    }
    return nullptr;
}

// The printer's name: -d, else the last part of a printer URI's path.
std::string NameOf(const CommandLine& line)
{
    if (!line.printerName.empty() || line.printerUri.empty())
        return line.printerName;
    const std::size_t at = line.printerUri.find(kPrinterPathPrefix);
    return at == std::string::npos ? std::string()
                                   : line.printerUri.substr(at + std::strlen(kPrinterPathPrefix));
}

// A request to the system service with the usual operation attributes.
ipp_t* SystemRequest(ipp_op_t operation)
{
    ipp_t* request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "system-uri", nullptr, kSystemUri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    return request;
}

// The printer-id of the named printer in the server's list of printers,
// or 0.
int FindPrinterId(http_t* http, const std::string& name)
{
    ipp_t* request = SystemRequest(IPP_OP_GET_SYSTEM_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "system-configured-printers");
    ipp_t* response = cupsDoRequest(http, request, kSystemResource);
    int id = 0;
    ipp_attribute_t* printers =
        ippFindAttribute(response, "system-configured-printers", IPP_TAG_BEGIN_COLLECTION);
    for (int i = 0; id == 0 && i < ippGetCount(printers); ++i) {
        ipp_t* printer = ippGetCollection(printers, i);
        const char* printerName =
            ippGetString(ippFindAttribute(printer, "printer-name", IPP_TAG_ZERO), 0, nullptr);
        if (printerName != nullptr && name == printerName)
            id = ippGetInteger(ippFindAttribute(printer, "printer-id", IPP_TAG_INTEGER), 0);
    }
    ippDelete(response);
    return id;
}

// Connects, finds the printer and sends the request that `build` makes for
// its printer-id; `what` names the action in messages.
template <typename Build>
int OnPrinter(const std::string& name, const std::string& serverUri, const char* what, Build build)
{
    if (name.empty())
        return Fail("Missing '-d PRINTER'.");
    http_t* http = Connect(serverUri);
    if (http == nullptr)
        return Fail("The server is not running.");
    const int id = FindPrinterId(http, name);
    if (id == 0) {
        httpClose(http);
        return Fail("No printer named '" + name + "'.");
    }
    ippDelete(cupsDoRequest(http, build(id), kSystemResource));
    httpClose(http);
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE)
        return Fail(std::string("Unable to ") + what + ": " + cupsLastErrorString());
    return 0;
}

// Prints a device's URI, with its description and device ID when verbose.
bool ShowDevice(const char* info, const char* uri, const char* deviceId, void* verbose)
{
    std::puts(uri);
    if (verbose != nullptr && info != nullptr)
        std::printf("    %s\n", info);
    if (verbose != nullptr && deviceId != nullptr)
        std::printf("    %s\n", deviceId);
    return false;
}

void ShowDeviceError(const char* message, void*)
{
    std::printf("%s: %s\n", kAppName, message);
}

}  // namespace

bool SubCommands::Run(int argc, char* argv[], int& status)
{
    CommandLine line;
    if (!Parse(argc, argv, line))
        return false;
    // "default" without a printer shows the default printer.
    if (line.command == "default" && !NameOf(line).empty()) {
        status = SetDefault(NameOf(line).c_str(), line.printerUri.c_str());
        return true;
    }
    if (line.command == "delete") {
        status = Delete(NameOf(line).c_str(), line.printerUri.c_str());
        return true;
    }
    if (line.command == "devices" && line.printerName.empty() && line.printerUri.empty() &&
        !AddPrinterPage::DnssdDaemonRunning()) {
        status = ListDevices(line.verbose);
        return true;
    }
    return false;
}

int SubCommands::SetDefault(const char* printerName, const char* serverUri)
{
    return OnPrinter(printerName, serverUri, "set the default printer", [](int id) {
        ipp_t* request = SystemRequest(IPP_OP_SET_SYSTEM_ATTRIBUTES);
        ippAddInteger(request, IPP_TAG_SYSTEM, IPP_TAG_INTEGER, "system-default-printer-id", id);
        return request;
    });
}

int SubCommands::Delete(const char* printerName, const char* serverUri)
{
    return OnPrinter(printerName, serverUri, "delete the printer", [](int id) {
        ipp_t* request = SystemRequest(IPP_OP_DELETE_PRINTER);
        ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "printer-id", id);
        return request;
    });
}

// Every kind of device but those found through DNS-SD.
int SubCommands::ListDevices(bool verbose)
{
    const pappl_devtype_t types =
        static_cast<pappl_devtype_t>(PAPPL_DEVTYPE_ALL & ~PAPPL_DEVTYPE_DNS_SD);
    papplDeviceList(types, ShowDevice, verbose ? const_cast<char*>("verbose") : nullptr,
                    ShowDeviceError, nullptr);
    return 0;
}
