// SPDX-License-Identifier: Apache-2.0
// TestFilter: paths fixed at build time and the usual filter run.
#include "tests/support/TestFilter.h"

namespace testsupport {

std::string FilterPath()
{
    return RIDEV_FILTER_PATH;
}

std::string TestPpdPath(int pins)
{
    return std::string(RIDEV_TEST_PPD_DIR) + "/ridev-test-" + std::to_string(pins) + "pin.ppd";
}

std::string ModelPpdPath(int pins)
{
    return std::string(RIDEV_MODEL_PPD_DIR) + "/ridev" + std::to_string(pins) + ".ppd";
}

std::vector<std::string> FilterArgs(const std::string& options, const std::string& rasterFile)
{
    std::vector<std::string> args{"1", "user", "title", "1", options};
    if (!rasterFile.empty())
        args.push_back(rasterFile);
    return args;
}

FilterRun FilterJob(const std::string& ppdPath, const std::vector<unsigned char>& raster,
                    const std::string& options)
{
    FilterRun run;
    run.executable = FilterPath();
    run.args = FilterArgs(options);
    run.env = {{"PPD", ppdPath}};
    run.input = {InputPiece{raster, ""}};
    return run;
}

}  // namespace testsupport
