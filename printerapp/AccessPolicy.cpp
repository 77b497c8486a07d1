// SPDX-License-Identifier: Apache-2.0
// AccessPolicy: administration for administrators, printing for everyone.
#include "printerapp/AccessPolicy.h"

#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "printerapp/AdminGroup.h"

namespace {

// True when the client talks through the local (domain) socket.
bool IsLocalSocket(pappl_client_t* client)
{
    return httpAddrFamily(httpGetAddress(papplClientGetHTTP(client))) == AF_LOCAL;
}

// The local peer's user id; false when the kernel does not say.
bool PeerUid(pappl_client_t* client, uid_t& uid)
{
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (getsockopt(httpGetFd(papplClientGetHTTP(client)), SOL_SOCKET, SO_PEERCRED, &credentials,
                   &size) != 0)
        return false;
    uid = credentials.uid;
    return true;
}

// The name of a local user, empty when unknown.
std::string UserName(uid_t uid)
{
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return std::string();
    return found->pw_name;
}

// The administrators' group of the client's server.
AdminGroup AdminsOf(pappl_client_t* client)
{
    return AdminGroup(papplClientGetSystem(client));
}

// True when the check is the one for administration.
bool IsAdministration(bool allowRemote, const char* group, const AdminGroup& admins)
{
    if (!allowRemote)
        return true;
    return group != nullptr && admins.IsNamed() && admins.Name() == group;
}

// Names the client for the owner checks of its jobs: the local peer's own
// name, or the name the request gives. A connection carries many requests,
// so the name is set again for each.
void NameRequester(pappl_client_t* client)
{
    papplClientSetUsername(client, nullptr);
    uid_t uid = 0;
    if (IsLocalSocket(client) && PeerUid(client, uid)) {
        const std::string name = UserName(uid);
        if (!name.empty())
            papplClientSetUsername(client, name.c_str());
        return;
    }
    ipp_t* request = papplClientGetRequest(client);
    ipp_attribute_t* user = request != nullptr
                                ? ippFindAttribute(request, "requesting-user-name", IPP_TAG_NAME)
                                : nullptr;
    if (const char* name = user != nullptr ? ippGetString(user, 0, nullptr) : nullptr)
        papplClientSetUsername(client, name);
}

// Answer for administration over the local socket.
http_status_t AuthorizeLocal(pappl_client_t* client, const AdminGroup& admins)
{
    uid_t uid = 0;
    if (!PeerUid(client, uid) || !AccessPolicy::LocalUserIsAdministrator(uid, admins.Id()))
        return HTTP_STATUS_FORBIDDEN;
    const std::string name = UserName(uid);
    papplClientSetUsername(client, name.empty() ? "root" : name.c_str());
    return HTTP_STATUS_CONTINUE;
}

// The user who submitted a job of the client's printer, empty if unknown.
std::string OwnerOf(pappl_client_t* client, int jobId)
{
    pappl_printer_t* printer = papplClientGetPrinter(client);
    pappl_job_t* job = printer != nullptr ? papplPrinterFindJob(printer, jobId) : nullptr;
    const char* owner = job != nullptr ? papplJobGetUsername(job) : nullptr;
    return owner != nullptr ? owner : "";
}

// True for the attributes that tell what a job is and whose it is.
bool IsPrivateJobValue(const char* name)
{
    static const char* const kPrivate[] = {"job-name", "job-originating-user-name",
                                           "document-name-supplied", "job-originating-host-name"};
    for (const char* privateName : kPrivate) {
        if (std::strcmp(name, privateName) == 0)
            return true;
    }
    return false;
}

// The user name of the request's Basic credentials, empty without them.
std::string BasicUser(pappl_client_t* client)
{
    const char* authorization = httpGetField(papplClientGetHTTP(client), HTTP_FIELD_AUTHORIZATION);
    if (authorization == nullptr || std::strncmp(authorization, "Basic ", 6) != 0)
        return std::string();
    char decoded[512];
    int size = sizeof decoded;
    httpDecode64_2(decoded, &size, authorization + 6);
    const std::string text(decoded, static_cast<std::size_t>(size > 0 ? size : 0));
    const std::size_t colon = text.find(':');
    return colon == std::string::npos ? std::string() : text.substr(0, colon);
}

// True when the named user administers the server.
bool NamedUserIsAdministrator(const std::string& name, gid_t adminGroup)
{
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr)
        return false;
    return AccessPolicy::LocalUserIsAdministrator(found->pw_uid, adminGroup);
}

// Answer for administration: over the local socket the peer's identity
// counts; over the network the user signs in and must be an administrator.
http_status_t AuthorizeAdministrator(pappl_client_t* client, const AdminGroup& admins,
                                     AccessPolicy::FrameworkCheck frameworkCheck)
{
    if (IsLocalSocket(client))
        return AuthorizeLocal(client, admins);
    // Without the group, signing in would make any user an administrator.
    const gid_t adminGroup = admins.Id();
    if (adminGroup == AdminGroup::kNoGroup)
        return HTTP_STATUS_FORBIDDEN;
    // The framework checks the password (and asks for encryption from
    // another host); its group check misses supplementary groups, so the
    // membership is checked here.
    const http_status_t signedIn = frameworkCheck(client, false, nullptr, adminGroup);
    if (signedIn != HTTP_STATUS_CONTINUE)
        return signedIn;
    const std::string user = BasicUser(client);
    if (user.empty() || !NamedUserIsAdministrator(user, adminGroup))
        return HTTP_STATUS_FORBIDDEN;
    papplClientSetUsername(client, user.c_str());
    return HTTP_STATUS_CONTINUE;
}

}  // namespace

bool AccessPolicy::LocalUserIsAdministrator(uid_t uid, gid_t adminGroup)
{
    return uid == 0 || uid == geteuid() || AdminGroup::IsMember(uid, adminGroup);
}

// The group the framework names (and its id) are not used: the
// administrators' group is the server's own setting.
http_status_t AccessPolicy::Authorize(pappl_client_t* client, bool allowRemote, const char* group,
                                      gid_t, FrameworkCheck frameworkCheck)
{
    const AdminGroup admins = AdminsOf(client);
    if (!IsAdministration(allowRemote, group, admins)) {
        NameRequester(client);
        return HTTP_STATUS_CONTINUE;
    }
    return AuthorizeAdministrator(client, admins, frameworkCheck);
}

bool AccessPolicy::IsAdministrator(pappl_client_t* client, FrameworkCheck frameworkCheck)
{
    const AdminGroup admins = AdminsOf(client);
    if (IsLocalSocket(client))
        return AuthorizeLocal(client, admins) == HTTP_STATUS_CONTINUE;
    const char* authorization = httpGetField(papplClientGetHTTP(client), HTTP_FIELD_AUTHORIZATION);
    if (authorization == nullptr || *authorization == '\0' || !admins.IsNamed())
        return false;
    return AuthorizeAdministrator(client, admins, frameworkCheck) == HTTP_STATUS_CONTINUE;
}

void AccessPolicy::HideOtherUsersJobs(pappl_client_t* client, FrameworkCheck frameworkCheck)
{
    ipp_t* response = papplClientGetResponse(client);
    if (response == nullptr || IsAdministrator(client, frameworkCheck))
        return;
    NameRequester(client);
    const char* requester = papplClientGetUsername(client);
    const std::string me = requester != nullptr ? requester : "";
    // Each job is one group of attributes; groups are split by a nameless
    // separator.
    std::vector<ipp_attribute_t*> attributes;
    for (ipp_attribute_t* attr = ippFirstAttribute(response); attr != nullptr;
         attr = ippNextAttribute(response))
        attributes.push_back(attr);
    std::vector<ipp_attribute_t*> hidden;
    std::size_t end = 0;
    for (std::size_t start = 0; start < attributes.size();
         start = end < attributes.size() && ippGetName(attributes[end]) == nullptr ? end + 1
                                                                                   : end) {
        // A group ends at a separator, or where the next group's tag starts.
        const ipp_tag_t tag = ippGetGroupTag(attributes[start]);
        for (end = start; end < attributes.size() && ippGetName(attributes[end]) != nullptr &&
                          ippGetGroupTag(attributes[end]) == tag;
             ++end) {
        }
        if (end == start || tag != IPP_TAG_JOB)
            continue;
        std::string owner;
        for (std::size_t i = start; i < end; ++i) {
            if (std::strcmp(ippGetName(attributes[i]), "job-id") == 0)
                owner = OwnerOf(client, ippGetInteger(attributes[i], 0));
        }
        if (!me.empty() && owner == me)
            continue;
        for (std::size_t i = start; i < end; ++i) {
            if (IsPrivateJobValue(ippGetName(attributes[i])))
                hidden.push_back(attributes[i]);
        }
    }
    for (ipp_attribute_t* attr : hidden)
        ippDeleteAttribute(response, attr);
}
