// Regular files through Windows handles. Paths keep their '\' (and '/')
// separators: Windows reads both.
#include "native_file.h"

#include <windows.h>

#include <cerrno>
#include <climits>

#include "paths.h"

namespace {

int Error_Number(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    default:
      return EIO;
  }
}

HANDLE File_Handle(NativeFile file) {
  return reinterpret_cast<HANDLE>(file);
}

}  // namespace

std::string Path_ToNative(const char* path) {
  return std::string(path);
}

// Only files on a disk have positions to read at: a device name (CON, COM1)
// or a pipe is refused. The handle is not inherited by child processes.
int NativeFile_Open(const char* native_path, NativeFile* file) {
  HANDLE handle =
      CreateFileA(native_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Error_Number(GetLastError());
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return EISDIR;
  }
  *file = reinterpret_cast<NativeFile>(handle);
  return 0;
}

bool NativeFile_Seek(NativeFile file, long offset) {
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  return SetFilePointerEx(File_Handle(file), distance, nullptr, FILE_BEGIN) != 0;
}

std::size_t NativeFile_Read(NativeFile file, void* destination, std::size_t count) {
  DWORD got = 0;
  DWORD wanted = count > UINT_MAX ? UINT_MAX : static_cast<DWORD>(count);
  if (!ReadFile(File_Handle(file), destination, wanted, &got, nullptr)) return 0;
  return got;
}

void NativeFile_Close(NativeFile file) {
  CloseHandle(File_Handle(file));
}
