#pragma once

// The MAC-write mode: true at once when the command line did not ask for it;
// otherwise runs it, reports the outcome itself and returns false.
bool WriteMacAddress();
