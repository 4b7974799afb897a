#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <utility>

#ifndef SUPPORT_ASSETS_DIR
#error "SUPPORT_ASSETS_DIR must name the shipped assets folder"
#endif

// A new folder with a random name in the system's temporary folder; making
// it fails if the name is taken, so no two tests share one.
TempDir::TempDir() {
  static thread_local std::mt19937_64 names{std::random_device{}()};
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate = base / ("test-" + std::to_string(names() % 1000000000));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      path = candidate.generic_string();
      return;
    }
  }
  throw std::runtime_error("no temporary folder could be made");
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
  std::error_code linked;
  // Windows may not allow links; a copy serves a reading test the same.
  if (how == AssetsAs::Links) std::filesystem::create_directory_symlink(shipped, target, linked);
  if (how == AssetsAs::Copies || linked) {
    std::filesystem::copy(shipped, target, std::filesystem::copy_options::recursive);
  }
}
