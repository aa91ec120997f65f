// Where the game finds its sprite files: working directory, installed data
// folder, then the source tree when running from the build tree.
#include "game/sprite_files.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace game {
namespace {

namespace fs = std::filesystem;

// True when `path` names something that is not a folder. stat() does not open
// the file, so a named pipe or a slow device costs nothing here; the load that
// follows reads it.
bool IsFile(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// The folders searched after the working directory, worked out once: the
// installed data folder (<folder of the executable>/../share/brazdovar), and the
// source tree's assets/ when the executable lies inside this build's own tree
// (the game, the match runner and the tests all do).
std::vector<fs::path> FallbackFolders() {
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  std::vector<fs::path> folders{
      (executable.parent_path() / BRAZDOVAR_DATA_FROM_BIN).lexically_normal()};
  const fs::path buildDir = fs::weakly_canonical(BRAZDOVAR_BUILD_DIR, error);
  const fs::path inside = executable.lexically_relative(buildDir);
  if (!error && !inside.empty() && *inside.begin() != "..") {
    folders.emplace_back(BRAZDOVAR_SOURCE_ASSETS_DIR);
  }
  return folders;
}

}  // namespace

std::string SpritePath(const std::string& name) {
  if (IsFile(name)) return name;
  static const std::vector<fs::path> folders = FallbackFolders();
  for (const fs::path& folder : folders) {
    if (IsFile(folder / name)) return (folder / name).string();
  }
  return name;
}

}  // namespace game
