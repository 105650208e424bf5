// SPDX-License-Identifier: MIT
#pragma once

#include <QLoggingCategory>

// One category per class that logs: the application controller, the focus tracker, the focus
// observation and the prompts file's watch. Entries go to the journal or stderr; tests install a
// message handler to read them.
Q_DECLARE_LOGGING_CATEGORY(lcVisibility)
Q_DECLARE_LOGGING_CATEGORY(lcLayout)
Q_DECLARE_LOGGING_CATEGORY(lcObservation)
Q_DECLARE_LOGGING_CATEGORY(lcPromptsFile)
