// Child programs on Windows: what the Windows tests need of child.h, a
// program run to its end with its standard output (and standard error, if
// kept) collected; of the options only the folder and keep_stderr apply. The
// program is a Windows program of this build and is started directly; a bare
// name is found beside the test program first, as CreateProcess looks there.
#include <windows.h>

#include <string>
#include <thread>

#include "support/child.h"
#include "support/wait.h"

namespace {

// Quotes one argument so that the child's runtime splits it back unchanged.
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted(1, '"');
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted.push_back('"');
  return quoted;
}

std::string CommandLine(const std::string& program, const std::vector<std::string>& arguments) {
  std::string line = Quoted(program);
  for (const std::string& argument : arguments) {
    line.push_back(' ');
    line.append(Quoted(argument));
  }
  return line;
}

// Reads the pipe until the child and every process it handed the pipe to
// have closed it.
void Drain(HANDLE pipe, std::string& output) {
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) output.append(buffer, n);
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         double seconds, const ChildOptions& options) {
  ProgramResult result;
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) return result;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = write_end;
  startup.hStdError = options.keep_stderr ? write_end : nullptr;
  PROCESS_INFORMATION process{};
  std::string line = CommandLine(program, arguments);
  const char* folder = options.folder.empty() ? nullptr : options.folder.c_str();
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, folder, &startup, &process);
  CloseHandle(write_end);
  if (!started) {
    CloseHandle(read_end);
    return result;
  }
  std::thread reader(Drain, read_end, std::ref(result.output));
  const Deadline deadline = Deadline_In(seconds);
  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(Deadline_MsLeft(deadline))) !=
      WAIT_OBJECT_0) {
    result.timed_out = true;
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  result.exit_code = static_cast<int>(code);
  reader.join();
  CloseHandle(read_end);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}
