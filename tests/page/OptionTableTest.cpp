// SPDX-License-Identifier: Apache-2.0
// The PPDs the project ships, opened with libcups, against the option
// table that the filter and the printer application read: every option,
// choice, label and default, and every head's model number and
// resolutions, must be the same on both sides.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <cups/ppd.h>

#include "page/OptionTable.h"

// libcups marks its PPD functions deprecated; the test reads the PPDs as
// the print system does.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

// The shipped PPD of a head, opened; closed when the object goes.
class ShippedPpd {
public:
    explicit ShippedPpd(const options::HeadSpec& head)
        : path(std::string(RIDEV_MODEL_PPD_DIR) + "/" + head.driverName + ".ppd"),
          ppd(ppdOpenFile(path.c_str()))
    {
    }
    ~ShippedPpd()
    {
        if (ppd != nullptr)
            ppdClose(ppd);
    }
    ShippedPpd(const ShippedPpd&) = delete;
    ShippedPpd& operator=(const ShippedPpd&) = delete;

    const std::string path;
    ppd_file_t* const ppd;
};

// A PPD resolution choice name ("360x180dpi", or "180dpi" for a square one)
// as a resolution; {0, 0} when it is neither.
options::Resolution ParseResolution(const char* name)
{
    int x = 0, y = 0;
    char rest[8] = "";
    if (std::sscanf(name, "%dx%d%7s", &x, &y, rest) == 3 && std::strcmp(rest, "dpi") == 0)
        return {x, y};
    if (std::sscanf(name, "%d%7s", &x, rest) == 2 && std::strcmp(rest, "dpi") == 0)
        return {x, x};
    return {0, 0};
}

TEST(OptionTable, EachShippedPpdHasTheHeadsModelAndResolutions)
{
    for (std::size_t h = 0; h < options::HeadCount(); ++h) {
        const options::HeadSpec& head = options::AllHeads()[h];
        SCOPED_TRACE(head.driverName);
        const ShippedPpd shipped(head);
        ASSERT_NE(shipped.ppd, nullptr) << shipped.path;
        EXPECT_EQ(shipped.ppd->model_number, head.pins);
        // ppdc puts the manufacturer before the model name.
        EXPECT_EQ(std::string(shipped.ppd->modelname), std::string("Generic ") + head.modelName);

        const ppd_option_t* resolution = ppdFindOption(shipped.ppd, "Resolution");
        ASSERT_NE(resolution, nullptr);
        ASSERT_EQ(static_cast<std::size_t>(resolution->num_choices), head.numResolutions);
        for (std::size_t r = 0; r < head.numResolutions; ++r) {
            const ppd_choice_t& choice = resolution->choices[r];
            SCOPED_TRACE(choice.choice);
            const options::Resolution parsed = ParseResolution(choice.choice);
            EXPECT_EQ(parsed.x, head.resolutions[r].x);
            EXPECT_EQ(parsed.y, head.resolutions[r].y);
            const std::string label = std::to_string(head.resolutions[r].x) + " x " +
                                      std::to_string(head.resolutions[r].y) + " DPI";
            EXPECT_EQ(label, choice.text);
        }
        const options::Resolution byDefault = ParseResolution(resolution->defchoice);
        EXPECT_EQ(byDefault.x, head.resolutions[head.defaultResolution].x);
        EXPECT_EQ(byDefault.y, head.resolutions[head.defaultResolution].y);
    }
}

TEST(OptionTable, EachShippedPpdHasTheTablesOptionsChoicesLabelsAndDefaults)
{
    for (std::size_t h = 0; h < options::HeadCount(); ++h) {
        const options::HeadSpec& head = options::AllHeads()[h];
        SCOPED_TRACE(head.driverName);
        const ShippedPpd shipped(head);
        ASSERT_NE(shipped.ppd, nullptr) << shipped.path;

        for (std::size_t i = 0; i < options::OptionCount(); ++i) {
            const options::OptionSpec& spec = options::AllOptions()[i];
            SCOPED_TRACE(spec.ppdKeyword);
            const ppd_option_t* option = ppdFindOption(shipped.ppd, spec.ppdKeyword);
            ASSERT_NE(option, nullptr);
            EXPECT_STREQ(option->text, spec.label);
            EXPECT_STREQ(option->defchoice, spec.choices[spec.defaultChoice].ppdName);
            ASSERT_EQ(static_cast<std::size_t>(option->num_choices), spec.numChoices);
            for (std::size_t c = 0; c < spec.numChoices; ++c) {
                EXPECT_STREQ(option->choices[c].choice, spec.choices[c].ppdName);
                EXPECT_STREQ(option->choices[c].text, spec.choices[c].label);
            }
        }

        // And the PPD has no option of the filter's that the table lacks.
        for (ppd_option_t* option = ppdFirstOption(shipped.ppd); option != nullptr;
             option = ppdNextOption(shipped.ppd)) {
            if (std::strncmp(option->keyword, "Ridev", 5) != 0)
                continue;
            bool inTable = false;
            for (std::size_t i = 0; i < options::OptionCount(); ++i)
                inTable = inTable ||
                          std::strcmp(options::AllOptions()[i].ppdKeyword, option->keyword) == 0;
            EXPECT_TRUE(inTable) << option->keyword << " is not in the option table";
        }
    }
}

// The printer application offers the PPDs' paper sizes under PWG names:
// each must name the PPD's size, the right way round, with its label.
TEST(OptionTable, EachShippedPpdHasTheTablesMediaSizesAndLabels)
{
    constexpr double kPointsPerHundredthMm = 72.0 / 2540.0;
    for (std::size_t h = 0; h < options::HeadCount(); ++h) {
        const options::HeadSpec& head = options::AllHeads()[h];
        SCOPED_TRACE(head.driverName);
        const ShippedPpd shipped(head);
        ASSERT_NE(shipped.ppd, nullptr) << shipped.path;
        ASSERT_EQ(static_cast<std::size_t>(shipped.ppd->num_sizes), options::MediaCount() + 1)
            << "the named sizes and the custom size";

        for (std::size_t m = 0; m < options::MediaCount(); ++m) {
            const options::MediaSpec& media = options::AllMedia()[m];
            SCOPED_TRACE(media.pwgName);
            const ppd_size_t* size = ppdPageSize(shipped.ppd, media.ppdName);
            ASSERT_NE(size, nullptr);
            const pwg_media_t* pwg = pwgMediaForPWG(media.pwgName);
            ASSERT_NE(pwg, nullptr);
            EXPECT_NEAR(size->width, pwg->width * kPointsPerHundredthMm, 1.0);
            EXPECT_NEAR(size->length, pwg->length * kPointsPerHundredthMm, 1.0);
            ppd_option_t* pageSize = ppdFindOption(shipped.ppd, "PageSize");
            ASSERT_NE(pageSize, nullptr);
            const ppd_choice_t* choice = ppdFindChoice(pageSize, media.ppdName);
            ASSERT_NE(choice, nullptr);
            EXPECT_STREQ(choice->text, media.label);
        }
        if (head.loadedMedia != nullptr) {
            bool known = false;
            for (std::size_t m = 0; m < options::MediaCount(); ++m)
                known = known || std::strcmp(options::AllMedia()[m].pwgName, head.loadedMedia) == 0;
            EXPECT_TRUE(known) << head.loadedMedia;
        }
    }
}

// Every IPP keyword is unique within its option, so a job attribute names
// one choice.
TEST(OptionTable, KeywordsNameOneChoiceEach)
{
    for (std::size_t i = 0; i < options::OptionCount(); ++i) {
        const options::OptionSpec& spec = options::AllOptions()[i];
        SCOPED_TRACE(spec.ppdKeyword);
        EXPECT_EQ(static_cast<std::size_t>(spec.option), i);
        for (std::size_t c = 0; c < spec.numChoices; ++c) {
            EXPECT_EQ(options::ChoiceByPpdName(spec, spec.choices[c].ppdName), c);
            if (spec.ippAttribute != nullptr) {
                EXPECT_EQ(options::ChoiceByKeyword(spec, spec.choices[c].ippKeyword), c);
            }
        }
    }
}

}  // namespace

#pragma GCC diagnostic pop
