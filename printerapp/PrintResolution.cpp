// SPDX-License-Identifier: Apache-2.0
// PrintResolution: a job's resolution from its attributes and its
// printer's defaults.
#include "printerapp/PrintResolution.h"

// Reads the job's resolution and quality and the printer's defaults.
options::Resolution PrintResolution::ForJob(pappl_job_t* job)
{
    pappl_pr_driver_data_t data;
    papplPrinterGetDriverData(papplJobGetPrinter(job), &data);

    options::Resolution requested{0, 0};
    if (ipp_attribute_t* resolution = papplJobGetAttribute(job, "printer-resolution")) {
        ipp_res_t units;
        requested.x = ippGetResolution(resolution, 0, &requested.y, &units);
    }
    ipp_quality_t quality = data.quality_default;
    if (ipp_attribute_t* asked = papplJobGetAttribute(job, "print-quality"))
        quality = static_cast<ipp_quality_t>(ippGetInteger(asked, 0));
    return Choose(requested, quality, data);
}

options::Resolution PrintResolution::Choose(options::Resolution requested, ipp_quality_t quality,
                                            const pappl_pr_driver_data_t& data)
{
    if (requested.x > 0 && requested.y > 0)
        return requested;
    if (quality == IPP_QUALITY_DRAFT && data.num_resolution > 0)
        return {data.x_resolution[0], data.y_resolution[0]};
    if (quality == IPP_QUALITY_HIGH && data.num_resolution > 0) {
        const int last = data.num_resolution - 1;
        return {data.x_resolution[last], data.y_resolution[last]};
    }
    return {data.x_default, data.y_default};
}
