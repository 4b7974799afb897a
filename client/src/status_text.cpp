#include "status_text.h"

#include "game/tiles.h"
#include "platform/screen.h"

namespace {

constexpr int STATUS_MARGIN = 6;

// The top of the two lines' band.
int Status_Top() {
  return SCREEN_HEIGHT - STATUS_MARGIN - 2 * TextLineHeight();
}

}  // namespace

bool StatusText_Any(const StatusLines& status) {
  return !status.lines[0].empty();
}

void StatusText_Erase() {
  DrawFilledBox(0, Status_Top(), SCREEN_WIDTH - 1, SCREEN_HEIGHT - STATUS_MARGIN - 1, 0);
}

void StatusText_Draw(const StatusLines& status) {
  if (!StatusText_Any(status)) return;
  const int top = Status_Top();
  const int height = TextLineHeight();
  if (status.lines[1].empty()) {
    DrawTextAt(STATUS_MARGIN, top + height, status.lines[0]);
    return;
  }
  DrawTextAt(STATUS_MARGIN, top, status.lines[0]);
  DrawTextAt(STATUS_MARGIN, top + height, status.lines[1]);
}
