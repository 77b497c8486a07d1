// SPDX-License-Identifier: Apache-2.0
// AccessPolicy: who may do what on the printer application.
//   - Printing, and a user's own jobs, are open to every client that can
//     reach the server (the network the administrator chose to listen on).
//   - Administration (printers, defaults, media, shutdown) needs a member
//     of the administrators' group (default "lpadmin") or root: over the
//     local socket the peer's own identity counts; over the network the
//     user signs in (HTTP Basic through PAM), and a client on another host
//     must use an encrypted connection.
//   - Another user's job can be cancelled, and its name and owner seen,
//     by an administrator only.
// The framework asks one function whether a client may act; that question
// is answered here.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_ACCESSPOLICY_H
#define RIDEVEDUDARUZO_PRINTERAPP_ACCESSPOLICY_H

#include <sys/types.h>

#include <string>

#include <pappl/pappl.h>

class AccessPolicy {
public:
    // The framework's own check: answers HTTP_STATUS_CONTINUE when the
    // client may act, or the status to answer with.
    using FrameworkCheck = http_status_t (*)(pappl_client_t* client, bool allowRemote,
                                             const char* group, gid_t groupId);

    // Whether the client may act; `group` is the group the action needs
    // (the administrators' group for administration). `frameworkCheck`
    // does the sign-in of network clients.
    static http_status_t Authorize(pappl_client_t* client, bool allowRemote, const char* group,
                                   gid_t groupId, FrameworkCheck frameworkCheck);

    // True when the client is an administrator (without asking it to sign
    // in).
    static bool IsAdministrator(pappl_client_t* client, FrameworkCheck frameworkCheck);

    // Removes the names and owners of other users' jobs from a job list or
    // job's attributes answered to a client that is not an administrator.
    static void HideOtherUsersJobs(pappl_client_t* client, FrameworkCheck frameworkCheck);

    // True when a local user may administer the server: root, the user the
    // server runs as, or a member of `adminGroup`.
    static bool LocalUserIsAdministrator(uid_t uid, gid_t adminGroup);
};

#endif
