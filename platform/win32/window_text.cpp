// Console lines drawn into the window, one under the other, in the system's
// fixed-pitch font; past the last line that fits, the cursor goes back to the
// top. GDI draws each line into a strip of its own, which is then copied into
// the framebuffer, so text needs no window (an in-memory screen shows it too).
// Labels are drawn the same way in a smaller fixed-pitch face and any colour.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/screen.h"
#include "screen_state.h"
#include "window_text.h"

namespace {

constexpr int TEXT_MARGIN = 4;
constexpr COLORREF TEXT_COLOUR = RGB(255, 255, 255);
constexpr COLORREF TEXT_BACKGROUND = RGB(0, 0, 0);
constexpr Colour ALPHA_OPAQUE = 0xFF000000;
// Labels sit over 25-pixel figures: small, yet a name of 16 letters reads.
// Drawn without smoothing, so every lit pixel has the label's own colour.
constexpr int LABEL_PIXEL_HEIGHT = 11;

// A 32-bit top-down strip as wide as the screen and as high as the taller
// of a line and a label.
struct TextStrip {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous_bitmap = nullptr;
  HFONT label_font = nullptr;  // null: labels in the lines' face
  Colour* pixels = nullptr;
  int width = 0;
  int line_height = 0;
  int label_height = 0;
  int rows = 0;
};

TextStrip strip;
int cursor_y = 0;

void Strip_Release() {
  if (strip.dc != nullptr) {
    SelectObject(strip.dc, strip.previous_bitmap);
    DeleteDC(strip.dc);
  }
  if (strip.bitmap != nullptr) DeleteObject(strip.bitmap);
  if (strip.label_font != nullptr) DeleteObject(strip.label_font);
  strip = TextStrip{};
}

int Font_LineHeight(HDC dc) {
  TEXTMETRICA metrics{};
  if (!GetTextMetricsA(dc, &metrics)) return 0;
  return metrics.tmHeight + metrics.tmExternalLeading;
}

// The lines' stock face stays selected; the label face is selected only
// while a label is drawn.
void Strip_MeasureFonts() {
  SelectObject(strip.dc, GetStockObject(ANSI_FIXED_FONT));
  strip.line_height = std::max(Font_LineHeight(strip.dc), 1);
  strip.label_font = CreateFontA(-LABEL_PIXEL_HEIGHT, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 NONANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN, nullptr);
  strip.label_height = strip.line_height;
  if (strip.label_font != nullptr) {
    const HGDIOBJ lines_font = SelectObject(strip.dc, strip.label_font);
    strip.label_height = std::max(Font_LineHeight(strip.dc), 1);
    SelectObject(strip.dc, lines_font);
  }
  strip.rows = std::max(strip.line_height, strip.label_height);
}

// Made for the screen's width on first use; false when GDI cannot give one.
bool Strip_Ready(int width) {
  if (strip.dc != nullptr && strip.width == width) return true;
  Strip_Release();
  strip.dc = CreateCompatibleDC(nullptr);
  if (strip.dc == nullptr) return false;
  Strip_MeasureFonts();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -strip.rows;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  strip.bitmap = CreateDIBSection(strip.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (strip.bitmap == nullptr) {
    Strip_Release();
    return false;
  }
  strip.previous_bitmap = SelectObject(strip.dc, strip.bitmap);
  strip.pixels = static_cast<Colour*>(bits);
  strip.width = width;
  SetTextColor(strip.dc, TEXT_COLOUR);
  SetBkColor(strip.dc, TEXT_BACKGROUND);
  SetBkMode(strip.dc, OPAQUE);
  return true;
}

// The line, light on black, from the margin.
void Strip_Render(const std::string& line) {
  std::memset(strip.pixels, 0, static_cast<std::size_t>(strip.width) * strip.rows * 4);
  TextOutA(strip.dc, TEXT_MARGIN, 0, line.c_str(), static_cast<int>(line.size()));
  GdiFlush();  // the strip's pixels are read directly next
}

// Copies the text's own box [TEXT_MARGIN, TEXT_MARGIN + text_width) of the
// strip's first `height` rows into the framebuffer with its left edge at `x`
// and its top at row y, clipped to both; GDI leaves the spare byte 0, so it is made opaque here. A
// line left of the margin and wider than the screen must not read past the
// strip's row.
void Strip_CopyTo(ScreenState& screen, int x, int y, int text_width, int height) {
  const int shift = x - TEXT_MARGIN;
  const int left = std::min(TEXT_MARGIN, screen.width - shift);
  const int right = std::min({TEXT_MARGIN + text_width, screen.width - shift, strip.width});
  const int rows = std::min(height, screen.height - y);
  for (int row = 0; row < rows; ++row) {
    const Colour* source = strip.pixels + static_cast<std::size_t>(row) * strip.width;
    Colour* target = &screen.pixels[static_cast<std::size_t>(y + row) * screen.width + shift];
    for (int column = left; column < right; ++column) {
      target[column] = source[column] | ALPHA_OPAQUE;
    }
  }
}

// The line's width in pixels in the strip's font.
int Strip_TextWidth(const std::string& line) {
  SIZE extent{};
  GetTextExtentPoint32A(strip.dc, line.c_str(), static_cast<int>(line.size()), &extent);
  return extent.cx;
}

// Returns the face to select again afterwards.
HGDIOBJ Strip_SelectLabelFont() {
  const HGDIOBJ label =
      strip.label_font != nullptr ? strip.label_font : GetCurrentObject(strip.dc, OBJ_FONT);
  return SelectObject(strip.dc, label);
}

}  // namespace

void WindowText_PrintLine(std::string_view text) {
  ScreenState& screen = Screen_State();
  if (!screen.open || !Screen_OnOwnerThread()) return;
  if (!Strip_Ready(screen.width)) return;
  if (cursor_y + strip.line_height > screen.height) cursor_y = 0;
  std::string line(text);
  const int width = Strip_TextWidth(line);
  LockScreen();
  // The line's band is cleared first so a line never mixes with the picture.
  DrawFilledBox(0, cursor_y, screen.width - 1, cursor_y + strip.line_height - 1, 0);
  if (!line.empty()) {
    Strip_Render(line);
    Strip_CopyTo(screen, TEXT_MARGIN, cursor_y, width, strip.line_height);
  }
  UnlockScreen();
  cursor_y += strip.line_height;
}

void DrawTextAt(int x, int y, std::string_view text) {
  ScreenState& screen = Screen_State();
  if (!screen.open || !Screen_OnOwnerThread() || x < 0 || y < 0) return;
  if (!Strip_Ready(screen.width) || text.empty()) return;
  const std::string line(text);
  LockScreen();
  Strip_Render(line);
  Strip_CopyTo(screen, x, y, Strip_TextWidth(line), strip.line_height);
  UnlockScreen();
}

int TextLineHeight() {
  return Strip_Ready(Screen_State().width) ? strip.line_height : 0;
}

TextSize LabelSize(std::string_view text) {
  const ScreenState& screen = Screen_State();
  if (text.empty() || !screen.open || !Strip_Ready(screen.width)) return {};
  const HGDIOBJ lines_font = Strip_SelectLabelFont();
  const int width = Strip_TextWidth(std::string(text));
  SelectObject(strip.dc, lines_font);
  return {width, strip.label_height};
}

void DrawLabelAt(int x, int y, std::string_view text, Colour ink) {
  ScreenState& screen = Screen_State();
  if (!screen.open || !Screen_OnOwnerThread() || x < 0 || y < 0) return;
  if (!Strip_Ready(screen.width) || text.empty()) return;
  const std::string line(text);
  const HGDIOBJ lines_font = Strip_SelectLabelFont();
  SetTextColor(strip.dc, RGB((ink >> 16) & 0xFF, (ink >> 8) & 0xFF, ink & 0xFF));
  LockScreen();
  Strip_Render(line);
  Strip_CopyTo(screen, x, y, Strip_TextWidth(line), strip.label_height);
  UnlockScreen();
  SetTextColor(strip.dc, TEXT_COLOUR);
  SelectObject(strip.dc, lines_font);
}

void WindowText_Reset() {
  cursor_y = 0;
}

void WindowText_Close() {
  Strip_Release();
  cursor_y = 0;
}
