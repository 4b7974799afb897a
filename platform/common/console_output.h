// The system's side of console lines: writing one whole line (its line break
// included) to standard output, from any thread, never waiting for ever on a
// reader that has stopped taking output.
#pragma once

#include <string>

void ConsoleOutput_WriteLine(std::string line);

// Readies standard output before anything else opens a file or socket.
void ConsoleOutput_Prepare();
