// Lines that more than one program prints.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::string_view MAP_MESSAGE =
    "[Error]Something went wrong while loading map file.";
inline constexpr std::string_view IMAGE_MESSAGE =
    "[Error]Something went wrong while loading .bmp files.";
// Put before the engine's text of a failed operation.
inline constexpr std::string_view ENGINE_ERROR_PREFIX = "[FEHLER] ";

// ENGINE_ERROR_PREFIX followed by the engine's text.
inline std::string EngineErrorLine(std::string_view engine_text) {
  return std::string(ENGINE_ERROR_PREFIX) + std::string(engine_text);
}
