// SPDX-License-Identifier: Apache-2.0
// JobChoices: the job's choice of every option of the option table, read
// from the PPD and the job's options as CUPS marks them.
#ifndef RIDEVEDUDARUZO_FILTER_JOBCHOICES_H
#define RIDEVEDUDARUZO_FILTER_JOBCHOICES_H

#include <cups/cups.h>

#include "page/MediaOptions.h"

class PpdFile;

// For an option the PPD offers, its marked choice: the job's value as the
// PPD spells it (libcups marks it without regard to case), or the PPD's
// default for a value the PPD does not offer. For an option the PPD does
// not offer, the job's value matched against the table the same way, or
// the table's default.
MediaOptions ReadJobChoices(const PpdFile& ppd, int numOptions, cups_option_t* options);

#endif
