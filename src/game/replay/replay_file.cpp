// A replay file read and checked against this build's rules.
#include "game/replay/replay_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "game/fingerprint.h"

namespace game::replay {
namespace {

// The file's bytes, or the reason they cannot be read.
std::string ReadBounded(const std::string& path, std::string& error) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = std::strerror(errno);
    return {};
  }
  std::string text;
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    text.append(buffer, got);
    if (text.size() > MAX_FILE_BYTES) {
      error = "too large for a replay (more than " + std::to_string(MAX_FILE_BYTES >> 20) + " MiB)";
      break;
    }
  }
  if (error.empty() && std::ferror(file) != 0) error = std::strerror(errno);
  std::fclose(file);
  return text;
}

}  // namespace

LoadResult LoadReplay(const std::string& path) {
  LoadResult result;
  std::string problem;
  const std::string text = ReadBounded(path, problem);
  if (problem.empty()) {
    ParseResult parsed = ParseReplay(text);
    problem = parsed.error;
    result.replay = std::move(parsed.replay);
  }
  const std::string rules = RulesFingerprint();
  if (problem.empty() && result.replay.rules != rules) {
    problem = "recorded under other rules (fingerprint " + result.replay.rules +
              ", this game plays " + rules + "): it would not play back the same";
  }
  if (!problem.empty()) {
    result.error = path + ": " + problem;
  } else if (result.replay.ending == Ending::Open) {
    result.note = path + ": the file is cut short; it plays up to where it ends";
  }
  return result;
}

}  // namespace game::replay
