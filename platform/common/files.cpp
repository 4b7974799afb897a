// File table: numbers 1 to 255 name open files; positions count from 1.
#include "platform/files.h"

#include <cerrno>
#include <mutex>
#include <string>

#include "native_file.h"
#include "paths.h"

namespace {

// The server's engine threads and its main thread may both use files.
std::mutex table_mutex;
struct FileSlot {
  NativeFile file = NO_NATIVE_FILE;
};
FileSlot table[MAX_FILE_NUMBER + 1];  // index 0 unused: number 0 means none

bool FileNumber_IsValid(int file_number) {
  return file_number >= 1 && file_number <= MAX_FILE_NUMBER;
}

// The file of an open file number, or NO_NATIVE_FILE. Caller holds table_mutex.
NativeFile File_Slot(int file_number) {
  return FileNumber_IsValid(file_number) ? table[file_number].file : NO_NATIVE_FILE;
}

bool File_Seek(NativeFile file, long position) {
  if (position < 1) return false;
  return NativeFile_Seek(file, position - 1);
}

}  // namespace

int FreeFileNumber() {
  std::lock_guard lock(table_mutex);
  for (int number = 1; number <= MAX_FILE_NUMBER; ++number) {
    if (table[number].file == NO_NATIVE_FILE) return number;
  }
  return 0;
}

int OpenFileRead(const char* path, int file_number) {
  if (!FileNumber_IsValid(file_number)) return EBADF;
  if (path == nullptr) return ENOENT;
  std::lock_guard lock(table_mutex);
  if (table[file_number].file != NO_NATIVE_FILE) return EBUSY;
  NativeFile file = NO_NATIVE_FILE;
  int error = NativeFile_Open(Path_ToNative(path).c_str(), &file);
  if (error != 0) return error;
  table[file_number].file = file;
  return 0;
}

void ReadFileBytes(int file_number, long position, void* destination, std::size_t count) {
  std::lock_guard lock(table_mutex);
  NativeFile file = File_Slot(file_number);
  if (file == NO_NATIVE_FILE || destination == nullptr) return;
  if (position != 0 && !File_Seek(file, position)) return;
  // Only the bytes read are written, so whatever lies past the end of the
  // file stays as the caller left it.
  auto* bytes = static_cast<unsigned char*>(destination);
  std::size_t done = 0;
  while (done < count) {
    std::size_t got = NativeFile_Read(file, bytes + done, count - done);
    if (got == 0) break;
    done += got;
  }
}

void SeekFile(int file_number, long position) {
  std::lock_guard lock(table_mutex);
  NativeFile file = File_Slot(file_number);
  if (file != NO_NATIVE_FILE) File_Seek(file, position);
}

void CloseFile(int file_number) {
  std::lock_guard lock(table_mutex);
  NativeFile file = File_Slot(file_number);
  if (file == NO_NATIVE_FILE) return;
  NativeFile_Close(file);
  table[file_number].file = NO_NATIVE_FILE;
}
