// The LAN game's status lines, drawn over the bottom of the map: at most two,
// each light on a black box, replaced whole from one frame to the next.
#pragma once

#include "lan_link.h"

// Blackens the status band, so that lines shown before leave nothing behind
// once the map is drawn again. Called before the frame's drawing.
void StatusText_Erase();

// Draws the lines over the picture (nothing for none); a lone line takes the
// bottom place.
void StatusText_Draw(const StatusLines& status);

// True when there is something to draw.
bool StatusText_Any(const StatusLines& status);
