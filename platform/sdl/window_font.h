// Where the window's text comes from: a font the system offers, or the small
// built-in glyphs when it offers none.
#pragma once

#include <SDL_ttf.h>

#include <string_view>

#include "platform/screen.h"

// The monospaced font the system prefers (DejaVu Sans Mono, else another
// monospace face, else any face that opens), found through fontconfig; null
// when none opens. Needs TTF_Init.
TTF_Font* WindowFont_Open(int point_size);

// Height of a line of built-in glyphs, spacing included, and the width of
// one glyph with its spacing.
inline constexpr int BUILTIN_LINE_HEIGHT = 14;
inline constexpr int BUILTIN_GLYPH_ADVANCE = 8;

// Draws the line in built-in glyphs (capitals, digits and punctuation; other
// characters as '?'), light on the framebuffer from (x, y), clipped.
void BuiltinGlyphs_Draw(std::string_view line, int x, int y, Colour colour);
