// SPDX-License-Identifier: Apache-2.0
// ridevedudaruzo-printer-app: an IPP printer application for ESC/P 9-, 18-
// and 24-pin dot-matrix printers. Any driverless client (CUPS "everywhere"
// queues, phones, other computers) prints to it; it turns every page into
// ESC/P bit images with the same page encoder as the CUPS filter.
//
// Usage: ridevedudaruzo-printer-app SUB-COMMAND [OPTIONS] [FILES]
// with the sub-commands of a printer application: server, add, default,
// delete, devices, drivers, jobs, modify, options, printers, status,
// submit, cancel, shutdown, autoadd... (`--help` lists them).
#include <cstring>

#include <pappl/pappl.h>

#include "printerapp/AppSystem.h"
#include "printerapp/Drivers.h"
#include "printerapp/FileDevice.h"
#include "printerapp/SubCommands.h"

// Runs the sub-command named on the command line. Only the server listens
// on the network; the other sub-commands build a system object just to
// read the driver list. A few sub-commands run here (see SubCommands).
int main(int argc, char* argv[])
{
    int status = 0;
    if (SubCommands::Run(argc, argv, status))
        return status;
    bool serving = argc > 1 && std::strcmp(argv[1], "server") == 0;
    // Before the framework sets up its own devices, so that this file:
    // device is the one it uses.
    FileDevice::Register();
    return papplMainloop(argc, argv, RIDEV_VERSION, AppSystem::FooterHtml(), Drivers::Count(),
                         Drivers::List(), Drivers::ForDevice, Drivers::Configure, nullptr, nullptr,
                         AppSystem::Create, nullptr, &serving);
}
