// SPDX-License-Identifier: Apache-2.0
// The column-byte paths of the encoder for the tests: each test that
// compares page bodies runs once per path, under a scope that makes the
// process use that path (and skips a path this machine cannot take).
#ifndef RIDEVEDUDARUZO_TESTS_ESCP_COLUMNPATHS_H
#define RIDEVEDUDARUZO_TESTS_ESCP_COLUMNPATHS_H

#include <gtest/gtest.h>

#include <string>

#include "escp/BandColumns.h"

namespace escptest {

using ColumnPath = BandColumns::Path;

// Every path, for INSTANTIATE_TEST_SUITE_P.
inline auto AllColumnPaths()
{
    return testing::Values(ColumnPath::kPortable, ColumnPath::kSse2, ColumnPath::kAvx2);
}

// Test name suffix of a path.
inline std::string ColumnPathName(const testing::TestParamInfo<ColumnPath>& info)
{
    switch (info.param) {
    case ColumnPath::kPortable:
        return "Portable";
    case ColumnPath::kSse2:
        return "Sse2";
    case ColumnPath::kAvx2:
        return "Avx2";
    }
    return "Unknown";
}

// Makes the process use a path while it lives; Taken() is false when the
// path is not available here.
class ScopedColumnPath {
public:
    explicit ScopedColumnPath(ColumnPath path)
        : saved(BandColumns::CurrentPath()),
          taken(BandColumns::UsePath(path))
    {
    }
    ~ScopedColumnPath() { BandColumns::UsePath(saved); }
    ScopedColumnPath(const ScopedColumnPath&) = delete;
    ScopedColumnPath& operator=(const ScopedColumnPath&) = delete;

    bool Taken() const { return taken; }

private:
    ColumnPath saved;
    bool taken;
};

// Fixture of a test that runs once per path: the process uses the path for
// the test's duration, and the test is skipped where the path is not
// available. Before and after the test it asserts that the inner loops in
// use are the path's own table.
class ColumnPathTest : public testing::TestWithParam<ColumnPath> {
protected:
    void SetUp() override
    {
        if (!path.Taken()) {
            GTEST_SKIP() << "this machine cannot take the path";
        }
        ASSERT_EQ(&ColumnKernels::Current(), ColumnKernels::ForPath(GetParam()));
    }
    void TearDown() override
    {
        if (path.Taken()) {
            EXPECT_EQ(&ColumnKernels::Current(), ColumnKernels::ForPath(GetParam()))
                << "the test ended on another path";
        }
    }

private:
    ScopedColumnPath path{GetParam()};
};

}  // namespace escptest

#endif
