// SPDX-License-Identifier: Apache-2.0
// TempDir: a private temporary folder for one test, removed with all its
// files when the object goes away.
#ifndef RIDEVEDUDARUZO_TESTS_SUPPORT_TEMPDIR_H
#define RIDEVEDUDARUZO_TESTS_SUPPORT_TEMPDIR_H

#include <string>

namespace testsupport {

class TempDir {
public:
    // Creates a new empty folder under $TMPDIR (or /tmp).
    TempDir();
    // Removes the folder and everything in it.
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path.
    const std::string& Path() const { return path_; }
    // The path of a file named `name` inside the folder.
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Writes `text` to the file `name` inside the folder; returns its path.
    std::string WriteFile(const std::string& name, const std::string& text) const;

private:
    std::string path_;
};

}  // namespace testsupport

#endif
