// File table: numbers 1 to 255 name open files; positions count from 1.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>

#include "paths.h"

namespace {

struct FileSlot {
  int fd = -1;
};

// The server's engine threads and its main thread may both use files.
std::mutex table_mutex;
FileSlot table[MAX_FILE_NUMBER + 1];  // index 0 unused: number 0 means none

bool FileNumber_IsValid(int file_number) {
  return file_number >= 1 && file_number <= MAX_FILE_NUMBER;
}

// The fd of an open file number, or -1. Caller holds table_mutex.
int File_Descriptor(int file_number) {
  return FileNumber_IsValid(file_number) ? table[file_number].fd : -1;
}

// Only regular files have positions to read at; opening with O_NONBLOCK keeps a
// FIFO or device under that name from hanging the caller before we can refuse it.
int File_OpenRegular(const std::string& path, int* fd_out) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno != 0 ? errno : EIO;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return EISDIR;
  }
  *fd_out = fd;
  return 0;
}

bool File_Seek(int fd, long position) {
  if (position < 1) return false;
  return lseek(fd, static_cast<off_t>(position - 1), SEEK_SET) >= 0;
}

}  // namespace

std::string Path_ToNative(const char* path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

int FreeFileNumber() {
  std::lock_guard lock(table_mutex);
  for (int number = 1; number <= MAX_FILE_NUMBER; ++number) {
    if (table[number].fd < 0) return number;
  }
  return 0;
}

int OpenFileRead(const char* path, int file_number) {
  if (!FileNumber_IsValid(file_number)) return EBADF;
  if (path == nullptr) return ENOENT;
  std::lock_guard lock(table_mutex);
  if (table[file_number].fd >= 0) return EBUSY;
  int fd = -1;
  int error = File_OpenRegular(Path_ToNative(path), &fd);
  if (error != 0) return error;
  table[file_number].fd = fd;
  return 0;
}

void ReadFileBytes(int file_number, long position, void* destination, std::size_t count) {
  std::lock_guard lock(table_mutex);
  int fd = File_Descriptor(file_number);
  if (fd < 0 || destination == nullptr) return;
  if (position != 0 && !File_Seek(fd, position)) return;
  // read() writes only the bytes it returns, so whatever lies past the end of
  // the file stays as the caller left it.
  auto* bytes = static_cast<unsigned char*>(destination);
  std::size_t done = 0;
  while (done < count) {
    ssize_t got = read(fd, bytes + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
}

void SeekFile(int file_number, long position) {
  std::lock_guard lock(table_mutex);
  int fd = File_Descriptor(file_number);
  if (fd >= 0) File_Seek(fd, position);
}

void CloseFile(int file_number) {
  std::lock_guard lock(table_mutex);
  int fd = File_Descriptor(file_number);
  if (fd < 0) return;
  close(fd);
  table[file_number].fd = -1;
}
