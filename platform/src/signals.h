// SIGINT, SIGTERM and SIGHUP as a request to stop, read like the Escape key.
#pragma once

// Installs the handlers. The first signal only sets the stop flag so that the
// program ends through its normal path; a second one, if the program has not
// ended by then, restores the terminal and ends the process the default way.
void Signals_Install();

bool Signals_StopRequested();
