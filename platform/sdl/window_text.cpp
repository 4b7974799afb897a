// Console lines drawn into the window, one under the other, in a monospaced
// font (or the built-in glyphs when the system has no font at all); past the
// last line that fits, the cursor goes back to the top.
#include "window_text.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "platform/screen.h"
#include "screen_state.h"
#include "window_font.h"

namespace {

constexpr int FONT_POINT_SIZE = 14;
// Labels sit over 25-pixel figures: small, yet a name of 16 letters reads.
constexpr int LABEL_POINT_SIZE = 10;
constexpr int TEXT_MARGIN = 4;
constexpr SDL_Color TEXT_BACKGROUND{0, 0, 0, 255};
constexpr SDL_Color TEXT_COLOUR{255, 255, 255, 255};
constexpr Colour TEXT_INK = 0xFFFFFFFF;  // the same, for the built-in glyphs
// Built-in glyphs are 10 pixels high: centred in their line.
constexpr int BUILTIN_LABEL_TOP = 2;

struct TextState {
  TTF_Font* font = nullptr;
  TTF_Font* label_font = nullptr;
  bool font_tried = false;  // the search runs once, not per line
  bool label_font_tried = false;
  int cursor_y = 0;
};

TextState text;

TTF_Font* Text_Font() {
  if (text.font_tried) return text.font;
  text.font_tried = true;
  if (TTF_WasInit() == 0 && TTF_Init() != 0) return nullptr;
  text.font = WindowFont_Open(FONT_POINT_SIZE);
  if (text.font == nullptr) std::fprintf(stderr, "No font found; window text in plain glyphs\n");
  return text.font;
}

// Looked for only once the line font is there: without it, labels use the
// built-in glyphs too.
TTF_Font* Text_LabelFont() {
  if (text.label_font_tried) return text.label_font;
  text.label_font_tried = true;
  if (Text_Font() != nullptr) text.label_font = WindowFont_Open(LABEL_POINT_SIZE);
  // Hinted for two-colour rendering (Label_Render).
  if (text.label_font != nullptr) TTF_SetFontHinting(text.label_font, TTF_HINTING_MONO);
  return text.label_font;
}

// Copies the rendered line into the framebuffer at (x, y), clipped.
void Text_Blit(SDL_Surface* line, int x, int y) {
  ScreenState& screen = Screen_State();
  int width = std::min(line->w, screen.width - x);
  int height = std::min(line->h, screen.height - y);
  if (width <= 0 || height <= 0) return;
  SDL_LockSurface(line);
  for (int row = 0; row < height; ++row) {
    const auto* source =
        reinterpret_cast<const Colour*>(static_cast<const unsigned char*>(line->pixels) +
                                        static_cast<std::size_t>(row) * line->pitch);
    std::copy(source, source + width,
              &screen.pixels[static_cast<std::size_t>(y + row) * screen.width + x]);
  }
  SDL_UnlockSurface(line);
}

int Text_LineHeight(TTF_Font* font) {
  return font != nullptr ? std::max(TTF_FontLineSkip(font), 1) : BUILTIN_LINE_HEIGHT;
}

void Text_Render(TTF_Font* font, const std::string& line, int x, int y) {
  if (line.empty()) return;  // the font renders nothing for no text
  if (font == nullptr) {
    BuiltinGlyphs_Draw(line, x, y, TEXT_INK);
    return;
  }
  SDL_Surface* shaded = TTF_RenderUTF8_Shaded(font, line.c_str(), TEXT_COLOUR, TEXT_BACKGROUND);
  if (shaded == nullptr) return;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(shaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(shaded);
  if (argb == nullptr) return;
  Text_Blit(argb, x, y);
  SDL_FreeSurface(argb);
}

// A frame draws the same few labels as the last one: each text is rendered
// once and kept, for the last LABEL_CACHE_SIZE texts drawn.
constexpr std::size_t LABEL_CACHE_SIZE = 8;
struct RenderedLabel {
  std::string text;
  SDL_Surface* surface = nullptr;
};
std::array<RenderedLabel, LABEL_CACHE_SIZE> rendered_labels;
std::size_t next_rendered_label = 0;

SDL_Surface* Label_Rendered(TTF_Font* font, const std::string& line) {
  for (const RenderedLabel& label : rendered_labels) {
    if (label.surface != nullptr && label.text == line) return label.surface;
  }
  SDL_Surface* solid = TTF_RenderUTF8_Solid(font, line.c_str(), TEXT_COLOUR);
  if (solid == nullptr) return nullptr;
  RenderedLabel& oldest = rendered_labels[next_rendered_label];
  next_rendered_label = (next_rendered_label + 1) % LABEL_CACHE_SIZE;
  if (oldest.surface != nullptr) SDL_FreeSurface(oldest.surface);
  oldest = RenderedLabel{line, solid};
  return solid;
}

// Labels are rendered in two colours, without smoothing: letters this small
// would otherwise blend most of their pixels with the black, and a label is
// to show its own colour. Every pixel of the rendered line that is not its
// background (palette index 0) gets the ink; the box is black under it.
void Label_Render(TTF_Font* font, const std::string& line, int x, int y, Colour ink) {
  SDL_Surface* solid = Label_Rendered(font, line);
  if (solid == nullptr) return;
  ScreenState& screen = Screen_State();
  DrawFilledBox(x, y, x + solid->w - 1, y + solid->h - 1, 0);
  const int width = std::min(solid->w, screen.width - x);
  const int height = std::min(solid->h, screen.height - y);
  SDL_LockSurface(solid);
  for (int row = 0; row < height; ++row) {
    const auto* source =
        static_cast<const Uint8*>(solid->pixels) + static_cast<std::size_t>(row) * solid->pitch;
    Colour* target = &screen.pixels[static_cast<std::size_t>(y + row) * screen.width + x];
    for (int column = 0; column < width; ++column) {
      if (source[column] != 0) target[column] = ink;
    }
  }
  SDL_UnlockSurface(solid);
}

}  // namespace

void WindowText_PrintLine(std::string_view line) {
  ScreenState& screen = Screen_State();
  if (!screen.open || !Screen_OnOwnerThread()) return;
  TTF_Font* font = Text_Font();
  const int line_height = Text_LineHeight(font);
  if (text.cursor_y + line_height > screen.height) text.cursor_y = 0;
  LockScreen();
  // The line's band is cleared first so a line never mixes with the picture.
  DrawFilledBox(0, text.cursor_y, screen.width - 1, text.cursor_y + line_height - 1, 0);
  Text_Render(font, std::string(line), TEXT_MARGIN, text.cursor_y);
  UnlockScreen();
  text.cursor_y += line_height;
}

void DrawTextAt(int x, int y, std::string_view line) {
  ScreenState& screen = Screen_State();
  if (!screen.open || !Screen_OnOwnerThread() || x < 0 || y < 0) return;
  TTF_Font* font = Text_Font();
  LockScreen();
  // The built-in glyphs draw no background of their own.
  if (font == nullptr) {
    DrawFilledBox(x, y, x + static_cast<int>(line.size()) * BUILTIN_LINE_HEIGHT,
                  y + BUILTIN_LINE_HEIGHT - 1, 0);
  }
  Text_Render(font, std::string(line), x, y);
  UnlockScreen();
}

int TextLineHeight() {
  return Text_LineHeight(Text_Font());
}

TextSize LabelSize(std::string_view line) {
  if (line.empty() || !Screen_State().open) return {};
  TTF_Font* font = Text_LabelFont();
  if (font == nullptr) {
    return {static_cast<int>(line.size()) * BUILTIN_GLYPH_ADVANCE, BUILTIN_LINE_HEIGHT};
  }
  const SDL_Surface* rendered = Label_Rendered(font, std::string(line));
  if (rendered == nullptr) return {};
  return {rendered->w, rendered->h};
}

void DrawLabelAt(int x, int y, std::string_view line, Colour ink) {
  ScreenState& screen = Screen_State();
  if (!screen.open || !Screen_OnOwnerThread() || x < 0 || y < 0) return;
  const TextSize size = LabelSize(line);
  if (size.width <= 0) return;
  TTF_Font* font = Text_LabelFont();
  LockScreen();
  if (font == nullptr) {
    DrawFilledBox(x, y, x + size.width - 1, y + size.height - 1, 0);
    BuiltinGlyphs_Draw(line, x, y + BUILTIN_LABEL_TOP, ink);
  } else {
    Label_Render(font, std::string(line), x, y, ink);
  }
  UnlockScreen();
}

void WindowText_Reset() {
  text.cursor_y = 0;
}

void WindowText_Close() {
  if (text.font != nullptr) TTF_CloseFont(text.font);
  if (text.label_font != nullptr) TTF_CloseFont(text.label_font);
  if (TTF_WasInit() != 0) TTF_Quit();
  text = TextState{};
}
