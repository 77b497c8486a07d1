// SPDX-License-Identifier: Apache-2.0
// The printer application's safety rules that need no running server: the
// state file's interrupted jobs, the checks of job requests, which local
// users administer the server (and the administrators' group it names),
// and where file: devices may write.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "printerapp/AccessPolicy.h"
#include "printerapp/AdminGroup.h"
#include "printerapp/FileDevice.h"
#include "printerapp/RequestCheck.h"
#include "printerapp/ServerLifecycle.h"
#include "printerapp/StateFile.h"

namespace {

struct StateCase {
    const char* line;
    const char* expected;  // the line after loading
    std::vector<int> interrupted;
};

const StateCase kStates[] = {
    {"Job id=\"4\" name=\"a\" state=\"5\" username=\"e2e\"",
     "Job id=\"4\" name=\"a\" state=\"8\" username=\"e2e\" state_reasons=\"1\"",
     {4}},
    {"Job id=7 name=b state=5 state_reasons=32", "Job id=7 name=b state=8 state_reasons=33", {7}},
    {"Job id=\"8\" name=\"c\" state=\"3\"", "Job id=\"8\" name=\"c\" state=\"3\"", {}},
    {"Job id=\"9\" name=\"d\" state=\"55\"", "Job id=\"9\" name=\"d\" state=\"55\"", {}},
    {"Printer id=\"1\" name=\"p\" state=\"5\"", "Printer id=\"1\" name=\"p\" state=\"5\"", {}},
};

TEST(StateFile, JobsThatWerePrintingLoadAsAborted)
{
    static_assert(PAPPL_JREASON_ABORTED_BY_SYSTEM == 1, "the table's reason bits");
    for (const StateCase& state : kStates) {
        std::vector<int> interrupted;
        const std::string text = std::string("DNSSDName x\n") + state.line + "\nEnd\n";
        EXPECT_EQ(StateFile::AbortInterruptedJobs(text, interrupted),
                  std::string("DNSSDName x\n") + state.expected + "\nEnd\n")
            << state.line;
        EXPECT_EQ(interrupted, state.interrupted) << state.line;
    }
}

// A Print-Job request with one job attribute added by `add`.
template <typename Add>
ipp_t* PrintJobWith(Add add)
{
    ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
                 "ipp://localhost/ipp/print/p");
    add(request);
    return request;
}

TEST(RequestCheck, RefusesBadTextAndWrongPrinterAttributes)
{
    struct Case {
        const char* what;
        ipp_t* request;
        ipp_status_t status;
    };
    const Case cases[] = {
        {"a plain request", PrintJobWith([](ipp_t* r) {
             ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, "Invoice");
             ippAddString(r, IPP_TAG_JOB, IPP_TAG_KEYWORD, "ridev-cutter", nullptr, "after-page");
         }),
         IPP_STATUS_OK},
        {"a job name that is not UTF-8", PrintJobWith([](ipp_t* r) {
             ippAddString(r, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, "bad \xff\xfe");
         }),
         IPP_STATUS_ERROR_BAD_REQUEST},
        {"a printer attribute as a number", PrintJobWith([](ipp_t* r) {
             ippAddInteger(r, IPP_TAG_JOB, IPP_TAG_INTEGER, "ridev-cutter", 5);
         }),
         IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES},
        {"a keyword the attribute does not have", PrintJobWith([](ipp_t* r) {
             ippAddString(r, IPP_TAG_JOB, IPP_TAG_KEYWORD, "ridev-cutter", nullptr, "sideways");
         }),
         IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES},
        {"two keywords", PrintJobWith([](ipp_t* r) {
             const char* const both[] = {"none", "after-page"};
             ippAddStrings(r, IPP_TAG_JOB, IPP_TAG_KEYWORD, "ridev-cutter", 2, nullptr, both);
         }),
         IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES},
    };
    for (const Case& test : cases) {
        const RequestCheck::Problem problem = RequestCheck::Find(test.request);
        EXPECT_EQ(problem.status, test.status) << test.what << ": " << problem.message;
        if (test.status != IPP_STATUS_OK) {
            EXPECT_NE(problem.attribute, nullptr) << test.what;
        }
        ippDelete(test.request);
    }
}

TEST(AccessPolicy, LocalAdministratorsAreRootTheServerAndTheGroup)
{
    EXPECT_TRUE(AccessPolicy::LocalUserIsAdministrator(0, static_cast<gid_t>(-1)));
    EXPECT_TRUE(AccessPolicy::LocalUserIsAdministrator(geteuid(), static_cast<gid_t>(-1)));
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr || nobody->pw_uid == geteuid())
        GTEST_SKIP() << "needs a user nobody other than the one running the test";
    EXPECT_FALSE(AccessPolicy::LocalUserIsAdministrator(nobody->pw_uid, static_cast<gid_t>(-1)));
    EXPECT_FALSE(AccessPolicy::LocalUserIsAdministrator(nobody->pw_uid, 0));
    EXPECT_TRUE(AccessPolicy::LocalUserIsAdministrator(nobody->pw_uid, nobody->pw_gid));
}

TEST(AdminGroup, TheGroupTheServerNames)
{
    // The system's spool folder is made by the framework; it is the test's.
    const std::filesystem::path spool =
        std::filesystem::temp_directory_path() / ("ridev-admins-" + std::to_string(getpid()));
    pappl_system_t* system =
        papplSystemCreate(PAPPL_SOPTIONS_NONE, "ridev-test", 0, nullptr, spool.c_str(), "-",
                          PAPPL_LOGLEVEL_FATAL, nullptr, false);
    ASSERT_NE(system, nullptr);
    struct Case {
        const char* setting;  // null: the server names no group
        gid_t id;
        bool rootIsMember;  // root's primary group is group 0
    };
    const Case cases[] = {
        {nullptr, AdminGroup::kNoGroup, false},
        {"root", 0, true},
        {"ridev-no-such-group", AdminGroup::kNoGroup, false},
    };
    for (const Case& test : cases) {
        papplSystemSetAdminGroup(system, test.setting);
        const AdminGroup admins(system);
        const char* what = test.setting != nullptr ? test.setting : "(none)";
        EXPECT_EQ(admins.IsNamed(), test.setting != nullptr) << what;
        EXPECT_EQ(admins.Name(), test.setting != nullptr ? test.setting : "") << what;
        EXPECT_EQ(admins.Id(), test.id) << what;
        EXPECT_EQ(admins.HasMember(0), test.rootIsMember) << what;
    }
    papplSystemDelete(system);
    std::filesystem::remove_all(spool);
}

TEST(FileDevice, WritesOnlyInsideItsFolder)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("ridev-devices-" + std::to_string(getpid()));
    std::string why;
    ASSERT_TRUE(FileDevice::SetFolder(folder.string(), why)) << why;
    const std::string inside = "file://" + folder.string();
    struct Case {
        std::string uri;
        bool allowed;
    };
    const Case cases[] = {
        {inside, true},
        {inside + "/receipts", true},
        {inside + "/a/b.prn", true},
        {inside + "/../etc", false},
        {inside + "/./x", false},
        {inside + "//x", false},
        {inside + "x/job.prn", false},
        {"file:///etc/profile.d/x.sh", false},
        {"file:///dev/lp0", false},
        {"usb://EPSON/LQ-590?serial=1", true},
        {"socket://192.0.2.1:9100", true},
    };
    for (const Case& test : cases) {
        why.clear();
        EXPECT_EQ(FileDevice::Allows(test.uri.c_str(), why), test.allowed) << test.uri;
        EXPECT_EQ(why, test.allowed ? ""
                                    : "file: devices may only write inside \"" +
                                          std::filesystem::canonical(folder).string() + "\"")
            << test.uri;
    }
    EXPECT_FALSE(FileDevice::SetFolder("relative/folder", why));
    std::filesystem::remove_all(folder);
}

TEST(ServerLifecycle, PausedPrintersFileKeepsOnlyPrinterIds)
{
    EXPECT_EQ(ServerLifecycle::ParsePaused("3\n1\n3\n"), (std::set<int>{1, 3}));
    EXPECT_EQ(ServerLifecycle::ParsePaused("0\n-2\nx\n4 \n2147483648\n\n7"), (std::set<int>{7}));
    EXPECT_EQ(ServerLifecycle::FormatPaused({2, 9}), "2\n9\n");
    EXPECT_EQ(ServerLifecycle::ParsePaused(ServerLifecycle::FormatPaused({5, 6})),
              (std::set<int>{5, 6}));
}

}  // namespace
