// Regular files through POSIX descriptors, and paths with '/' between folders.
#include "native_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "paths.h"

std::string Path_ToNative(const char* path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

// Only regular files have positions to read at; opening with O_NONBLOCK keeps a
// FIFO or device under that name from hanging the caller before we can refuse it.
int NativeFile_Open(const char* native_path, NativeFile* file) {
  int fd = open(native_path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno != 0 ? errno : EIO;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return EISDIR;
  }
  *file = fd;
  return 0;
}

bool NativeFile_Seek(NativeFile file, long offset) {
  return lseek(static_cast<int>(file), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

std::size_t NativeFile_Read(NativeFile file, void* destination, std::size_t count) {
  for (;;) {
    ssize_t got = read(static_cast<int>(file), destination, count);
    if (got < 0 && errno == EINTR) continue;
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }
}

void NativeFile_Close(NativeFile file) {
  close(static_cast<int>(file));
}
