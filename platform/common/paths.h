// Paths as the programs write them ('\' between folders) on this file system.
#pragma once

#include <string>

// The same path with every '\' read as '/'; folder and file names unchanged.
std::string Path_ToNative(const char* path);
