// SPDX-License-Identifier: Apache-2.0
// JobGate: one job at a time on each printer, and each job started once.
// The framework decides whether a printer is free without holding the
// printer's lock and marks it busy only once the job's thread runs, so two
// submissions at the same moment can start two jobs on one printer (both
// write through one device, and the first to finish closes it under the
// other) or the same job twice. Every job's processing passes this gate:
// it waits for the printer's previous job to end, and a job already
// started elsewhere, or no longer waiting, is not started again.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_JOBGATE_H
#define RIDEVEDUDARUZO_PRINTERAPP_JOBGATE_H

#include <functional>

#include <pappl/pappl.h>

class JobGate {
public:
    // Runs `process` for a queued job once the printer is free, unless the
    // job has already been started or is no longer pending.
    static void RunQueued(pappl_job_t* job, const std::function<void()>& process);

    // Runs `process` for a job whose pages arrive with its request (streamed
    // raster) once the printer is free; the job is marked started.
    static void RunStreamed(pappl_job_t* job, const std::function<void()>& process);
};

#endif
