// SPDX-License-Identifier: Apache-2.0
// PpdFile: the job's PPD, opened from a regular file and marked with its
// defaults and the job's options; closed when the object goes. The PPD
// functions of libcups used here are marked deprecated, so this class holds
// every call to them.
#ifndef RIDEVEDUDARUZO_FILTER_PPDFILE_H
#define RIDEVEDUDARUZO_FILTER_PPDFILE_H

#include <string>

#include <cups/cups.h>
#include <cups/ppd.h>

class PpdFile {
public:
    // Opens the PPD at path (null counts as missing) if it is a regular
    // file, then marks its defaults and the job's options. When it cannot,
    // IsOpen() is false and the reason has gone to stderr as a DEBUG line,
    // followed by the job's ERROR line.
    PpdFile(const char* path, int numOptions, cups_option_t* options);
    // Closes the PPD.
    ~PpdFile();
    PpdFile(const PpdFile&) = delete;
    PpdFile& operator=(const PpdFile&) = delete;

    // True when the PPD was opened.
    bool IsOpen() const { return ppd != nullptr; }
    // The PPD record for the print system's hooks; null when not open.
    ppd_file_t* Record() const { return ppd; }
    // The PPD's model number (cupsModelNumber); only when open.
    int ModelNumber() const { return ppd->model_number; }
    // The marked choice of an option keyword, or "" when the option has
    // none or the PPD is not open.
    std::string MarkedChoice(const char* keyword) const;
    // True when the PPD is open and offers the option.
    bool HasOption(const char* keyword) const;

private:
    ppd_file_t* ppd = nullptr;
};

#endif
