#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>

#include "platform/user.h"

std::string LoginName() {
  // The account that runs the program, whatever the terminal says; the
  // environment only when the account database has no entry (a container).
  if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_name != nullptr) {
    return entry->pw_name;
  }
  for (const char* variable : {"USER", "LOGNAME"}) {
    if (const char* value = std::getenv(variable); value != nullptr) return value;
  }
  return {};
}

std::string MachineName() {
  std::array<char, 256> name{};
  if (gethostname(name.data(), name.size() - 1) != 0) return {};
  return name.data();
}
