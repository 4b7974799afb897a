// Remakes the game's art and default map: 24 BMP files under imgs/ and the
// level map/Map, written into the folder given on the command line.
//
// Usage: make_assets <folder>; writes nothing outside that folder.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "game/assets.h"
#include "game/map_file.h"
#include "game/player_rules.h"
#include "paths.h"

namespace {

using Rgb = std::uint32_t;  // 0xRRGGBB
constexpr Rgb MAGENTA = 0xFF00FF;

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // rows top to bottom
};

Picture MakePicture(int width, int height, Rgb fill) {
  return Picture{width, height, std::vector<Rgb>(static_cast<size_t>(width * height), fill)};
}

void Put(Picture& p, int x, int y, Rgb colour) {
  if (x >= 0 && y >= 0 && x < p.width && y < p.height) p.pixels[y * p.width + x] = colour;
}

// Deterministic noise, so every run writes the same bytes.
unsigned Hash(int x, int y, int seed) {
  unsigned h = static_cast<unsigned>(x) * 374761393u + static_cast<unsigned>(y) * 668265263u +
               static_cast<unsigned>(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

Rgb Shade(Rgb colour, int delta) {
  auto channel = [&](int shift) {
    int v = static_cast<int>((colour >> shift) & 0xFF) + delta;
    return static_cast<Rgb>(v < 0 ? 0 : v > 255 ? 255 : v) << shift;
  };
  return channel(16) | channel(8) | channel(0);
}

bool WriteBmp(const std::filesystem::path& path, const Picture& p) {
  const int row_bytes = (p.width * 3 + 3) / 4 * 4;
  const std::uint32_t data_size = static_cast<std::uint32_t>(row_bytes * p.height);
  std::vector<unsigned char> out;
  auto u16 = [&](unsigned v) {
    out.insert(out.end(), {(unsigned char)v, (unsigned char)(v >> 8)});
  };
  auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
  out.push_back('B'), out.push_back('M');
  u32(54 + data_size), u32(0), u32(54);
  u32(40), u32(p.width), u32(p.height), u16(1), u16(24), u32(0), u32(data_size);
  u32(2835), u32(2835), u32(0), u32(0);
  for (int y = p.height - 1; y >= 0; --y) {  // bottom-up rows
    for (int x = 0; x < p.width; ++x) {
      const Rgb c = p.pixels[y * p.width + x];
      out.insert(out.end(), {(unsigned char)c, (unsigned char)(c >> 8), (unsigned char)(c >> 16)});
    }
    out.resize(out.size() + static_cast<size_t>(row_bytes - p.width * 3), 0);
  }
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(file);
}

// ---- Figures: pixel art drawn as text, one letter per pixel. ----

using Palette = std::map<char, Rgb>;

// Upper bodies (rows 0-16). Front and back are symmetric: each row gives the
// left half up to the middle column, mirrored for the right half.
const char* const FRONT_HALF[17] = {
    ".........kkkk", ".......kkhhhh", "......khhhHHH", "......khhHHhh", ".....khhhhhhh",
    ".....khhsssss", ".....khssssss", ".....ksssspss", ".....ksssspss", ".....kSssssss",
    "......kssssSS", ".......kkssss", "....kkccccccc", "...kcckcccccc", "...kcckcCcccc",
    "...kcckcccccc", "...ksskTTTTTT"};
const char* const BACK_HALF[17] = {
    ".........kkkk", ".......kkhhhh", "......khhhHHH", "......khhHHhh", ".....khhhhhhh",
    ".....khhhhhhh", ".....khhhhhhh", ".....khhhHhhh", ".....khhhhhhh", ".....kHhhhhhh",
    "......khhhhhh", ".......kkssss", "....kkccccccc", "...kcckcccccc", "...kcckcCcccc",
    "...kcckcccccc", "...ksskTTTTTT"};
// Legs (rows 17-24) seen from the front or back, left leg lifted; the other
// step is the mirror image.
const char* const FRONT_LEGS[8] = {".......klllllllllk.......", ".......kllllkllllk.......",
                                   ".......kllllkLlllk.......", ".......kbbbbkllllk.......",
                                   ".......kbbbbkllllk.......", ".......kkkkkkbbbbk.......",
                                   "............kbbbbk.......", "............kkkkkk......."};
// Facing left: the whole figure; facing right is its mirror image.
const char* const SIDE_UPPER[17] = {
    "..........kkkkkk.........", "........kkhhhhhhkk.......", ".......khhhhHHhhhhk......",
    "......khhhhhhhhhhhhk.....", "......kssshhhhhhhhhk.....", ".....ksssssshhhhhhhk.....",
    ".....kspssssshhhhhhk.....", ".....kspssssshhhhhhk.....", "....ksssssssshhhhhhk.....",
    ".....ksssssssssHhhhk.....", "......kSSsssssshhhk......", ".......kkksssssskk.......",
    "........kcccccccck.......", ".......kcccCCcccck.......", ".......kcccCCcccck.......",
    ".......kcccCCcccck.......", ".......kTTTssTTTTk......."};
const char* const SIDE_STRIDE[8] = {"........kllllllllk.......", ".......kllllkklllk.......",
                                    "......klllk..klllk.......", ".....klllk....klllk......",
                                    "....klllk......klllk.....", "...kbbbbk......kbbbbk....",
                                    "..kbbbbbk......kbbbbbk...", "..kkkkkkk......kkkkkkk..."};
const char* const SIDE_PASSING[8] = {"........kllllllllk.......", "........klllllllk........",
                                     "........kllllLLlk........", "........klllLLlk.........",
                                     "........klllLLlk.........", ".......kbbbbbbbk.........",
                                     "......kbbbbbbbbk.........", "......kkkkkkkkkk........."};

std::string MirrorHalf(const std::string& half) {
  return half + std::string(half.rbegin() + 1, half.rend());
}

std::string Reverse(const std::string& row) {
  return std::string(row.rbegin(), row.rend());
}

// One figure from 25 text rows; mirrored when asked.
Picture Figure(const std::vector<std::string>& rows, bool mirror, const Palette& palette) {
  Picture p = MakePicture(SPRITE_SIZE, SPRITE_SIZE, MAGENTA);
  for (int y = 0; y < SPRITE_SIZE; ++y) {
    const std::string row = mirror ? Reverse(rows[y]) : rows[y];
    for (int x = 0; x < SPRITE_SIZE && x < static_cast<int>(row.size()); ++x) {
      const auto found = palette.find(row[x]);
      if (found != palette.end()) Put(p, x, y, found->second);
    }
  }
  return p;
}

std::vector<std::string> Stack(const char* const* upper, bool upper_is_half,
                               const char* const* legs, bool mirror_legs) {
  std::vector<std::string> rows;
  for (int y = 0; y < 17; ++y) rows.push_back(upper_is_half ? MirrorHalf(upper[y]) : upper[y]);
  for (int y = 0; y < 8; ++y) rows.push_back(mirror_legs ? Reverse(legs[y]) : legs[y]);
  return rows;
}

// The eight figures in file order: Up1 Down1 Left1 Right1 Up2 Down2 Left2 Right2.
std::vector<Picture> FigureSet(const Palette& palette) {
  std::vector<Picture> set;
  for (int step = 0; step < 2; ++step) {
    const bool other_leg = step == 1;
    set.push_back(Figure(Stack(BACK_HALF, true, FRONT_LEGS, other_leg), false, palette));
    set.push_back(Figure(Stack(FRONT_HALF, true, FRONT_LEGS, other_leg), false, palette));
    const char* const* legs = other_leg ? SIDE_PASSING : SIDE_STRIDE;
    set.push_back(Figure(Stack(SIDE_UPPER, false, legs, false), false, palette));
    set.push_back(Figure(Stack(SIDE_UPPER, false, legs, false), true, palette));
  }
  return set;
}

const Palette PLAYER_COLOURS = {{'k', 0x202028}, {'h', 0x6B4226}, {'H', 0x8E5C34}, {'s', 0xF2C291},
                                {'S', 0xD69C6C}, {'p', 0x1C2340}, {'c', 0x2E86DE}, {'C', 0x1D5FA6},
                                {'T', 0xF4C430}, {'l', 0x3B4A5C}, {'L', 0x2A3644}, {'b', 0x7A4A24}};
const Palette REMOTE_COLOURS = {{'k', 0x202028}, {'h', 0xE8E8E8}, {'H', 0xFFFFFF}, {'s', 0xC58C5C},
                                {'S', 0xA06E44}, {'p', 0x101010}, {'c', 0xD63031}, {'C', 0x9E2024},
                                {'T', 0x2D2D2D}, {'l', 0x5C3A21}, {'L', 0x402814}, {'b', 0x303030}};

// ---- Tiles, drawn by rule. ----

// Bricks of 16 x 8 with 1-pixel mortar, every other course shifted by half.
Picture Bricks(Rgb brick, Rgb mortar, int seed, Rgb speck) {
  Picture p = MakePicture(TILE_SIZE, TILE_SIZE, mortar);
  for (int y = 0; y < TILE_SIZE; ++y) {
    const int course = y / 8;
    for (int x = 0; x < TILE_SIZE; ++x) {
      const int bx = (x + (course % 2) * 8) % 16;
      if (y % 8 == 7 || bx == 15) continue;
      const int brick_id = (x + (course % 2) * 8) / 16;
      Rgb c = Shade(brick, static_cast<int>(Hash(brick_id, course, seed) % 28) - 14);
      c = Shade(c, static_cast<int>(Hash(x, y, seed) % 13) - 6);
      if (y % 8 == 0 || bx == 0) c = Shade(c, 24);
      if (y % 8 == 6 || bx == 14) c = Shade(c, -26);
      if (speck != 0 && Hash(x, y, seed + 7) % 11 == 0) c = speck;
      Put(p, x, y, c);
    }
  }
  return p;
}

Picture Massive() {
  Picture p = MakePicture(TILE_SIZE, TILE_SIZE, 0x5D6D7E);
  for (int y = 0; y < TILE_SIZE; ++y) {
    for (int x = 0; x < TILE_SIZE; ++x) {
      Rgb c = Shade(0x5D6D7E, static_cast<int>(Hash(x, y, 4) % 9) - 4);
      if (x < 2 || y < 2) c = 0xAEB6BF;
      if (x > 29 || y > 29) c = 0x2C3440;
      if ((x == 6 || x == 25) && y >= 6 && y <= 25) c = 0x3E4A57;
      if ((y == 6 || y == 25) && x >= 6 && x <= 25) c = 0x3E4A57;
      Put(p, x, y, c);
    }
  }
  for (int cx : {4, 27})
    for (int cy : {4, 27}) Put(p, cx, cy, 0xD5DBDB), Put(p, cx + 1, cy + 1, 0x1F262E);
  return p;
}

// Water with wave crests; the phase moves the crests so three tiles differ.
Picture Water(double phase) {
  constexpr double kPi = 3.14159265358979;
  Picture p = MakePicture(TILE_SIZE, TILE_SIZE, 0);
  for (int y = 0; y < TILE_SIZE; ++y) {
    for (int x = 0; x < TILE_SIZE; ++x) {
      Rgb c = Shade(0x1F6FB2, (y % 16) - 8 + static_cast<int>(Hash(x, y, 5) % 7) - 3);
      const double wave = 3.0 * std::sin((x / 16.0 + phase) * 2 * kPi);
      for (int line = 4; line < TILE_SIZE; line += 10) {
        const int crest = line + static_cast<int>(std::lround(wave));
        if (y == crest) c = 0x8FD0F5;
        if (y == crest + 1) c = 0x3D8ED0;
      }
      Put(p, x, y, c);
    }
  }
  return p;
}

// A bush of leafy blobs; the gaps stay magenta so a hidden player shows through.
Picture Bush() {
  struct Blob {
    int x, y, r;
  };
  const Blob blobs[] = {{9, 10, 8}, {22, 9, 8}, {16, 18, 9}, {8, 24, 7}, {24, 24, 7}};
  Picture p = MakePicture(TILE_SIZE, TILE_SIZE, MAGENTA);
  for (int y = 0; y < TILE_SIZE; ++y) {
    for (int x = 0; x < TILE_SIZE; ++x) {
      for (const Blob& b : blobs) {
        const int dx = x - b.x, dy = y - b.y, d2 = dx * dx + dy * dy;
        if (d2 > b.r * b.r || Hash(x, y, 8) % 5 == 0) continue;
        Rgb c = d2 > (b.r - 2) * (b.r - 2) ? 0x1B5E20 : 0x2E7D32;
        if (dx < 0 && dy < 0 && d2 < b.r * b.r / 3) c = 0x4CAF50;
        if (Hash(x, y, 9) % 9 == 0) c = 0x81C784;
        Put(p, x, y, c);
      }
    }
  }
  return p;
}

// ---- The default level. ----

// 1-3 bricks, M massive, a/b/c water, s stealth bush, '.' ground. The player
// starts in column 2, row 2.
const char* const LEVEL[MAP_ROWS] = {
    "111111111111111111", "1......2......ss.1", "1......2.......s.1", "1..MM..2..abcab..1",
    "1..M......bcabc..1", "1.........abcab..1", "1ss..3332........1", "1sss...3....M.M..1",
    "1ss....3.........1", "1......3...ss..3.1", "1..abc....sss..3.1", "1..bca..M..s...3.1",
    "1..........2222..1", "1.ss.............1", "111111111111111111"};

char TileCode(char letter) {
  const std::string letters = ".123Mabcs";
  const auto at = letters.find(letter);
  return at == std::string::npos ? 0 : static_cast<char>(at);
}

// Where the game looks for `game_path` when it runs in `root`, read as the
// file services read it; its folders are made on the way.
std::filesystem::path AssetPath(const std::filesystem::path& root, const char* game_path) {
  const std::filesystem::path path = root / Path_ToNative(game_path);
  std::filesystem::create_directories(path.parent_path());
  return path;
}

bool WriteMap(const std::filesystem::path& path) {
  std::string bytes;
  for (int col = 0; col < MAP_COLUMNS; ++col) {  // records run column by column
    for (int row = 0; row < MAP_ROWS; ++row) {
      std::string record(MAP_RECORD_SIZE, '\0');
      record[0] = TileCode(LEVEL[row][col]);
      bytes += record;
    }
  }
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

bool WriteSet(const std::filesystem::path& root, const char* const paths[SPRITE_SET_SIZE],
              const std::vector<Picture>& pictures) {
  bool ok = true;
  for (int i = 0; i < SPRITE_SET_SIZE; ++i)
    ok = WriteBmp(AssetPath(root, paths[i]), pictures[i]) && ok;
  return ok;
}

constexpr const char* USAGE =
    "usage: make_assets <folder>\n"
    "  Writes the game's images (imgs/...) and map (map/Map) into <folder>,\n"
    "  making it if needed. A folder whose name starts with '-' is given as ./-name.\n";

// The one argument is a folder; an option, an empty name or a count other
// than one is refused before anything is written.
bool IsFolderArgument(int argc, char** argv) {
  return argc == 2 && argv[1][0] != '\0' && argv[1][0] != '-';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(USAGE, stdout);
    return 0;
  }
  if (!IsFolderArgument(argc, argv)) {
    std::fputs(USAGE, stderr);
    return 2;
  }
  const std::filesystem::path root = argv[1];
  // In the order of TILE_IMAGE_PATHS: the image of code n in slot n - 1.
  const std::vector<Picture> tile_pictures = {Bricks(0xA5452F, 0x8C8276, 1, 0),
                                              Bricks(0x7E3B2B, 0x6E675E, 2, 0x4E7A32),
                                              Bricks(0x8A9297, 0x5B5F63, 3, 0),
                                              Massive(),
                                              Water(0.0),
                                              Water(1.0 / 3),
                                              Water(2.0 / 3),
                                              Bush()};
  try {
    bool ok = WriteSet(root, PLAYER_IMAGE_PATHS, FigureSet(PLAYER_COLOURS));
    ok = WriteSet(root, ENEMY_IMAGE_PATHS, FigureSet(REMOTE_COLOURS)) && ok;
    ok = WriteSet(root, TILE_IMAGE_PATHS, tile_pictures) && ok;
    ok = WriteMap(AssetPath(root, MAP_PATH)) && ok;
    if (!ok) throw std::runtime_error("a file could not be written");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_assets: %s\n", e.what());
    return 1;
  }
  return 0;
}
