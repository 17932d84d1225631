#pragma once

#include "console/maintenance.h"

// The message-box text of a MAC write's outcome; message is filled for Written.
const char* MacWriteOutcomeText(MacWriteOutcome outcome, const char* digits, char (&message)[1024]);
