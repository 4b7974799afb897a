// Screen, image and drawing services of the game window.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// A colour: alpha in bits 24-31, red 16-23, green 8-15, blue 0-7.
using Colour = std::uint32_t;

// Pixels whose low 24 bits are magenta are never drawn, whatever their alpha.
inline constexpr Colour TRANSPARENT_COLOUR = 0xFF00FF;
// A fresh image: magenta with alpha FF.
inline constexpr Colour FRESH_IMAGE_COLOUR = 0xFFFF00FF;

// Images larger than this either way are refused like missing files.
inline constexpr int MAX_IMAGE_SIDE = 4096;

// Flag for OpenScreen: a window without frame, border or title bar.
inline constexpr int SCREEN_FLAG_BORDERLESS = 8;

// An image in the screen's format, rows top to bottom. Created once by the
// game and never freed.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<Colour> pixels;
};

// Opens the window with a 32-bit framebuffer of our own. 0 on success. From
// then on PrintLine, WaitForKey and IsKeyDown work on the window.
int OpenScreen(int width, int height, int bits_per_pixel, int flags);

// Nesting lock: the outermost UnlockScreen shows the whole framebuffer.
void LockScreen();
void UnlockScreen();

// A width x height image filled with FRESH_IMAGE_COLOUR; null when no screen is
// open or a side is below 1 or above MAX_IMAGE_SIDE. The platform keeps every
// image until the process ends; callers never free one.
Image* CreateImage(int width, int height);

// Decodes a BMP file (any common depth, either row order) into `image` from its
// top-left corner, converted to the screen format and clipped to the image.
// 0 on success; non-zero (image untouched) for a missing, damaged or oversized
// file.
int LoadBitmapImage(const char* path, Image* image);

// Draws the image with its top-left corner at (x, y), skipping transparent
// pixels and clipping to the screen. A null image draws nothing.
void DrawImageTransparent(int x, int y, const Image* image);

// Fills x1 <= x <= x2, y1 <= y <= y2 (both corners included), clipped. The
// corners may come in any order: the box between them is filled.
void DrawFilledBox(int x1, int y1, int x2, int y2, Colour colour);

// Status text over the picture: the line, light on a black box as wide as the
// text, with its top-left corner at (x, y), clipped; only on the screen's own
// thread. The console lines' text cursor is left where it is.
void DrawTextAt(int x, int y, std::string_view text);
// The height in pixels of a line DrawTextAt draws.
int TextLineHeight();

// A small label over the picture, such as a name tag: the line in `ink` on a
// black box exactly LabelSize(text) large, in a smaller face than
// DrawTextAt's, with its top-left corner at (x, y), clipped; nothing for a
// corner left of or above the screen. Only on the screen's own thread.
void DrawLabelAt(int x, int y, std::string_view text, Colour ink);
struct TextSize {
  int width = 0;
  int height = 0;
};
// The box DrawLabelAt fills for `text` ({0, 0} for no text or no screen).
TextSize LabelSize(std::string_view text);
