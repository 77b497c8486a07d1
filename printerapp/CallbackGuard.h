// SPDX-License-Identifier: Apache-2.0
// CallbackGuard: the body of a callback the framework calls from its C
// code, run so that no C++ exception crosses back into it. An exception
// (running out of memory, in practice) is logged with its reason on the
// job and shown as the job's message, and the callback reports failure.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_CALLBACKGUARD_H
#define RIDEVEDUDARUZO_PRINTERAPP_CALLBACKGUARD_H

#include <exception>

#include <pappl/pappl.h>

// Logs why a job's callback failed, on the job and as its message.
inline void ReportCallbackFailure(pappl_job_t* job, const char* why)
{
    papplLogJob(job, PAPPL_LOGLEVEL_ERROR, "The job failed: %s.", why);
    papplJobSetMessage(job, "The job failed: %s.", why);
}

// Runs body() (returning bool); false when it throws.
template <typename Body>
bool GuardJobCallback(pappl_job_t* job, Body body) noexcept
{
    try {
        return body();
    } catch (const std::exception& error) {
        ReportCallbackFailure(job, error.what());
    } catch (...) {
        ReportCallbackFailure(job, "an unexpected error");
    }
    return false;
}

#endif
