// File services. Files are named by file numbers 1 to 255 (0: none); byte
// positions count from 1. Paths may use '\' as separator; it is read as '/'.
#pragma once

#include <cstddef>

inline constexpr int MAX_FILE_NUMBER = 255;

// The lowest free file number, or 0 when all 255 are in use.
int FreeFileNumber();

// Opens an existing file for reading under `file_number`. 0 on success;
// non-zero when the number is not 1 to 255, is in use, or the file cannot be
// opened.
int OpenFileRead(const char* path, int file_number);

// When `position` is not 0, first moves to that 1-based position; then reads
// up to `count` bytes into `destination` and moves past them. Bytes that cannot
// be read (end of file, file not open) leave the destination unchanged.
void ReadFileBytes(int file_number, long position, void* destination, std::size_t count);

// Moves to the 1-based byte position (19 is byte offset 18).
void SeekFile(int file_number, long position);

// Closes the file and frees its number.
void CloseFile(int file_number);
