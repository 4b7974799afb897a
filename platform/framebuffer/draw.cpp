// Images and drawing on the framebuffer; no window needed.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

#include "bitmap_header.h"
#include "platform/screen.h"
#include "screen_state.h"

namespace {

// The game creates its images once and never frees them; keeping them here
// makes that ownership explicit and leaves nothing for a leak checker to flag.
std::mutex images_mutex;
std::vector<std::unique_ptr<Image>> images;

// The part of a span [start, start + length) that lies in [0, limit), in 64
// bits so that coordinates near the int limits cannot overflow.
struct Span {
  std::int64_t begin = 0;
  std::int64_t end = 0;
};

Span Span_Clip(std::int64_t start, std::int64_t length, int limit) {
  Span span{std::max<std::int64_t>(start, 0), std::min<std::int64_t>(start + length, limit)};
  if (span.end < span.begin) span.end = span.begin;
  return span;
}

bool Colour_IsTransparent(Colour colour) {
  return (colour & 0xFFFFFFu) == TRANSPARENT_COLOUR;
}

}  // namespace

Image* CreateImage(int width, int height) {
  if (!Screen_State().open) return nullptr;
  if (width < 1 || height < 1 || width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE) return nullptr;
  auto image = std::make_unique<Image>();
  image->width = width;
  image->height = height;
  image->pixels.assign(static_cast<std::size_t>(width) * height, FRESH_IMAGE_COLOUR);
  std::lock_guard lock(images_mutex);
  images.push_back(std::move(image));
  return images.back().get();
}

void DrawImageTransparent(int x, int y, const Image* image) {
  ScreenState& screen = Screen_State();
  if (!screen.open || !Image_IsWhole(image)) return;
  Span columns = Span_Clip(x, image->width, screen.width);
  Span rows = Span_Clip(y, image->height, screen.height);
  LockScreen();
  for (std::int64_t row = rows.begin; row < rows.end; ++row) {
    const Colour* source = &image->pixels[static_cast<std::size_t>((row - y) * image->width)];
    Colour* target = &screen.pixels[static_cast<std::size_t>(row * screen.width)];
    for (std::int64_t column = columns.begin; column < columns.end; ++column) {
      Colour colour = source[column - x];
      if (!Colour_IsTransparent(colour)) target[column] = colour;
    }
  }
  UnlockScreen();
}

void DrawFilledBox(int x1, int y1, int x2, int y2, Colour colour) {
  ScreenState& screen = Screen_State();
  if (!screen.open) return;
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  Span columns = Span_Clip(x1, std::int64_t{x2} - x1 + 1, screen.width);
  Span rows = Span_Clip(y1, std::int64_t{y2} - y1 + 1, screen.height);
  LockScreen();
  for (std::int64_t row = rows.begin; row < rows.end; ++row) {
    Colour* line = &screen.pixels[static_cast<std::size_t>(row * screen.width)];
    std::fill(line + columns.begin, line + columns.end, colour);
  }
  UnlockScreen();
}
