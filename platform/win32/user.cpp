#include <windows.h>

#include <array>

#include "platform/user.h"

std::string LoginName() {
  std::array<char, 257> name{};
  DWORD size = static_cast<DWORD>(name.size());
  if (!GetUserNameA(name.data(), &size)) return {};
  return name.data();
}

std::string MachineName() {
  std::array<char, MAX_COMPUTERNAME_LENGTH + 1> name{};
  DWORD size = static_cast<DWORD>(name.size());
  if (!GetComputerNameA(name.data(), &size)) return {};
  return name.data();
}
