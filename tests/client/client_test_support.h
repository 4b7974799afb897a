// The client tests' part of the harness: the game's files written on the
// fly in a scratch working directory, recorded position reports, screen
// access, and the real programs started in a folder of their own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/screen.h"
#include "plax/plax.h"
#include "support/bmp.h"
#include "support/child.h"
#include "support/display.h"
#include "support/ports.h"
#include "support/temp_dir.h"
#include "support/wait.h"

// A fresh folder that is the working directory while the object lives, so the
// game's relative paths (map\Map, imgs\...) land in it.
struct ScratchDir {
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  TempDir folder;
  std::filesystem::path path;
  std::filesystem::path previous;
};

// A 24-bit bottom-up BMP whose pixel (x, y) is colour(x, y) (0xRRGGBB).
void Bmp_Write(const std::string& path, int width, int height,
               const std::function<Colour(int x, int y)>& colour);

// A map file of 270 records whose first bytes are `codes` (column by column).
std::string MapBytes(const std::int8_t codes[]);

// An image filled with one colour.
Image* SolidImage(int width, int height, Colour colour);

struct Game;
// An in-memory screen, every key up, and `game` drawn with solid squares: the
// player green at (33, 33), the remote-player images red, the tiles blue.
void Game_SetUpOnSolidImages(Game& game);

// Pixel of the in-memory screen, low 24 bits.
Colour ScreenRgb(int x, int y);

// Releases every key the game looks at.
void ReleaseGameKeys();

// A death test's exit status for EndProgram(-1): 255 where exit codes are a
// byte (POSIX), -1 where they are 32 bits (Windows).
bool ExitedWithMinusOne(int status);

struct Report {
  std::int32_t x = 0;
  std::int32_t y = 0;
  PLAX_ID connectionId = 0;
  bool operator==(const Report&) const = default;
};

// Reports recorded by RecordReport, in order.
std::vector<Report>& RecordedReports();
void RecordReport(std::int32_t x, std::int32_t y, PLAX_ID connection_id);

// Starts `argv` in `folder` with the test's environment plus `env`
// ("NAME=value"); null when it cannot start.
std::unique_ptr<Child> Child_Start(const std::vector<std::string>& argv,
                                   const std::filesystem::path& folder,
                                   const std::vector<std::string>& env = {});

// The x of every "relay ... x=<x> ..." line in a bot's output, in order.
std::vector<int> RelayedXs(const std::string& bot_output);

// What a hostile server sends a LAN client: every message type 0-4 and 255
// with every length 0-20 (filled with 0x7F), 4096 random bytes of a fixed
// seed, and one 7936-byte chunk of type bytes 02 (moves of seat 2 to a far
// position). Cut into the pieces it is to be sent in. None of it names a
// position a player can report.
std::vector<std::string> HostileLanChunks();
