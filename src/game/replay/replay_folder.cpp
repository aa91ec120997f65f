// The replays folder, its file names and the removal of old replays.
#include "game/replay/replay_folder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <system_error>
#include <vector>

namespace game::replay {
namespace {

namespace fs = std::filesystem;

std::string LocalTime(std::time_t when, const char* format) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[64];
  return std::string(text, std::strftime(text, sizeof text, format, &local));
}

bool IsReplayName(const std::string& name) {
  static const std::regex pattern(R"(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(-\d+)?\.replay)");
  return std::regex_match(name, pattern);
}

}  // namespace

std::string ReplayFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  // A relative XDG_STATE_HOME is not a place to write: it would depend on where
  // the game was started, so it counts as unset, as in other desktop programs.
  if (state != nullptr && state[0] == '/') return std::string(state) + "/brazdovar/replays";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') {
    return std::string(home) + "/.local/state/brazdovar/replays";
  }
  return {};
}

std::string NewReplayPath(const std::string& folder, std::time_t began) {
  const std::string stem = folder + "/" + LocalTime(began, "%Y-%m-%d_%H-%M-%S");
  std::string path = stem + ".replay";
  std::error_code ignored;
  for (int number = 2; fs::exists(path, ignored); ++number) {
    path = stem + "-" + std::to_string(number) + ".replay";
  }
  return path;
}

void PruneReplays(const std::string& folder, size_t keep) {
  std::vector<std::string> names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (IsReplayName(name) && entry.is_regular_file(error)) names.push_back(name);
  }
  if (names.size() <= keep) return;
  std::sort(names.begin(), names.end());
  for (size_t i = 0; i + keep < names.size(); ++i) fs::remove(folder + "/" + names[i], error);
}

std::string IsoTime(std::time_t when) { return LocalTime(when, "%Y-%m-%dT%H:%M:%S%z"); }

}  // namespace game::replay
