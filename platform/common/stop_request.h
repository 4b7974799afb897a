// Requests from outside to stop (SIGINT, SIGTERM and SIGHUP on POSIX systems;
// Ctrl+C, Ctrl+Break and closing the console window on Windows), read like
// the Escape key so the program ends through its normal path.
#pragma once

// Installs the handlers. A handler only records the request; a second request,
// if the program has not ended by then, ends the process at once.
void StopRequest_Install();

bool StopRequest_Pending();
