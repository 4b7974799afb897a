// The game's programs as the end-to-end suites start them: by default the
// ones this build made. With TILEGAME_WINDOWS_BUILD set in the environment to
// a Windows build folder, its .exe files instead (bin/<name>.exe), each
// started through that build's wine-run, which runs it under Wine in the
// build's own prefix (wine-prefix).
#pragma once

#include <string>
#include <vector>

#include "support/child.h"

// The command line that starts program `name` (`built`: this build's own).
// Under Wine the first call boots the prefix's session first. A client or bot
// with --lan and no --host broadcasts its search on every interface: unless
// the loopback is the only one up, the command is a stand-in that says so on
// standard error and fails with 97.
std::vector<std::string> GameProgram(const std::string& name, const std::string& built,
                                     const std::vector<std::string>& arguments = {});
// This build's own program `built`, also where the others run under Wine:
// for the tests that play a Linux program against a Windows one.
std::vector<std::string> GameProgram_Native(const std::string& built,
                                            const std::vector<std::string>& arguments = {});
// Options for starting one: line ends read the same whichever system's program it is.
ChildOptions GameProgram_Options();
ProgramResult GameProgram_Run(const std::string& name, const std::string& built,
                              const std::vector<std::string>& arguments = {},
                              double seconds = 20.0);

bool GameProgram_UnderWine();
// Ends the Wine prefix's server and every program still in it (nothing
// outside Wine). A prefix's server keeps the X display its first window
// used, so it has to go before programs run on another display.
void GameProgram_EndWine();

// True while `program` listens on TCP `port`. Under Wine the socket belongs to
// the prefix's server process, so there any listener this test does not hold
// counts.
bool GameProgram_Listening(const Child& program, int port);
// True while a process other than this test listens on TCP `port`.
bool PortListeningElsewhere(int port);
