// SPDX-License-Identifier: Apache-2.0
// MediaOptions: the choices a job prints with, one per option of the
// option table (grey shades, halftone pattern, paper type, print direction
// and mode, cash drawer, black mark, cutter, cut feed), each held as the
// index of its choice in the table and applied to each page's printer
// object. Every option starts at its default choice, and the defaults
// change nothing: a job that sets none of them prints exactly the default
// page frame.
#ifndef RIDEVEDUDARUZO_PAGE_MEDIAOPTIONS_H
#define RIDEVEDUDARUZO_PAGE_MEDIAOPTIONS_H

#include <cstddef>
#include <vector>

#include "page/OptionTable.h"

class DotMatrixPrinter;

class MediaOptions {
public:
    // Every option at its default choice.
    MediaOptions();

    // Chooses an option's choice by its index in the table; an index the
    // option does not have leaves the option as it was.
    void Set(options::Option option, std::size_t choice);
    // The index of the option's chosen choice.
    std::size_t Get(options::Option option) const;
    // The chosen choice's PPD name, which the printer object acts on.
    const char* PpdName(options::Option option) const;

    // Writes the chosen settings into a freshly built printer object.
    void ApplyTo(DotMatrixPrinter& printer) const;

    // The same settings without the commands that belong to the document's
    // start and end (cash-drawer pulse, cut after the document): what the
    // pages inside a document of several pages are framed with.
    MediaOptions WithoutDocumentCommands() const;
    // True when the settings put commands at the document's start or end.
    bool HasDocumentCommands() const;

private:
    std::vector<std::size_t> chosen;
};

#endif
