// SPDX-License-Identifier: Apache-2.0
// TempDir: temporary test folders.
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace testsupport {

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/ridev-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr)
        path_ = buffer.data();
}

TempDir::~TempDir()
{
    if (!path_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
}

std::string TempDir::WriteFile(const std::string& name, const std::string& text) const
{
    const std::string path = File(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

}  // namespace testsupport
