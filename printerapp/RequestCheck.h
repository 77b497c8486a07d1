// SPDX-License-Identifier: Apache-2.0
// RequestCheck: job requests checked before they are acted on. Text and
// name values must be valid UTF-8 within their length limits (a job name
// that is not is shown in every job list and web page), and the printer's
// own attributes (ridev-*) must be one keyword of the attribute's choices.
#ifndef RIDEVEDUDARUZO_PRINTERAPP_REQUESTCHECK_H
#define RIDEVEDUDARUZO_PRINTERAPP_REQUESTCHECK_H

#include <string>

#include <pappl/pappl.h>

class RequestCheck {
public:
    // What is wrong with a request, and with which attribute.
    struct Problem {
        ipp_status_t status = IPP_STATUS_OK;
        std::string message;
        ipp_attribute_t* attribute = nullptr;
    };

    // The first problem of a request; status IPP_STATUS_OK when none.
    static Problem Find(ipp_t* request);

    // True when the client's request may go on; otherwise answers it with
    // the problem (and reads away its document) and returns false.
    static bool Accept(pappl_client_t* client);
};

#endif
