// SPDX-License-Identifier: Apache-2.0
// SubCommands: the command-line sub-commands the printer application runs
// itself instead of leaving them to the framework's main loop:
//   default -d NAME   makes a printer the server's default printer
//   delete -d NAME    deletes a printer
// (also with -u ipp://HOST:PORT/ipp/print/NAME for a server elsewhere):
// the framework finds a printer by its "printer-id" attribute, which it
// reports as 0 for a printer added since the server started, and so fails
// for those; these find it in the server's list of printers instead.
//   devices           lists USB, file and SNMP network devices when no
//                     DNS-SD daemon runs (the framework's DNS-SD search
//                     ends the process then)
#ifndef RIDEVEDUDARUZO_PRINTERAPP_SUBCOMMANDS_H
#define RIDEVEDUDARUZO_PRINTERAPP_SUBCOMMANDS_H

class SubCommands {
public:
    // Runs the sub-command when it is one of these and returns true with
    // its exit status in `status`; false for every other command line.
    static bool Run(int argc, char* argv[], int& status);

private:
    // The sub-commands.
    static int SetDefault(const char* printerName, const char* serverUri);
    static int Delete(const char* printerName, const char* serverUri);
    static int ListDevices(bool verbose);
};

#endif
