// Where the game finds its sprite files: working directory, installed data
// folder, then the source tree when running from the build tree.
#include "game/sprite_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <system_error>

namespace game {
namespace {

namespace fs = std::filesystem;

// True when `path` names something that is not a folder. stat() does not open
// the file, so a named pipe or a slow device costs nothing here; the load that
// follows reads it.
bool IsFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string ExecutablePath() {
  std::array<char, 4096> buffer{};
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(length));
}

// The source tree's assets/ when `executable` lies inside this build's own tree
// (the game, the match runner and the tests all do).
std::string BuildTreeAssets(const std::string& executable) {
  if (executable.empty()) return {};
  std::error_code error;
  const fs::path buildDir = fs::weakly_canonical(BRAZDOVAR_BUILD_DIR, error);
  if (error) return {};
  const fs::path inside = fs::path(executable).lexically_relative(buildDir);
  if (inside.empty() || *inside.begin() == "..") return {};
  return BRAZDOVAR_SOURCE_ASSETS_DIR;
}

// <folder of the executable>/../share/brazdovar, as installed.
std::string InstalledDataDir(const std::string& executable) {
  if (executable.empty()) return {};
  return (fs::path(executable).parent_path() / BRAZDOVAR_DATA_FROM_BIN).lexically_normal();
}

}  // namespace

std::string SpritePath(const std::string& name) {
  if (IsFile(name)) return name;
  const std::string executable = ExecutablePath();
  for (const std::string& dir : {InstalledDataDir(executable), BuildTreeAssets(executable)}) {
    if (dir.empty()) continue;
    const std::string candidate = (fs::path(dir) / name).string();
    if (IsFile(candidate)) return candidate;
  }
  return name;
}

}  // namespace game
