// SPDX-License-Identifier: Apache-2.0
// EncoderLog: the encoder's debug lines, written to the main logger with the
// source name "OrvESCP" and the line of the statement. A line is formatted
// only when the logger takes the debug level.
#ifndef RIDEVEDUDARUZO_ESCP_ENCODERLOG_H
#define RIDEVEDUDARUZO_ESCP_ENCODERLOG_H

#include "ruzolog/ruzolog.h"

#define ENCODER_LOG(...)                                                                           \
    RUZOLOG_FORMAT(RUZOLOG_MAIN_LOGGER_ID, ::ruzolog::LOG_DEBUG, "OrvESCP", __LINE__, __VA_ARGS__)

#endif
