// SPDX-License-Identifier: Apache-2.0
// Replays a fuzz target's corpus without the fuzzing engine: every regular
// file in the folders (or the files) named on the command line is handed to
// LLVMFuzzerTestOneInput once. A crash or sanitizer report fails the run;
// an empty corpus is an error too, so a mistyped path cannot pass silently.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// Reads a whole file into bytes; false when it cannot be read.
bool ReadFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The files to replay: each named file, and the regular files of each named
// folder in name order.
std::vector<std::filesystem::path> CorpusFiles(int argc, char* argv[])
{
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        if (!std::filesystem::is_directory(arg)) {
            files.push_back(arg);
            continue;
        }
        std::vector<std::filesystem::path> inFolder;
        for (const auto& entry : std::filesystem::directory_iterator(arg))
            if (entry.is_regular_file())
                inFolder.push_back(entry.path());
        std::sort(inFolder.begin(), inFolder.end());
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return files;
}

}  // namespace

// Runs every corpus file through the target; 1 when none or one is unreadable.
int main(int argc, char* argv[])
{
    const std::vector<std::filesystem::path> files = CorpusFiles(argc, argv);
    if (files.empty()) {
        fprintf(stderr, "no corpus files given\n");
        return 1;
    }
    for (const auto& file : files) {
        std::vector<std::uint8_t> bytes;
        if (!ReadFile(file, bytes)) {
            fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
        fprintf(stderr, "replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
        // An empty vector has no data(); the engine passes a valid pointer.
        static const std::uint8_t kNothing = 0;
        LLVMFuzzerTestOneInput(bytes.empty() ? &kNothing : bytes.data(), bytes.size());
    }
    fprintf(stderr, "%zu inputs replayed\n", files.size());
    return 0;
}
