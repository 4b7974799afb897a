// The Win32 window: a popup at the desktop's top-left corner showing our own
// framebuffer through SetDIBitsToDevice, its key messages read as set-1 scan
// codes, and its message pump.
#include <windows.h>
// The timer period calls; needs the types windows.h brings.
#include <mmsystem.h>

#include <cstdio>

#include "platform/keys.h"
#include "screen_state.h"
#include "win32_window.h"
#include "window_keys.h"

namespace {

constexpr const char* WINDOW_CLASS = "TileGameWindow";
constexpr const char* WINDOW_TITLE = "Tile game";
// Sleep's steps while the window is open: the frame pacing of 16 ms would
// otherwise round to the system timer's 15.6 ms steps.
constexpr UINT TIMER_PERIOD_MS = 1;
constexpr LRESULT NOT_HANDLED = -1;

HWND window = nullptr;
bool timer_period_set = false;

// The framebuffer as a top-down 32-bit DIB: its bytes are blue, green, red
// and a spare one, which is exactly our ARGB in memory.
BITMAPINFO Framebuffer_Info(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

void Framebuffer_Draw(HDC dc, const Colour* pixels, int width, int height) {
  BITMAPINFO info = Framebuffer_Info(width, height);
  SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                    static_cast<UINT>(height), pixels, &info, DIB_RGB_COLORS);
}

// The window lost its picture (uncovered, restored): show the last whole frame
// again unless one is being drawn.
void Window_Paint() {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  ScreenState& screen = Screen_State();
  if (dc != nullptr && screen.open && screen.lock_depth == 0) {
    Framebuffer_Draw(dc, screen.pixels.data(), screen.width, screen.height);
  }
  EndPaint(window, &paint);
}

// Extended keys (bit 24: their set-1 code has the E0 prefix) share their
// numbers with plain keys (Mute is E0 20, D is 20), so only these name a key
// of ours, the same ones the Linux window names; the rest name none.
struct ExtendedKey {
  UINT code;
  int scancode;
};
constexpr ExtendedKey EXTENDED_KEYS[] = {
    {0x1C, SC_ENTER}, {0x48, SC_UP}, {0x4B, SC_LEFT}, {0x4D, SC_RIGHT}, {0x50, SC_DOWN},
};

int Key_Extended(UINT code) {
  for (const ExtendedKey& key : EXTENDED_KEYS) {
    if (key.code == code) return key.scancode;
  }
  return -1;
}

// Bits 16-23 of a key message are the set-1 scan code; keys that have none
// (some synthesised ones) are named through their virtual key.
int Key_Scancode(WPARAM virtual_key, LPARAM lparam) {
  UINT scancode = (static_cast<UINT>(lparam) >> 16) & 0xFF;
  if ((static_cast<unsigned long>(lparam) & (1UL << 24)) != 0) return Key_Extended(scancode);
  if (scancode == 0) scancode = MapVirtualKeyA(static_cast<UINT>(virtual_key), MAPVK_VK_TO_VSC);
  return scancode >= 1 && scancode < 128 ? static_cast<int>(scancode) : -1;
}

// Bit 30: the key was already down, so this is an auto-repeat, not a press.
bool Key_IsRepeat(LPARAM lparam) {
  return (static_cast<unsigned long>(lparam) & (1UL << 30)) != 0;
}

LRESULT CALLBACK Window_Procedure(HWND handle, UINT message, WPARAM wparam, LPARAM lparam) {
  if (handle == window || window == nullptr) {
    LRESULT result = Window_HandleMessage(message, wparam, lparam);
    if (result != NOT_HANDLED) return result;
  }
  return DefWindowProcA(handle, message, wparam, lparam);
}

bool Window_RegisterClass() {
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = Window_Procedure;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.lpszClassName = WINDOW_CLASS;
  return RegisterClassExA(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// A frameless popup of exactly the size asked for; with a frame, the outer
// size grows so the inside keeps it.
HWND Window_Create(int width, int height, int flags) {
  DWORD style = WS_POPUP;
  if ((flags & SCREEN_FLAG_BORDERLESS) == 0) style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT outer{0, 0, width, height};
  AdjustWindowRect(&outer, style, FALSE);
  return CreateWindowExA(0, WINDOW_CLASS, WINDOW_TITLE, style, 0, 0, outer.right - outer.left,
                         outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

void Window_EndTimerPeriod() {
  if (timer_period_set) timeEndPeriod(TIMER_PERIOD_MS);
  timer_period_set = false;
}

}  // namespace

LRESULT Window_HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (!Key_IsRepeat(lparam)) WindowKeys_Event(Key_Scancode(wparam, lparam), true);
      // Alt+F4 still reaches Windows, which turns it into a close.
      return message == WM_KEYDOWN ? 0 : NOT_HANDLED;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      WindowKeys_Event(Key_Scancode(wparam, lparam), false);
      return message == WM_KEYUP ? 0 : NOT_HANDLED;
    case WM_CLOSE:
      // The program ends through its normal path, as on Escape; the window
      // goes at exit.
      WindowKeys_RequestQuit();
      return 0;
    case WM_KILLFOCUS:
      WindowKeys_ReleaseAll();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the framebuffer covers the whole window
    case WM_PAINT:
      if (window == nullptr) return NOT_HANDLED;
      Window_Paint();
      return 0;
    default:
      return NOT_HANDLED;
  }
}

bool Window_Open(int width, int height, int flags) {
  if (!Window_RegisterClass()) {
    std::fprintf(stderr, "Cannot open the window: error %lu\n", GetLastError());
    return false;
  }
  window = Window_Create(width, height, flags);
  if (window == nullptr) {
    std::fprintf(stderr, "Cannot open the window: error %lu\n", GetLastError());
    return false;
  }
  timer_period_set = timeBeginPeriod(TIMER_PERIOD_MS) == TIMERR_NOERROR;
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(window);
  return true;
}

bool Window_IsOpen() {
  return window != nullptr;
}

void Window_Present(const Colour* pixels, int width, int height) {
  if (window == nullptr) return;
  HDC dc = GetDC(window);
  if (dc == nullptr) return;
  Framebuffer_Draw(dc, pixels, width, height);
  ReleaseDC(window, dc);
  // What was drawn is the picture now: no paint message for it.
  ValidateRect(window, nullptr);
}

void Window_PumpEvents() {
  if (window == nullptr || !Screen_OnOwnerThread()) return;
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

HWND Window_Handle() {
  return window;
}

void Window_Close() {
  if (window == nullptr) return;
  DestroyWindow(window);
  window = nullptr;
  UnregisterClassA(WINDOW_CLASS, GetModuleHandleA(nullptr));
  Window_EndTimerPeriod();
}

// The system destroys an ending process's windows at once. Destroying it
// ourselves can take seconds: under Wine without a window manager, the X11
// driver waits 2 s for a withdrawal that never comes.
void Window_CloseAtExit() {
  window = nullptr;
  Window_EndTimerPeriod();
}
