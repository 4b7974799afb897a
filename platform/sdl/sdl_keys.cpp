// SDL's key names as set-1 scancodes.
#include "input.h"
#include "platform/keys.h"
#include "sdl_window.h"

namespace {

// SDL keys beyond the letters and digits, with their set-1 scancodes.
struct SdlKey {
  SDL_Scancode sdl;
  int scancode;
};
constexpr SdlKey SDL_KEYS[] = {
    {SDL_SCANCODE_ESCAPE, SC_ESCAPE},  {SDL_SCANCODE_MINUS, 12},
    {SDL_SCANCODE_EQUALS, 13},         {SDL_SCANCODE_BACKSPACE, SC_BACKSPACE},
    {SDL_SCANCODE_TAB, SC_TAB},        {SDL_SCANCODE_LEFTBRACKET, 26},
    {SDL_SCANCODE_RIGHTBRACKET, 27},   {SDL_SCANCODE_RETURN, SC_ENTER},
    {SDL_SCANCODE_KP_ENTER, SC_ENTER}, {SDL_SCANCODE_LCTRL, 29},
    {SDL_SCANCODE_SEMICOLON, 39},      {SDL_SCANCODE_APOSTROPHE, 40},
    {SDL_SCANCODE_GRAVE, 41},          {SDL_SCANCODE_LSHIFT, 42},
    {SDL_SCANCODE_BACKSLASH, 43},      {SDL_SCANCODE_COMMA, 51},
    {SDL_SCANCODE_PERIOD, 52},         {SDL_SCANCODE_SLASH, 53},
    {SDL_SCANCODE_RSHIFT, 54},         {SDL_SCANCODE_LALT, 56},
    {SDL_SCANCODE_SPACE, SC_SPACE},    {SDL_SCANCODE_UP, SC_UP},
    {SDL_SCANCODE_LEFT, SC_LEFT},      {SDL_SCANCODE_RIGHT, SC_RIGHT},
    {SDL_SCANCODE_DOWN, SC_DOWN},
};

}  // namespace

int WindowKeys_FromSdl(SDL_Scancode key) {
  if (key >= SDL_SCANCODE_A && key <= SDL_SCANCODE_Z) {
    return Keys_ScancodeForChar(static_cast<char>('a' + (key - SDL_SCANCODE_A)));
  }
  if (key >= SDL_SCANCODE_1 && key <= SDL_SCANCODE_0) {
    return Keys_ScancodeForChar("1234567890"[key - SDL_SCANCODE_1]);
  }
  for (const SdlKey& entry : SDL_KEYS) {
    if (entry.sdl == key) return entry.scancode;
  }
  return -1;
}
