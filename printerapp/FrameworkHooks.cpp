// SPDX-License-Identifier: Apache-2.0
// FrameworkHooks: the framework's own entry points that this program puts
// its rules in front of. The framework (PAPPL 1.3) calls these functions
// through its dynamic symbol table, so the definitions here, exported by
// the program, are the ones it runs; each does its part and then calls the
// framework's definition, found as the next one in lookup order.
//   _papplJobProcess                  a queued job's thread: one job at a
//                                     time per printer, each job once
//   _papplJobCopyDocumentData         a job's document arriving with its
//                                     request (raster is printed while it
//                                     streams): the same gate
//   _papplClientIsAuthorizedForGroup  who may do what (AccessPolicy)
//   _papplPrinterProcessIPP,
//   _papplJobProcessIPP               requests checked before the
//                                     framework acts, job lists trimmed
//                                     for non-administrators
//   _papplJobFilterPNG,
//   _papplJobFilterJPEG               images checked (ImageCheck) before
//                                     the framework decodes them
// Only built into the program, never into the tests' library.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <pappl/pappl.h>

#include "printerapp/AccessPolicy.h"
#include "printerapp/ImageCheck.h"
#include "printerapp/JobGate.h"
#include "printerapp/RequestCheck.h"

namespace {

// The framework's definition of `name`, the next after this program's.
template <typename Function>
Function* FrameworkDefinition(const char* name)
{
    void* found = dlsym(RTLD_NEXT, name);
    if (found == nullptr) {
        std::fprintf(stderr, "ridevedudaruzo-printer-app: the framework has no %s.\n", name);
        std::abort();
    }
    return reinterpret_cast<Function*>(found);
}

using JobProcess = void*(pappl_job_t*);
using CopyDocumentData = void(pappl_client_t*, pappl_job_t*);
using ProcessIpp = void(pappl_client_t*);
using ImageFilter = bool(pappl_job_t*, pappl_device_t*, void*);

// Prints an image with the framework's filter once its check found no
// problem; otherwise aborts the job with the reason.
bool PrintCheckedImage(pappl_job_t* job, pappl_device_t* device, void* data, ImageFilter* real,
                       std::string (*problemOf)(const char*))
{
    std::string problem;
    try {
        problem = problemOf(papplJobGetFilename(job));
    } catch (...) {
        problem = "out of memory while reading it";
    }
    if (problem.empty())
        return real(job, device, data);
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "The image cannot be printed: %s.", problem.c_str());
    papplJobSetMessage(job, "The image cannot be printed: %s.", problem.c_str());
    papplJobSetReasons(job, PAPPL_JREASON_DOCUMENT_FORMAT_ERROR, PAPPL_JREASON_NONE);
    return false;
}

// The framework's own authorization check (sign-in of network clients).
http_status_t FrameworkAuthorize(pappl_client_t* client, bool allowRemote, const char* group,
                                 gid_t groupId)
{
    using Check = http_status_t(pappl_client_t*, bool, const char*, gid_t);
    static Check* const real = FrameworkDefinition<Check>("_papplClientIsAuthorizedForGroup");
    return real(client, allowRemote, group, groupId);
}

// True for the raster formats the framework prints while they arrive.
bool IsStreamedFormat(pappl_job_t* job)
{
    const char* format = papplJobGetFormat(job);
    return format != nullptr &&
           (std::strcmp(format, "image/pwg-raster") == 0 || std::strcmp(format, "image/urf") == 0);
}

// Runs a request through the checks, the framework, and the trimming of
// job lists.
void ProcessRequest(pappl_client_t* client, ProcessIpp* real)
{
    if (!RequestCheck::Accept(client))
        return;
    real(client);
    const ipp_op_t operation = papplClientGetOperation(client);
    if (operation == IPP_OP_GET_JOBS || operation == IPP_OP_GET_JOB_ATTRIBUTES)
        AccessPolicy::HideOtherUsersJobs(client, FrameworkAuthorize);
}

}  // namespace

extern "C" {

void* _papplJobProcess(pappl_job_t* job)
{
    static JobProcess* const real = FrameworkDefinition<JobProcess>("_papplJobProcess");
    JobGate::RunQueued(job, [job] { real(job); });
    return nullptr;
}

void _papplJobCopyDocumentData(pappl_client_t* client, pappl_job_t* job)
{
    static CopyDocumentData* const real =
        FrameworkDefinition<CopyDocumentData>("_papplJobCopyDocumentData");
    if (IsStreamedFormat(job))
        JobGate::RunStreamed(job, [client, job] { real(client, job); });
    else
        real(client, job);
}

http_status_t _papplClientIsAuthorizedForGroup(pappl_client_t* client, bool allowRemote,
                                               const char* group, gid_t groupId)
{
    return AccessPolicy::Authorize(client, allowRemote, group, groupId, FrameworkAuthorize);
}

void _papplPrinterProcessIPP(pappl_client_t* client)
{
    static ProcessIpp* const real = FrameworkDefinition<ProcessIpp>("_papplPrinterProcessIPP");
    ProcessRequest(client, real);
}

void _papplJobProcessIPP(pappl_client_t* client)
{
    static ProcessIpp* const real = FrameworkDefinition<ProcessIpp>("_papplJobProcessIPP");
    ProcessRequest(client, real);
}

bool _papplJobFilterPNG(pappl_job_t* job, pappl_device_t* device, void* data)
{
    static ImageFilter* const real = FrameworkDefinition<ImageFilter>("_papplJobFilterPNG");
    return PrintCheckedImage(job, device, data, real, ImageCheck::PngProblem);
}

bool _papplJobFilterJPEG(pappl_job_t* job, pappl_device_t* device, void* data)
{
    static ImageFilter* const real = FrameworkDefinition<ImageFilter>("_papplJobFilterJPEG");
    return PrintCheckedImage(job, device, data, real, ImageCheck::JpegProblem);
}

}  // extern "C"
