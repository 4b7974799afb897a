#include "client_test_support.h"

#include <gtest/gtest.h>

#include <random>

#include "game.h"
#include "game/map_file.h"
#include "platform/keys.h"
#include "platform_testing.h"

ScratchDir::ScratchDir() : path(folder.path), previous(std::filesystem::current_path()) {
  std::filesystem::current_path(path);
}

ScratchDir::~ScratchDir() {
  std::filesystem::current_path(previous);
}

void Bmp_Write(const std::string& path, int width, int height,
               const std::function<Colour(int x, int y)>& colour) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(colour(x, y));
  }
  Bmp_Write(path, width, height, 24, false, pixels);
}

std::string MapBytes(const std::int8_t codes[]) {
  std::string bytes(static_cast<std::size_t>(MAP_TILE_COUNT) * MAP_RECORD_SIZE, '\0');
  for (int k = 0; k < MAP_TILE_COUNT; ++k) bytes[k * MAP_RECORD_SIZE] = static_cast<char>(codes[k]);
  return bytes;
}

Image* SolidImage(int width, int height, Colour colour) {
  Image* image = CreateImage(width, height);
  if (image != nullptr) image->pixels.assign(image->pixels.size(), colour);
  return image;
}

Colour ScreenRgb(int x, int y) {
  return Screen_Pixels()[y * Screen_Width() + x] & 0xFFFFFF;
}

void ReleaseGameKeys() {
  for (int key : {SC_ESCAPE, SC_W, SC_A, SC_S, SC_D}) {
    Keys_Release(key);
    IsKeyDown(key);  // clears a latched press
  }
}

bool ExitedWithMinusOne(int status) {
  return ::testing::ExitedWithCode(255)(status) || ::testing::ExitedWithCode(-1)(status);
}

std::vector<Report>& RecordedReports() {
  static std::vector<Report> reports;
  return reports;
}

void RecordReport(std::int32_t x, std::int32_t y, PLAX_ID connection_id) {
  RecordedReports().push_back(Report{x, y, connection_id});
}

std::vector<std::string> HostileLanChunks() {
  std::vector<std::string> chunks;
  for (int type : {0, 1, 2, 3, 4, 255}) {
    for (std::size_t length = 0; length <= 20; ++length) {
      std::string message(length, '\x7F');
      if (length > 0) message[0] = static_cast<char>(type);
      chunks.push_back(message);
    }
  }
  std::mt19937 random(16);
  std::string noise(4096, '\0');
  for (char& byte : noise) byte = static_cast<char>(random() & 0xFF);
  chunks.push_back(noise);
  chunks.push_back(std::string(7936, '\x02'));
  return chunks;
}

void Game_SetUpOnSolidImages(Game& game) {
  Screen_OpenInMemory(SCREEN_WIDTH, SCREEN_HEIGHT);
  ReleaseGameKeys();
  game.player.x = game.player.y = 33;
  game.player.active = 1;
  for (int slot = 0; slot < SPRITE_SET_SIZE; ++slot) {
    game.player.images[slot] = SolidImage(25, 25, 0x00AA00);
    game.enemy.images[slot] = SolidImage(25, 25, 0xAA0000);
    game.map.tileImages[slot] = SolidImage(TILE_SIZE, TILE_SIZE, 0x0000AA);
  }
}
