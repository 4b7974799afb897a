#include "player.h"

#include "game.h"
#include "platform/keys.h"
#include "tile_map.h"

namespace {

const char* const PLAYER_IMAGE_PATHS[SPRITE_SET_SIZE] = {
    "imgs\\player\\PlayerUp1.bmp",   "imgs\\player\\PlayerDown1.bmp",
    "imgs\\player\\PlayerLeft1.bmp", "imgs\\player\\PlayerRight1.bmp",
    "imgs\\player\\PlayerUp2.bmp",   "imgs\\player\\PlayerDown2.bmp",
    "imgs\\player\\PlayerLeft2.bmp", "imgs\\player\\PlayerRight2.bmp"};

struct KeyStep {
  int scancode;
  int dx;
  int dy;
  std::uint8_t direction;
};

// Asked in this order; the first key down is the only one that acts.
constexpr KeyStep KEY_STEPS[] = {{SC_W, 0, -1, DIR_UP},
                                 {SC_S, 0, 1, DIR_DOWN},
                                 {SC_A, -1, 0, DIR_LEFT},
                                 {SC_D, 1, 0, DIR_RIGHT}};

void Step(Player& player, const KeyStep& step) {
  player.x += step.dx;
  player.y += step.dy;
  player.direction = step.direction;
  ++player.animCounter;
  // The unbounded position is reported: a step off the screen reports -1 or 616.
  if (player.onMove != nullptr) player.onMove(player.x, player.y, player.connectionId);
}

// Strictly inside: a corner on a tile's border line is inside neither tile.
bool CornerInside(int px, int py, int left, int top) {
  return left < px && px < left + TILE_SIZE && top < py && py < top + TILE_SIZE;
}

bool Overlaps(const Player& player, int left, int top) {
  const int x2 = player.x + SPRITE_SIZE;
  const int y2 = player.y + SPRITE_SIZE;
  return CornerInside(player.x, player.y, left, top) || CornerInside(x2, player.y, left, top) ||
         CornerInside(player.x, y2, left, top) || CornerInside(x2, y2, left, top);
}

}  // namespace

void Player_Init(Player& player, std::int32_t x, std::int32_t y, MoveCallback on_move) {
  player = Player{};
  player.onMove = on_move;
  player.x = x;
  player.y = y;
  player.active = 1;
  Player_LoadImages(player);
}

void Player_LoadImages(Player& player) {
  SpriteSet_Load(player.images, PLAYER_IMAGE_PATHS);
}

void Player_HandleKeys(Player& player) {
  if (player.active != 1) return;
  player.prevX = player.x;
  player.prevY = player.y;
  for (const KeyStep& step : KEY_STEPS) {
    if (IsKeyDown(step.scancode)) {
      Step(player, step);
      break;
    }
  }
  if (player.animCounter > ANIM_WRAP) player.animCounter = 0;
  if (player.y < 0) player.y = 0;
  if (player.x < 0) player.x = 0;
  if (player.y > PLAYER_MAX_Y) player.y = PLAYER_MAX_Y;
  if (player.x > PLAYER_MAX_X) player.x = PLAYER_MAX_X;
}

void Player_CollideWith(Player& player, const std::int8_t tiles[MAP_TILE_COUNT],
                        PLAX_ID connection_id, MoveCallback report) {
  // Every tile is visited; those after a restore see the restored position.
  for (int col = 1; col <= MAP_COLUMNS; ++col) {
    for (int row = 1; row <= MAP_ROWS; ++row) {
      if (!Tile_Blocks(tiles[MapIndex(col, row)])) continue;
      if (!Overlaps(player, (col - 1) * TILE_SIZE, (row - 1) * TILE_SIZE)) continue;
      player.x = player.prevX;
      player.y = player.prevY;
      report(player.x, player.y, connection_id);
    }
  }
}

void Player_Collide(Game& game) {
  Player_CollideWith(game.player, game.map.tiles, game.connectionId, ReportPosition);
}

void Player_Draw(const Player& player) {
  if (player.active != 1) return;
  const Image* image = SpriteSet_Frame(player.images, player.direction, player.animCounter);
  if (image != nullptr) DrawImageTransparent(player.x, player.y, image);
}

void Player_EraseOld(const Player& player) {
  DrawFilledBox(player.prevX, player.prevY, player.prevX + SPRITE_SIZE, player.prevY + SPRITE_SIZE,
                0);
}
