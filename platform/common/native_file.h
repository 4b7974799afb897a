// The OS's files under the file-number table: each OS opens, reads, moves in
// and closes a regular file its own way (posix/native_file.cpp,
// win32/native_file.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

using NativeFile = std::intptr_t;
inline constexpr NativeFile NO_NATIVE_FILE = -1;

// Opens an existing regular file for reading. 0 and `*file` set on success;
// an error number otherwise (a folder, a device or a pipe is refused).
int NativeFile_Open(const char* native_path, NativeFile* file);

// Moves to the 0-based byte offset; false when it cannot.
bool NativeFile_Seek(NativeFile file, long offset);

// Reads up to `count` bytes; how many it got, 0 at end of file or on error.
std::size_t NativeFile_Read(NativeFile file, void* destination, std::size_t count);

void NativeFile_Close(NativeFile file);
