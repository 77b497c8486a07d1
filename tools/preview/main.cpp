// SPDX-License-Identifier: Apache-2.0
// ridevedudaruzo-preview: renders an ESC/P printer stream to PNG pages.
#include <iostream>
#include <string>
#include <vector>

#include "tools/preview/Preview.h"

// Hands the arguments to the preview and returns its status.
int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return preview::RunPreview(args, std::cout, std::cerr);
}
