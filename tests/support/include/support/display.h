// A virtual X display of a test's own, and pictures of its screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/child.h"

// A root-window picture, 0xRRGGBB per pixel.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Decodes what `xwd -root -silent` writes (TrueColor, 24 or 32 bits per
// pixel); an empty picture for anything else.
Screenshot Xwd_Parse(const std::string& bytes);

// An Xvfb server on a display number free on the whole machine, 640x480 in
// 24-bit colour, that lives as long as the object.
struct VirtualDisplay {
  VirtualDisplay();
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;
  bool ok() const { return !display.empty(); }
  std::string Env() const { return "DISPLAY=" + display; }
  // Runs a program on this display to its end, its complaints dropped.
  ProgramResult Run(const std::vector<std::string>& argv, double seconds = 10.0) const;
  Screenshot Shoot() const;
  bool Tool(const std::vector<std::string>& arguments) const;  // xdotool <arguments>

  std::string display;  // ":N", empty when Xvfb did not start
  Child server;
  int claimed = -1;  // the display number this object holds
};
