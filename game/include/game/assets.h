// Where the game's files live, relative to the working directory. Paths use
// '\' as separator; the file services read it as the platform's own.
#pragma once

// Every figure and the tile map own a set of eight images.
inline constexpr int SPRITE_SET_SIZE = 8;

// Figures: the first frame up, down, left, right, then the second frame.
inline constexpr const char* const PLAYER_IMAGE_PATHS[SPRITE_SET_SIZE] = {
    "imgs\\player\\PlayerUp1.bmp",   "imgs\\player\\PlayerDown1.bmp",
    "imgs\\player\\PlayerLeft1.bmp", "imgs\\player\\PlayerRight1.bmp",
    "imgs\\player\\PlayerUp2.bmp",   "imgs\\player\\PlayerDown2.bmp",
    "imgs\\player\\PlayerLeft2.bmp", "imgs\\player\\PlayerRight2.bmp"};
inline constexpr const char* const ENEMY_IMAGE_PATHS[SPRITE_SET_SIZE] = {
    "imgs\\ene\\EneUp1.bmp",    "imgs\\ene\\EneDown1.bmp", "imgs\\ene\\EneLeft1.bmp",
    "imgs\\ene\\EneRight1.bmp", "imgs\\ene\\EneUp2.bmp",   "imgs\\ene\\EneDown2.bmp",
    "imgs\\ene\\EneLeft2.bmp",  "imgs\\ene\\EneRight2.bmp"};
// Slot n - 1 holds the image of tile code n.
inline constexpr const char* const TILE_IMAGE_PATHS[SPRITE_SET_SIZE] = {
    "imgs\\environment\\brick1.bmp", "imgs\\environment\\brick2.bmp",
    "imgs\\environment\\brick3.bmp", "imgs\\environment\\massive.bmp",
    "imgs\\environment\\water1.bmp", "imgs\\environment\\water2.bmp",
    "imgs\\environment\\water3.bmp", "imgs\\environment\\stealth.bmp"};

inline constexpr const char* MAP_PATH = "map\\Map";
