#include "name_tags.h"

#include <algorithm>

#include "game/seat_colours.h"
#include "game/tiles.h"

namespace {

constexpr Colour ALPHA_OPAQUE = 0xFF000000;

struct Box {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

bool Box_Overlaps(const Box& a, const Box& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

Box Figure_Box(std::int32_t x, std::int32_t y) {
  return {static_cast<int>(x), static_cast<int>(y), SPRITE_SIZE, SPRITE_SIZE};
}

// Centred above the figure, within the screen's sides; below it when the
// top edge leaves no room.
Box Tag_Above(std::int32_t x, std::int32_t y, TextSize size) {
  const int centred = static_cast<int>(x) + SPRITE_SIZE / 2 - size.width / 2;
  const int left = std::clamp(centred, 0, std::max(SCREEN_WIDTH - size.width, 0));
  const int top = static_cast<int>(y) - NAME_TAG_GAP - size.height;
  if (top >= 0) return {left, top, size.width, size.height};
  return {left, static_cast<int>(y) + SPRITE_SIZE + NAME_TAG_GAP, size.width, size.height};
}

Box Tag_Below(std::int32_t x, std::int32_t y, TextSize size) {
  const Box above = Tag_Above(x, y, size);
  return {above.left, static_cast<int>(y) + SPRITE_SIZE + NAME_TAG_GAP, size.width, size.height};
}

// The tag of a figure at (x, y); no text when every place covers the own player.
NameTag Tag_Make(const std::string& text, int seat, std::int32_t x, std::int32_t y,
                 const Box& own) {
  const TextSize size = LabelSize(text);
  Box box = Tag_Above(x, y, size);
  if (Box_Overlaps(box, own)) box = Tag_Below(x, y, size);
  if (Box_Overlaps(box, own) || box.top + box.height > SCREEN_HEIGHT) return {};
  return {text, box.left, box.top, size, SeatColour_Ink(seat)};
}

void Mark_Draw(std::int32_t x, std::int32_t y, Colour ink) {
  const int left = static_cast<int>(x);
  const int top = static_cast<int>(y);
  const int right = left + SPRITE_SIZE - 1;
  const int bottom = top + SPRITE_SIZE - 1;
  const int inner = SEAT_MARK_WIDTH - 1;
  DrawFilledBox(left, top, right, top + inner, ink);
  DrawFilledBox(left, bottom - inner, right, bottom, ink);
  DrawFilledBox(left, top, left + inner, bottom, ink);
  DrawFilledBox(right - inner, top, right, bottom, ink);
}

}  // namespace

void SeatRoster_Apply(SeatRoster& roster, const LanEvent& event) {
  if (event.seat < 1 || event.seat > LAN_SEATS) return;
  std::string& name = roster.names[static_cast<std::size_t>(event.seat - 1)];
  if (event.kind == LanEventKind::Welcome) roster.ownSeat = event.seat;
  if (event.kind == LanEventKind::Named) name = Name_Clean(event.name);
  if (event.kind == LanEventKind::Left) name.clear();
}

Colour SeatColour_Ink(int seat) {
  const SeatColour colour = SeatColour_Of(seat);
  return ALPHA_OPAQUE | Colour{colour.red} << 16 | Colour{colour.green} << 8 | colour.blue;
}

bool Figure_InBush(const TileMap& map, std::int32_t x, std::int32_t y) {
  const std::int64_t middle_x = std::int64_t{x} + SPRITE_SIZE / 2;
  const std::int64_t middle_y = std::int64_t{y} + SPRITE_SIZE / 2;
  if (middle_x < 0 || middle_y < 0) return false;
  const std::int64_t col = middle_x / TILE_SIZE + 1;
  const std::int64_t row = middle_y / TILE_SIZE + 1;
  if (col > MAP_COLUMNS || row > MAP_ROWS) return false;
  return map.tiles[MapIndex(static_cast<int>(col), static_cast<int>(row))] == TILE_STEALTH;
}

NameTags NameTags_Place(const SeatRoster& roster, const std::string& own_name,
                        const RemotePlayers& others, const Player& own, const TileMap& map) {
  NameTags tags;
  SeatNames names = roster.names;
  const bool seated = roster.ownSeat >= 1 && roster.ownSeat <= LAN_SEATS;
  if (seated) names[static_cast<std::size_t>(roster.ownSeat - 1)] = Name_Clean(own_name);
  const Box own_box = Figure_Box(own.x, own.y);
  for (int seat = 1; seat <= LAN_SEATS; ++seat) {
    const std::string text = SeatNames_Shown(names, seat);
    const bool mine = seated && seat == roster.ownSeat;
    const Enemy& figure = others.seats[seat - 1];
    const std::int32_t x = mine ? own.x : figure.x;
    const std::int32_t y = mine ? own.y : figure.y;
    if (text.empty() || (!mine && figure.active != 1) || Figure_InBush(map, x, y)) continue;
    // The own tag sits clear of its player by its place; no box to avoid.
    tags[static_cast<std::size_t>(seat - 1)] = Tag_Make(text, seat, x, y, mine ? Box{} : own_box);
  }
  return tags;
}

void NameTags_Erase(const NameTags& tags) {
  for (const NameTag& tag : tags) {
    if (tag.text.empty()) continue;
    DrawFilledBox(tag.x, tag.y, tag.x + tag.size.width - 1, tag.y + tag.size.height - 1, 0);
  }
}

void NameTags_Draw(const NameTags& tags) {
  for (const NameTag& tag : tags) {
    if (!tag.text.empty()) DrawLabelAt(tag.x, tag.y, tag.text, tag.ink);
  }
}

void SeatMarks_Draw(const SeatRoster& roster, const RemotePlayers& others, const Player& own,
                    const TileMap& map) {
  for (int seat = 1; seat <= LAN_SEATS; ++seat) {
    const Enemy& figure = others.seats[seat - 1];
    if (figure.active == 1 && !Figure_InBush(map, figure.x, figure.y)) {
      Mark_Draw(figure.x, figure.y, SeatColour_Ink(seat));
    }
  }
  const bool seated = roster.ownSeat >= 1 && roster.ownSeat <= LAN_SEATS;
  if (seated && !Figure_InBush(map, own.x, own.y)) {
    Mark_Draw(own.x, own.y, SeatColour_Ink(roster.ownSeat));
  }
}
