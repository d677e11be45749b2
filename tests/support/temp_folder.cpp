#include "tests/support/temp_folder.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "app/field.h"

namespace fs = std::filesystem;

std::string freshFolder(const std::string& tag) {
  std::error_code error;
  const fs::path dir =
      fs::temp_directory_path(error) / ("farlight-" + tag + "-" + std::to_string(getpid()));
  if (error) return "";
  fs::remove_all(dir, error);
  if (!fs::create_directories(dir, error)) return "";
  return dir.string();
}

std::string pictureFolder(const std::string& tag, const std::string& pictures, int except) {
  const std::string dir = freshFolder(tag);
  if (dir.empty()) return "";
  for (int i = 0; i < kTextureFileCount; ++i) {
    if (i == except) continue;
    std::error_code error;
    fs::create_symlink(fs::path(pictures) / textureFiles[i], fs::path(dir) / textureFiles[i],
                       error);
    if (error) return "";
  }
  return dir;
}

bool removeFolder(const std::string& folder) {
  std::error_code error;
  fs::remove_all(folder, error);
  return !error;
}
