// SPDX-License-Identifier: Apache-2.0
// JobChoices: the PPD's marked choices turned into the job's choices.
#include "filter/JobChoices.h"

#include <string>

#include "filter/PpdFile.h"

MediaOptions ReadJobChoices(const PpdFile& ppd, int numOptions, cups_option_t* options)
{
    MediaOptions choices;
    for (std::size_t i = 0; i < options::OptionCount(); ++i) {
        const options::OptionSpec& spec = options::AllOptions()[i];
        const std::string marked =
            ppd.HasOption(spec.ppdKeyword) ? ppd.MarkedChoice(spec.ppdKeyword) : std::string();
        const char* value = ppd.HasOption(spec.ppdKeyword)
                                ? marked.c_str()
                                : cupsGetOption(spec.ppdKeyword, numOptions, options);
        choices.Set(spec.option, options::ChoiceByPpdName(spec, value));
    }
    return choices;
}
