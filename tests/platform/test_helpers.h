// Shared helpers of the platform tests: temporary folders, a BMP writer, and
// child processes of the test helper program.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under /tmp, removed with everything in it at the end.
struct TempDir {
  std::string path;
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string File(const std::string& name) const { return path + "/" + name; }
};

void File_Write(const std::string& path, const std::string& bytes);
std::string File_Read(const std::string& path);

// Writes a BMP with `bits` per pixel (1, 4, 8 with a palette of the distinct
// colours; 16 as 5-5-5; 24; 32 with the alpha byte kept). `pixels` holds ARGB
// rows top to bottom; the file stores them bottom-up unless `top_down`.
void Bmp_Write(const std::string& path, int width, int height, int bits, bool top_down,
               const std::vector<std::uint32_t>& pixels);
std::string Bmp_Bytes(int width, int height, int bits, bool top_down,
                      const std::vector<std::uint32_t>& pixels);

// How the helper program's standard input is set up.
enum class ChildInput { DevNull, OpenPipe, Terminal };

// The helper program, run with `arguments`, its standard output (and, on a
// terminal, everything) readable through `output`.
struct Child {
  pid_t pid = -1;
  int output = -1;                   // read end: stdout pipe, or the terminal's master side
  int input = -1;                    // write end: stdin pipe, or the terminal's master side
  int terminal_side = -1;            // the terminal's own side, kept open to read its settings
  unsigned long terminal_modes = 0;  // its local modes (c_lflag) before the child ran
  std::string seen;                  // everything read from `output` so far
};

Child Child_Start(const std::vector<std::string>& arguments, ChildInput input,
                  bool close_stdout = false);
// Reads until `needle` appears in child.seen or the deadline passes.
bool Child_WaitFor(Child& child, const std::string& needle, double seconds = 20.0);
// Reads everything until the child closes its output (or the deadline passes).
void Child_ReadToEnd(Child& child, double seconds = 20.0);
// The exit code, or -1000 - signal for a killed child; kills it after the
// deadline. Child_Finish also closes the pipes or the terminal's master side;
// the terminal's own side stays for the caller.
int Child_Wait(Child& child, double seconds = 20.0);
int Child_Finish(Child& child, double seconds = 20.0);
void Child_Send(Child& child, const std::string& bytes);
