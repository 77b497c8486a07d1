// SPDX-License-Identifier: Apache-2.0
// Which driver the printer application picks for a printer found on USB,
// from the IEEE 1284 device ID the printer reports.
#include <gtest/gtest.h>

#include <string>

#include "printerapp/Drivers.h"

namespace {

struct DeviceCase {
    const char* deviceId;
    const char* driver;  // nullptr: not one of ours
};

const DeviceCase kDevices[] = {
    {"MFG:EPSON;CMD:ESCP24J-84,ESCPAGE-04,PRPXL24-01;MDL:LQ-590;CLS:PRINTER;", "ridev24"},
    {"MFG:EPSON;CMD:ESCP9,PRPXL24;MDL:FX-890;", "ridev9"},
    {"MANUFACTURER:Generic;COMMAND SET:ESCP18;MODEL:Dot Matrix;", "ridev18"},
    {"MFG:EPSON;CMD:ESCPL2,BDC;MDL:LX-350;", "ridev9"},
    {"MFG:EPSON;MDL:DLQ-3500;", "ridev24"},
    {"MFG:EPSON;CMD:ESCPL2,BDC,D4;MDL:Stylus Photo R300;", nullptr},
    {"MFG:HP;CMD:PCL,PJL;MDL:LaserJet 4;", nullptr},
    {"", nullptr},
};

TEST(DriverChoice, FollowsCommandSetAndModel)
{
    for (const DeviceCase& device : kDevices) {
        SCOPED_TRACE(device.deviceId);
        const char* driver = Drivers::ForDevice("", "usb://x", device.deviceId, nullptr);
        if (device.driver == nullptr)
            EXPECT_EQ(driver, nullptr);
        else
            EXPECT_STREQ(driver, device.driver);
    }
}

TEST(DriverChoice, NoDeviceIdNoDriver)
{
    EXPECT_EQ(Drivers::ForDevice("", "usb://x", nullptr, nullptr), nullptr);
}

}  // namespace
