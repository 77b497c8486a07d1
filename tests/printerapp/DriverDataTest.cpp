// SPDX-License-Identifier: Apache-2.0
// What each driver tells the framework about its printers (resolutions in
// the order that gives draft, normal and high quality their meaning and
// Apple raster clients square resolutions, the medium a new printer has
// loaded, the paper sizes), and the resolution a rendered job prints at,
// from its attributes and the printer's defaults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "printerapp/Drivers.h"
#include "printerapp/PrintResolution.h"

namespace {

// A driver's data as a new printer gets it; freed with the object.
class DriverData {
public:
    explicit DriverData(const char* driverName)
    {
        std::memset(&data, 0, sizeof data);
        configured = Drivers::Configure(nullptr, driverName, "file:///dev/null", "", &data,
                                        &attributes, nullptr);
    }
    ~DriverData() { ippDelete(attributes); }
    DriverData(const DriverData&) = delete;
    DriverData& operator=(const DriverData&) = delete;

    // The resolution at index i of the driver's list.
    options::Resolution At(int i) const { return {data.x_resolution[i], data.y_resolution[i]}; }

    bool configured = false;
    pappl_pr_driver_data_t data;
    ipp_t* attributes = nullptr;
};

struct HeadCase {
    const char* driver;
    std::vector<options::Resolution> resolutions;  // as listed to the framework
    options::Resolution byDefault;
    const char* loaded;  // null: the locale's sheet size
};

const HeadCase kHeads[] = {
    {"ridev24", {{120, 180}, {360, 180}, {180, 180}, {360, 360}}, {180, 180}, nullptr},
    {"ridev18", {{120, 180}, {360, 180}, {180, 180}, {360, 360}}, {180, 180}, nullptr},
    {"ridev9", {{80, 72}, {160, 72}, {160, 144}}, {160, 72}, "oe_76mm-roll_3x11in"},
};

TEST(DriverData, ResolutionsForDraftNormalHighAndTheHeadsLoadedMedium)
{
    for (const HeadCase& head : kHeads) {
        SCOPED_TRACE(head.driver);
        const DriverData driver(head.driver);
        ASSERT_TRUE(driver.configured);
        ASSERT_EQ(driver.data.num_resolution, static_cast<int>(head.resolutions.size()));
        for (int i = 0; i < driver.data.num_resolution; ++i) {
            EXPECT_EQ(driver.At(i).x, head.resolutions[i].x) << i;
            EXPECT_EQ(driver.At(i).y, head.resolutions[i].y) << i;
        }
        EXPECT_EQ(driver.data.x_default, head.byDefault.x);
        EXPECT_EQ(driver.data.y_default, head.byDefault.y);

        const std::string loaded =
            head.loaded != nullptr ? head.loaded : papplLocGetDefaultMediaSizeName();
        EXPECT_EQ(driver.data.media_default.size_name, loaded);
        EXPECT_EQ(driver.data.media_ready[0].size_name, loaded);
        const pwg_media_t* size = pwgMediaForPWG(loaded.c_str());
        ASSERT_NE(size, nullptr);
        EXPECT_EQ(driver.data.media_default.size_width, size->width);
        EXPECT_EQ(driver.data.media_default.size_length, size->length);
    }
}

TEST(DriverData, UsFanFoldIsWiderThanLong)
{
    const DriverData driver("ridev24");
    ASSERT_TRUE(driver.configured);
    std::vector<std::string> media(driver.data.media, driver.data.media + driver.data.num_media);
    for (const std::string& name : media) {
        SCOPED_TRACE(name);
        EXPECT_NE(name, "na_fanfold-us_11x14.875in");
        EXPECT_NE(pwgMediaForPWG(name.c_str()), nullptr);
    }
    const pwg_media_t* fanFold = pwgMediaForPWG("oe_us-fanfold_14.875x11in");
    ASSERT_NE(fanFold, nullptr);
    EXPECT_EQ(fanFold->width, 37782);
    EXPECT_EQ(fanFold->length, 27940);
    EXPECT_NE(std::find(media.begin(), media.end(), "oe_us-fanfold_14.875x11in"), media.end());
}

struct ResolutionCase {
    const char* name;
    const char* driver;
    options::Resolution printerDefault;  // {0, 0}: the driver's own
    options::Resolution requested;
    ipp_quality_t quality;
    options::Resolution expected;
};

const ResolutionCase kResolutions[] = {
    {"normal is the default", "ridev24", {0, 0}, {0, 0}, IPP_QUALITY_NORMAL, {180, 180}},
    {"draft is the lowest", "ridev24", {0, 0}, {0, 0}, IPP_QUALITY_DRAFT, {120, 180}},
    {"high is the highest", "ridev24", {0, 0}, {0, 0}, IPP_QUALITY_HIGH, {360, 360}},
    {"normal follows the printer's default",
     "ridev24",
     {360, 360},
     {0, 0},
     IPP_QUALITY_NORMAL,
     {360, 360}},
    {"draft whatever the default", "ridev24", {360, 360}, {0, 0}, IPP_QUALITY_DRAFT, {120, 180}},
    {"the job's resolution first",
     "ridev24",
     {360, 360},
     {360, 180},
     IPP_QUALITY_DRAFT,
     {360, 180}},
    {"9 pins: normal", "ridev9", {0, 0}, {0, 0}, IPP_QUALITY_NORMAL, {160, 72}},
    {"9 pins: draft", "ridev9", {0, 0}, {0, 0}, IPP_QUALITY_DRAFT, {80, 72}},
    {"9 pins: high", "ridev9", {0, 0}, {0, 0}, IPP_QUALITY_HIGH, {160, 144}},
};

TEST(PrintResolution, FromTheJobThenItsQualityThenThePrintersDefault)
{
    for (const ResolutionCase& test : kResolutions) {
        SCOPED_TRACE(test.name);
        DriverData driver(test.driver);
        ASSERT_TRUE(driver.configured);
        if (test.printerDefault.x != 0) {
            driver.data.x_default = test.printerDefault.x;
            driver.data.y_default = test.printerDefault.y;
        }
        const options::Resolution chosen =
            PrintResolution::Choose(test.requested, test.quality, driver.data);
        EXPECT_EQ(chosen.x, test.expected.x);
        EXPECT_EQ(chosen.y, test.expected.y);
    }
}

}  // namespace
