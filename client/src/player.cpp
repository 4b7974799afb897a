#include "player.h"

#include "game.h"
#include "game/assets.h"
#include "platform/keys.h"
#include "tile_map.h"

namespace {

struct KeyStep {
  int scancode;
  std::uint8_t direction;
};

// Asked in this order; the first key down is the only one that acts.
constexpr KeyStep KEY_STEPS[] = {
    {SC_W, DIR_UP}, {SC_S, DIR_DOWN}, {SC_A, DIR_LEFT}, {SC_D, DIR_RIGHT}};

void Step(Player& player, std::uint8_t direction) {
  player.x += DIRECTION_STEPS[direction].dx;
  player.y += DIRECTION_STEPS[direction].dy;
  player.direction = direction;
  ++player.animCounter;
  // The unbounded position is reported: a step off the screen reports -1 or 616.
  if (player.onMove != nullptr) player.onMove(player.x, player.y, player.connectionId);
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
      Step(player, step.direction);
      break;
    }
  }
  if (player.animCounter > ANIM_WRAP) player.animCounter = 0;
  Player_KeepOnScreen(player.x, player.y);
}

void Player_CollideWith(Player& player, const std::int8_t tiles[MAP_TILE_COUNT],
                        PLAX_ID connection_id, MoveCallback report) {
  const int restores =
      Player_TakeBackFromWalls(player.x, player.y, player.prevX, player.prevY, tiles);
  for (int i = 0; i < restores; ++i) report(player.x, player.y, connection_id);
}

void Player_Collide(Game& game) {
  // The LAN game hands its reports to its sender; the default game sends them here.
  const MoveCallback report = game.player.onMove != nullptr ? game.player.onMove : ReportPosition;
  Player_CollideWith(game.player, game.map.tiles, game.connectionId, report);
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
