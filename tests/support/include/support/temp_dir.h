// Temporary folders and the files tests put in them.
#pragma once

#include <string>

// A fresh folder in the system's temporary folder, removed with everything
// in it at the end.
struct TempDir {
  std::string path;
  TempDir();
  ~TempDir();
  TempDir(TempDir&& other) noexcept;
  TempDir& operator=(TempDir&& other) noexcept;
  std::string File(const std::string& name) const { return path + "/" + name; }
};

// Writes `bytes` to `path`, making the folders on the way.
void File_Write(const std::string& path, const std::string& bytes);
std::string File_Read(const std::string& path);

enum class AssetsAs { Links, Copies };

// Puts the shipped assets' `part` ("imgs", "map") into `folder`: as a link to
// the repository's own, or as a copy that a test may change.
void Assets_Add(const std::string& folder, const std::string& part, AssetsAs how);
