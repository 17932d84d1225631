#pragma once

// Starts the update on its own thread after the operator's confirmation;
// the thread moves the status line and the bar through the stored handles.
void StartUpdate();
