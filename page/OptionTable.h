// SPDX-License-Identifier: Apache-2.0
// OptionTable: what a job can choose and which print heads there are,
// declared once for the CUPS filter, the printer application, the PPDs'
// tests and the encoder tests. For every option: its PPD keyword, its IPP
// attribute in the printer application, its English label, and for every
// choice the PPD's name, the IPP keyword and the label; the default choice.
// For every head: its pin count, the command dialect it speaks, the
// resolutions it prints (highest first, as the PPDs list them) and the
// medium a new printer of that kind has loaded. For every medium of the
// PPDs: its PWG size name, PPD name and label.
#ifndef RIDEVEDUDARUZO_PAGE_OPTIONTABLE_H
#define RIDEVEDUDARUZO_PAGE_OPTIONTABLE_H

#include <cstddef>

namespace options {

// The options, in the order the PPDs and the web interface show them.
enum class Option {
    GreyShades,
    Halftone,
    PaperType,
    PrintDirection,
    PrintMode,
    CashDrawer,
    BlackMark,
    Cutter,
    CutType,
};

// One choice of an option.
struct ChoiceSpec {
    const char* ppdName;     // e.g. "Option3"
    const char* ippKeyword;  // e.g. "after-page"
    const char* label;       // e.g. "Cut After Each Page"
};

// One option and its choices.
struct OptionSpec {
    Option option;
    const char* ppdKeyword;    // e.g. "RidevCutter"
    const char* ippAttribute;  // e.g. "ridev-cutter"; null: PPD only
    const char* label;         // e.g. "Cutter"
    const ChoiceSpec* choices;
    std::size_t numChoices;
    std::size_t defaultChoice;  // index into choices
};

// Every option, in the order of the enum.
const OptionSpec* AllOptions();
std::size_t OptionCount();
// The option's entry.
const OptionSpec& Spec(Option option);

// The index of the choice whose PPD name is `name`, matched without regard
// to case as CUPS matches choices; the default choice for null or a name
// the option does not have.
std::size_t ChoiceByPpdName(const OptionSpec& spec, const char* name);
// The index of the choice whose IPP keyword is `keyword`; the default
// choice for null or a keyword the option does not have.
std::size_t ChoiceByKeyword(const OptionSpec& spec, const char* keyword);

// The commands a print head understands.
enum class Dialect {
    Escp,           // ESC/P: ESC * 33/39/40/41, ESC J in 1/180 inch, ESC $ in 1/60 inch
    ImpactReceipt,  // receipt and slip printers: ESC * 0/1, ESC J in 1/144, ESC $ in 1/80 inch
};

// A resolution, across and down, in dots per inch.
struct Resolution {
    int x;
    int y;
};

// One print head: a PPD model and a printer application driver.
struct HeadSpec {
    int pins;  // the PPDs' cupsModelNumber
    Dialect dialect;
    const char* driverName;         // the printer application's driver, e.g. "ridev24"
    const char* modelName;          // e.g. "ESC/P 24-Pin Dot Matrix"
    const Resolution* resolutions;  // highest first
    std::size_t numResolutions;
    std::size_t defaultResolution;  // index into resolutions
    // PWG size name of the medium a new printer has loaded; null: the sheet
    // size of the computer's locale (US Letter or A4).
    const char* loadedMedia;
};

// Every head: 24, 18 and 9 pins.
const HeadSpec* AllHeads();
std::size_t HeadCount();
// The head with that many pins, or null.
const HeadSpec* FindHead(int pins);

// One paper size of the PPDs.
struct MediaSpec {
    const char* pwgName;  // e.g. "oe_76mm-roll_3x11in"
    const char* ppdName;  // e.g. "3x11"
    const char* label;    // e.g. "Roll 3 in (76 mm), 11 in Pages"
};

// Every named paper size, in the PPDs' order: cut sheets, receipt rolls,
// continuous fan-fold forms.
const MediaSpec* AllMedia();
std::size_t MediaCount();

}  // namespace options

#endif
