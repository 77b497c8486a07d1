// SPDX-License-Identifier: Apache-2.0
// AdminGroup: the administrators' group of the printer application (its
// `admin-group` setting, "lpadmin" unless set otherwise): the group's name,
// its id, and whether a local user belongs to it, as the user's primary
// group or one of its supplementary groups. The access rules and the
// server's local sockets all ask here, so they agree on who is in it.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_ADMINGROUP_H
#define RIDEVEDUDARUZO_PRINTERAPP_ADMINGROUP_H

#include <sys/types.h>

#include <string>

#include <pappl/pappl.h>

class AdminGroup {
public:
    // The id that stands for "no such group".
    static constexpr gid_t kNoGroup = static_cast<gid_t>(-1);

    // The group the system names as its administrators' group.
    explicit AdminGroup(pappl_system_t* system);

    // Whether the system names a group at all.
    bool IsNamed() const { return named; }
    // The group's name; empty when the system names none.
    const std::string& Name() const { return name; }

    // The group's id, looked up now; kNoGroup when the system names no
    // group or the machine has no group of that name.
    gid_t Id() const;

    // True when the local user `uid` is a member of the group (looked up
    // now).
    bool HasMember(uid_t uid) const { return IsMember(uid, Id()); }

    // True when the local user `uid` is a member of the group `gid`: it is
    // the user's primary group or one of its supplementary groups. False
    // for kNoGroup and for unknown users.
    static bool IsMember(uid_t uid, gid_t gid);

private:
    bool named = false;
    std::string name;
};

#endif
