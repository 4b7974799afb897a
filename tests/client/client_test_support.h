// Helpers shared by the client's tests: files written on the fly, a scratch
// working directory, recorded position reports and screen access.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/screen.h"
#include "plax/plax.h"

// A fresh folder that is the working directory while the object lives, so the
// game's relative paths (map\Map, imgs\...) land in it.
struct ScratchDir {
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::filesystem::path path;
  std::filesystem::path previous;
};

void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// A 24-bit bottom-up BMP whose pixel (x, y) is colour(x, y) (0xRRGGBB).
void WriteBmp(const std::filesystem::path& path, int width, int height,
              const std::function<Colour(int x, int y)>& colour);

// The first bytes of a BMP header: "BM", then `width` at offset 18 and
// `height` at offset 22, cut to `length` bytes.
std::string BmpHeader(std::int32_t width, std::int32_t height, std::size_t length = 54);

// A map file of 270 records whose first bytes are `codes` (column by column).
std::string MapBytes(const std::int8_t codes[]);

// An image filled with one colour.
Image* SolidImage(int width, int height, Colour colour);

// Pixel of the in-memory screen, low 24 bits.
Colour ScreenRgb(int x, int y);

// Releases every key the game looks at.
void ReleaseGameKeys();

struct Report {
  std::int32_t x = 0;
  std::int32_t y = 0;
  PLAX_ID connectionId = 0;
  bool operator==(const Report&) const = default;
};

// Reports recorded by RecordReport, in order.
std::vector<Report>& RecordedReports();
void RecordReport(std::int32_t x, std::int32_t y, PLAX_ID connection_id);

// ---- The real programs, in a virtual X display. ----

// A program started by a test: its standard output collected by a reader
// thread, standard error left to the test's own (or dropped).
struct ChildOutput;
struct Child {
  ~Child();  // stops and reaps the program if it still runs
  int pid = -1;
  std::shared_ptr<ChildOutput> output;
  std::thread reader;
};

// Starts `argv` (argv[0] a path or a name found on PATH) in `folder` with the
// test's environment plus `env` ("NAME=value"). Standard input is /dev/null.
std::unique_ptr<Child> Child_Start(const std::vector<std::string>& argv,
                                   const std::filesystem::path& folder,
                                   const std::vector<std::string>& env = {},
                                   bool keep_stderr = true);
std::string Child_Output(const Child& child);
// Waits until the output holds `text`; false at the deadline.
bool Child_WaitFor(const Child& child, const std::string& text, double seconds);
// Waits for the end of the program; its exit code, or -1 at the deadline or
// for a signal.
int Child_WaitExit(Child& child, double seconds);
// Ends a program still running (SIGTERM, then SIGKILL) and reaps it.
void Child_Stop(Child& child);

struct RunResult {
  int code = -1;  // -1 when it did not end by itself in time
  std::string output;
};

// Runs a program to its end, collecting its standard output.
RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     double seconds = 10.0);

bool ProgramOnPath(const std::string& name);

// Polls `condition` every 10 ms until it holds or `seconds` pass.
bool WaitUntil(const std::function<bool()>& condition, double seconds);

// True while something listens on TCP `port` of this machine.
bool PortListening(int port);

// A root-window picture of the display, 0xRRGGBB per pixel.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<Colour> pixels;
  Colour At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Decodes what `xwd -root -silent` writes (TrueColor, 24 or 32 bits per
// pixel); an empty picture for anything else.
Screenshot ParseXwd(const std::string& bytes);

// A virtual X display that lives as long as the object.
struct VirtualDisplay {
  VirtualDisplay();
  ~VirtualDisplay();
  bool ok() const { return !name.empty(); }
  std::string Env() const { return "DISPLAY=" + name; }
  std::string name;  // ":N", empty when Xvfb did not start
  std::unique_ptr<Child> server;
  Screenshot Shoot() const;
  bool Tool(const std::vector<std::string>& argv) const;  // xdotool ...
};

// The x of every "relay ... x=<x> ..." line in a bot's output, in order.
std::vector<int> RelayedXs(const std::string& bot_output);
