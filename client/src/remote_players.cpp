#include "remote_players.h"

#include "game/player_rules.h"
#include "player.h"

namespace {

// The way of a step from (x0, y0) to (x1, y1); a longer jump faces along its
// larger part.
std::uint8_t StepDirection(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
  const std::int32_t dx = x1 - x0;
  const std::int32_t dy = y1 - y0;
  const std::int32_t across = dx < 0 ? -dx : dx;
  const std::int32_t along = dy < 0 ? -dy : dy;
  if (across >= along) return dx > 0 ? DIR_RIGHT : DIR_LEFT;
  return dy > 0 ? DIR_DOWN : DIR_UP;
}

void Figure_MoveTo(Enemy& figure, std::int32_t x, std::int32_t y) {
  if (figure.active != 1) {
    // A newcomer shows as the local player starts: facing up, first frame.
    figure.active = 1;
    figure.direction = DIR_UP;
    figure.animCounter = 0;
  } else if (x != figure.x || y != figure.y) {
    figure.direction = StepDirection(figure.x, figure.y, x, y);
    if (++figure.animCounter > ANIM_WRAP) figure.animCounter = 0;
  }
  figure.x = x;
  figure.y = y;
}

}  // namespace

void RemotePlayers_ShareImages(RemotePlayers& players, Image* const images[SPRITE_SET_SIZE]) {
  for (Enemy& figure : players.seats) {
    for (int slot = 0; slot < SPRITE_SET_SIZE; ++slot) figure.images[slot] = images[slot];
  }
}

void RemotePlayers_Apply(RemotePlayers& players, const LanEvent& event) {
  const bool about_a_figure = event.kind == LanEventKind::Moved || event.kind == LanEventKind::Left;
  if (!about_a_figure || event.seat < 1 || event.seat > LAN_SEATS) return;
  Enemy& figure = players.seats[event.seat - 1];
  if (event.kind == LanEventKind::Left) {
    figure.active = 0;
    return;
  }
  if (!Player_Reportable(event.x, event.y)) return;
  Figure_MoveTo(figure, event.x, event.y);
}

void RemotePlayers_Clear(RemotePlayers& players) {
  for (Enemy& figure : players.seats) figure.active = 0;
}

void RemotePlayers_Erase(const RemotePlayers& players) {
  for (const Enemy& figure : players.seats) {
    if (figure.active != 1) continue;
    DrawFilledBox(figure.x, figure.y, figure.x + SPRITE_SIZE, figure.y + SPRITE_SIZE, 0);
  }
}

void RemotePlayers_Draw(const RemotePlayers& players) {
  for (const Enemy& figure : players.seats) Enemy_Draw(figure);
}
