// Child processes of a test. Standard output comes through a pipe (or a
// pseudo-terminal) and is read only when the test looks at it, so a test can
// also leave it unread on purpose. Every wait has a deadline.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

// How the child's standard input is set up. On a terminal, standard output
// and error go to the terminal too; Keys is a terminal on standard input only
// (a terminal's keys with clean output lines, for programs that write cursor
// sequences into a terminal's output).
enum class ChildInput { DevNull, OpenPipe, Terminal, Keys };
// Where standard output goes when not on a terminal: a pipe the test reads,
// /dev/null, or nowhere (closed).
enum class ChildOutput { Pipe, DevNull, Closed };

struct ChildOptions {
  std::string folder;            // working folder; empty: the test's own
  std::vector<std::string> env;  // "NAME=value", added to or replacing the test's environment
  ChildInput input = ChildInput::DevNull;
  ChildOutput output = ChildOutput::Pipe;
  bool keep_stderr = true;       // false: standard error goes to /dev/null
  bool plain_line_ends = false;  // "\r\n" in the output is read as "\n"
  // A network namespace (a name under /run/netns) the child runs in; empty:
  // the test's own. A child that cannot join it ends with 125 at once.
  std::string network_namespace;
};

// A started program. Moving hands it over; the last owner stops it (SIGTERM,
// then SIGKILL) if it still runs and closes what is open.
struct Child {
  pid_t pid = -1;
  int output = -1;                   // read end: stdout pipe, or the terminal's master side
  int input = -1;                    // write end: stdin pipe, or the terminal's master side
  int terminal_side = -1;            // the terminal's own side, kept open to read its settings
  unsigned long terminal_modes = 0;  // its local modes (c_lflag) before the child ran
  bool reaped = false;
  int status = -1;  // once reaped: the exit code, or -1000 - signal for a killed child
  // Everything read from `output` so far. Reading happens whenever a caller
  // looks, also through a const Child.
  mutable std::string seen;
  std::size_t lines_taken = 0;   // the part of `seen` Child_NextLine has handed out
  bool plain_line_ends = false;  // as ChildOptions::plain_line_ends

  Child() = default;
  Child(Child&& other) noexcept;
  Child& operator=(Child&& other) noexcept;
  ~Child();
};

// Starts argv (argv[0] a path, or a name looked up on PATH); pid stays -1
// when it cannot start.
Child Child_Start(const std::vector<std::string>& argv, const ChildOptions& options = {});

// Reads what the output holds by now and returns everything read so far.
std::string Child_Output(const Child& child);
// Reads until `needle` appears in child.seen; false at the deadline or when
// the output ends without it.
bool Child_WaitFor(const Child& child, const std::string& needle, double seconds = 20.0);
// The next whole output line, without its line ending; false when none comes in time.
bool Child_NextLine(Child& child, std::string& line, double seconds = 20.0);
// Reads until the child closes its output; false if the deadline came first.
bool Child_ReadToEnd(const Child& child, double seconds = 20.0);
bool Child_Send(Child& child, const std::string& bytes);

// Reaps a child that has ended; true while it runs.
bool Child_Running(Child& child);
// Waits for the end without reading the output; kills the child at the
// deadline. Gives child.status (-1 for a child that never started).
int Child_Wait(Child& child, double seconds = 20.0);
// Child_Wait, then reads what is left and closes every descriptor.
int Child_Finish(Child& child, double seconds = 20.0);
// Ends a child now: SIGTERM, SIGKILL after `grace_seconds`; then as Child_Finish.
int Child_Stop(Child& child, double grace_seconds = 3.0);

// A program run to its end with its standard output collected.
struct ProgramResult {
  int exit_code = -1;  // as Child::status
  bool timed_out = false;
  std::string output;
};
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments = {},
                         double seconds = 20.0, const ChildOptions& options = {});

bool ProgramOnPath(const std::string& name);
