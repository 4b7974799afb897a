// Who is who in the LAN game: every seated player, the own one too, framed
// in its seat's colour (game/seat_colours.h) and named in a small tag of that
// colour above it. The roster is what the server told; where the tags go is
// worked out from it, the figures and the map before anything is drawn, and
// the frame keeps the result to erase it in the next frame, as it does the
// figures' boxes.
#pragma once

#include <array>
#include <string>

#include "game/names.h"
#include "player.h"
#include "remote_players.h"
#include "tile_map.h"

// Gap in pixels between a figure and its tag.
inline constexpr int NAME_TAG_GAP = 1;
// Thickness of the frame that marks a figure in its seat's colour: drawn
// under the figure, inside its 25 x 25 box, so the figure's erase box takes
// it too.
inline constexpr int SEAT_MARK_WIDTH = 2;

// What the server told about the seats. The own name is not told: it is the
// one this player chose.
struct SeatRoster {
  SeatNames names;  // empty: nobody there, or no name told yet
  int ownSeat = 0;  // from the Welcome; 0 before it
};

// A Welcome gives the own seat, PlayerNamed a seat's name, a departure
// forgets that seat's name; other events change nothing.
void SeatRoster_Apply(SeatRoster& roster, const LanEvent& event);

struct NameTag {
  std::string text;  // as shown ("Sam (2)"); empty: no tag
  int x = 0;         // top-left corner of its box
  int y = 0;
  TextSize size;
  Colour ink = 0;
};
using NameTags = std::array<NameTag, LAN_SEATS>;  // seat s in slot s - 1

// The seat's colour as the screen draws it.
Colour SeatColour_Ink(int seat);

// True when the figure at (x, y) stands in a bush (its middle is in one): it
// is hidden, and so are its mark and tag.
bool Figure_InBush(const TileMap& map, std::int32_t x, std::int32_t y);

// This frame's tags: one per seated figure with a name, the own (named
// `own_name`) once the Welcome told its seat. Centred above the figure,
// kept on the screen, below it where there is no room above. A tag never
// covers the own player: one that would goes below its figure, or is left
// out. A figure in a bush has none.
NameTags NameTags_Place(const SeatRoster& roster, const std::string& own_name,
                        const RemotePlayers& others, const Player& own, const TileMap& map);

// Blackens the boxes of the tags as they were drawn.
void NameTags_Erase(const NameTags& tags);
void NameTags_Draw(const NameTags& tags);

// The frames of the seated figures not in a bush; drawn before the figures.
void SeatMarks_Draw(const SeatRoster& roster, const RemotePlayers& others, const Player& own,
                    const TileMap& map);
