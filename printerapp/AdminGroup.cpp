// SPDX-License-Identifier: Apache-2.0
// AdminGroup: the administrators' group, looked up in the machine's user
// and group databases.
#include "printerapp/AdminGroup.h"

#include <grp.h>
#include <pwd.h>

#include <cerrno>
#include <vector>

namespace {

// Largest number of groups looked at for one user.
constexpr int kMaxGroups = 256;

// Room for one user's or group's entry; a group with many members may need
// more, up to kMaxEntryBytes.
constexpr std::size_t kEntryBytes = 16384;
constexpr std::size_t kMaxEntryBytes = 1024 * 1024;

// The id of the group named `name`; kNoGroup when there is none.
gid_t GroupIdOf(const std::string& name)
{
    std::vector<char> buffer(kEntryBytes);
    for (;;) {
        struct group entry {};
        struct group* found = nullptr;
        const int error = getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < kMaxEntryBytes) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        return error == 0 && found != nullptr ? found->gr_gid : AdminGroup::kNoGroup;
    }
}

}  // namespace

// Keeps the name the system gives, if any.
AdminGroup::AdminGroup(pappl_system_t* system)
{
    char text[256];
    named = system != nullptr && papplSystemGetAdminGroup(system, text, sizeof text) != nullptr;
    if (named)
        name = text;
}

gid_t AdminGroup::Id() const
{
    return named ? GroupIdOf(name) : kNoGroup;
}

bool AdminGroup::IsMember(uid_t uid, gid_t gid)
{
    if (gid == kNoGroup)
        return false;
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(kEntryBytes);
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return false;
    if (found->pw_gid == gid)
        return true;
    std::vector<gid_t> groups(kMaxGroups);
    int count = kMaxGroups;
    if (getgrouplist(found->pw_name, found->pw_gid, groups.data(), &count) < 0)
        return false;
    for (int i = 0; i < count; ++i) {
        if (groups[static_cast<std::size_t>(i)] == gid)
            return true;
    }
    return false;
}
