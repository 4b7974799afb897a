#include "support/temp_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

#ifndef SUPPORT_ASSETS_DIR
#error "SUPPORT_ASSETS_DIR must name the shipped assets folder"
#endif

TempDir::TempDir() {
  char pattern[] = "/tmp/test-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

TempDir::TempDir(TempDir&& other) noexcept : path(std::exchange(other.path, {})) {}

TempDir& TempDir::operator=(TempDir&& other) noexcept {
  std::swap(path, other.path);
  return *this;
}

void File_Write(const std::string& path, const std::string& bytes) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string File_Read(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

void Assets_Add(const std::string& folder, const std::string& part, AssetsAs how) {
  const std::string shipped = std::string(SUPPORT_ASSETS_DIR) + "/" + part;
  const std::string target = folder + "/" + part;
  if (how == AssetsAs::Links) {
    std::filesystem::create_symlink(shipped, target);
  } else {
    std::filesystem::copy(shipped, target, std::filesystem::copy_options::recursive);
  }
}
