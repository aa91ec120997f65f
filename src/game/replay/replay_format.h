// The replay file's text: a recorded session (header, then each match's frame
// steps as runs of the same keys) written out and read back, without any I/O.
//
//   std::string text = game::replay::FormatReplay(replay);
//   game::replay::ParseResult read = game::replay::ParseReplay(text);
//   if (!read.error.empty()) ...   // one line saying what is wrong
//
// The format is described in docs/replay-format.md.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "game/key_source.h"

namespace game::replay {

inline constexpr int FORMAT_VERSION = 1;
// Longest line a reader takes, and most frame steps in one match (about ten hours).
inline constexpr size_t MAX_LINE_LENGTH = 120;
inline constexpr uint64_t MAX_MATCH_FRAMES = uint64_t{1} << 20;

// `count` frame steps with the same keys (TankKey bits of each tank).
struct Run {
  uint32_t count = 0;
  uint32_t green = 0;
  uint32_t blue = 0;
  bool operator==(const Run&) const = default;
};

// Winner: 0 while the match is undecided, else GREEN_WINS or BLUE_WINS.
struct Match {
  std::vector<Run> runs;
  int32_t winner = 0;
  bool operator==(const Match&) const = default;
};

struct Computer {
  TankSide side = TankSide::Blue;
  int level = 0;
  uint64_t seed = 0;
  bool operator==(const Computer&) const = default;
};

// How the session ended: still running or cut short (Open), at the match-over
// screen with Esc (Leave), or otherwise (Stop: the window closed, a script ran out).
enum class Ending { Open, Leave, Stop };

struct Replay {
  std::string gameVersion;
  std::string rules;  // the rules fingerprint, 16 lower-case hex digits
  std::string when;   // when the session began, ISO 8601 with the UTC offset
  std::vector<Computer> computers;
  std::vector<Match> matches;
  Ending ending = Ending::Open;
  bool operator==(const Replay&) const = default;
};

// The whole file's text. A header value must not hold a line break.
std::string FormatReplay(const Replay& replay);

struct ParseResult {
  Replay replay;
  std::string error;  // empty when the text is a replay this reader takes
};

// Reads a replay's text. A text that stops before its ending line (the last line
// may be unfinished, without its newline: it is dropped) reads as far as it goes
// with ending Open.
ParseResult ParseReplay(std::string_view text);

}  // namespace game::replay
