// SPDX-License-Identifier: MIT
#include "platform/Logging.h"

Q_LOGGING_CATEGORY(lcVisibility, "Visibility", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLayout, "Layout", QtInfoMsg)
Q_LOGGING_CATEGORY(lcObservation, "Observation", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPromptsFile, "PromptsFile", QtInfoMsg)
