// SPDX-License-Identifier: Apache-2.0
// RequestCheck: UTF-8 and value checks of job requests.
#include "printerapp/RequestCheck.h"

#include <cstring>

#include "page/OptionTable.h"

namespace {

// The printer's own attribute called `name`, or null.
const options::OptionSpec* VendorOption(const char* name)
{
    for (std::size_t i = 0; i < options::OptionCount(); ++i) {
        const options::OptionSpec& spec = options::AllOptions()[i];
        if (spec.ippAttribute != nullptr && std::strcmp(spec.ippAttribute, name) == 0)
            return &spec;
    }
    return nullptr;
}

// True when the attribute is one keyword of the option's choices.
bool IsChoiceOf(ipp_attribute_t* attr, const options::OptionSpec& spec)
{
    if (ippGetValueTag(attr) != IPP_TAG_KEYWORD || ippGetCount(attr) != 1)
        return false;
    const char* keyword = ippGetString(attr, 0, nullptr);
    for (std::size_t i = 0; keyword != nullptr && i < spec.numChoices; ++i) {
        if (std::strcmp(spec.choices[i].ippKeyword, keyword) == 0)
            return true;
    }
    return false;
}

// True for the requests that create or feed a job.
bool IsJobRequest(ipp_op_t operation)
{
    return operation == IPP_OP_PRINT_JOB || operation == IPP_OP_VALIDATE_JOB ||
           operation == IPP_OP_CREATE_JOB || operation == IPP_OP_SEND_DOCUMENT;
}

// Reads away the rest of a request's document.
void DiscardDocument(pappl_client_t* client)
{
    http_t* http = papplClientGetHTTP(client);
    char buffer[8192];
    if (httpGetState(http) == HTTP_STATE_POST_RECV) {
        while (httpRead2(http, buffer, sizeof buffer) > 0) {
        }
    }
}

}  // namespace

RequestCheck::Problem RequestCheck::Find(ipp_t* request)
{
    Problem problem;
    for (ipp_attribute_t* attr = ippFirstAttribute(request); attr != nullptr;
         attr = ippNextAttribute(request)) {
        const char* name = ippGetName(attr);
        if (name == nullptr)
            continue;
        if (!ippValidateAttribute(attr)) {
            problem.status = IPP_STATUS_ERROR_BAD_REQUEST;
            problem.message = cupsLastErrorString();
            problem.attribute = attr;
            return problem;
        }
        const options::OptionSpec* spec = VendorOption(name);
        if (spec != nullptr && !IsChoiceOf(attr, *spec)) {
            problem.status = IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES;
            problem.message = std::string("\"") + name + "\" must be one of its keywords.";
            problem.attribute = attr;
            return problem;
        }
    }
    return problem;
}

bool RequestCheck::Accept(pappl_client_t* client)
{
    ipp_t* request = papplClientGetRequest(client);
    if (request == nullptr || !IsJobRequest(papplClientGetOperation(client)))
        return true;
    const Problem problem = Find(request);
    if (problem.status == IPP_STATUS_OK)
        return true;
    DiscardDocument(client);
    papplClientRespondIPP(client, problem.status, "%s", problem.message.c_str());
    if (problem.status == IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES)
        papplClientRespondIPPUnsupported(client, problem.attribute);
    return false;
}
