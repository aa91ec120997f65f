// The replay text, written and read line by line.
#include "game/replay/replay_format.h"

#include <charconv>
#include <optional>

#include "game/rules.h"

namespace game::replay {
namespace {

constexpr std::string_view MAGIC = "brazdovar-replay ";

const char* SideName(TankSide side) { return side == TankSide::Green ? "green" : "blue"; }

std::optional<TankSide> SideNamed(std::string_view word) {
  if (word == "green") return TankSide::Green;
  if (word == "blue") return TankSide::Blue;
  return std::nullopt;
}

// A whole decimal number of at most 20 digits, no sign, no more than `limit`.
std::optional<uint64_t> NumberOf(std::string_view word, uint64_t limit) {
  uint64_t value = 0;
  if (word.empty() || word.size() > 20 || word[0] < '0' || word[0] > '9') return std::nullopt;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || value > limit) {
    return std::nullopt;
  }
  return value;
}

// The line's words, split at single spaces (an empty word where two meet).
std::vector<std::string_view> WordsOf(std::string_view line) {
  std::vector<std::string_view> words;
  for (size_t start = 0;;) {
    const size_t space = line.find(' ', start);
    words.push_back(line.substr(start, space - start));
    if (space == std::string_view::npos) return words;
    start = space + 1;
  }
}

bool IsFingerprint(std::string_view word) {
  if (word.size() != 16) return false;
  for (char c : word) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// Reads the lines after the first, in order; `error` set ends the reading.
class Reader {
 public:
  explicit Reader(Replay& replay) : replay_(replay) {}

  std::string Line(size_t number, std::string_view line) {
    number_ = number;
    const std::vector<std::string_view> words = WordsOf(line);
    const std::string_view first = words[0];
    if (state_ == State::Ended) return Problem("text after the ending line");
    if (state_ == State::Header && IsHeaderWord(first)) return HeaderLine(words, line);
    if (first == "match" && words.size() == 1) return BeginMatch();
    if (first == "end" && words.size() == 2) return EndMatch(words[1]);
    if ((first == "leave" || first == "stop") && words.size() == 1) return Ending(first);
    if (!first.empty() && first[0] >= '0' && first[0] <= '9') return RunLine(words);
    return Problem("not a line of a replay");
  }

  std::string Finish() const {
    if (replay_.rules.empty()) return "no rules fingerprint in the header";
    return {};
  }

 private:
  enum class State { Header, InMatch, BetweenMatches, Ended };

  static bool IsHeaderWord(std::string_view word) {
    return word == "game" || word == "rules" || word == "when" || word == "computer";
  }

  std::string Problem(const std::string& what) const {
    return "line " + std::to_string(number_) + ": " + what;
  }

  std::string HeaderLine(const std::vector<std::string_view>& words, std::string_view line) {
    const std::string_view rest = line.substr(std::min(line.size(), words[0].size() + 1));
    if (words[0] == "game") {
      replay_.gameVersion = rest;
    } else if (words[0] == "when") {
      replay_.when = rest;
    } else if (words[0] == "rules") {
      if (words.size() != 2 || !IsFingerprint(words[1])) return Problem("bad rules fingerprint");
      replay_.rules = words[1];
    } else {
      const std::optional<TankSide> side = words.size() == 4 ? SideNamed(words[1]) : std::nullopt;
      const auto level = words.size() == 4 ? NumberOf(words[2], 3) : std::nullopt;
      const auto seed = words.size() == 4 ? NumberOf(words[3], UINT64_MAX) : std::nullopt;
      if (!side || !level || *level == 0 || !seed) return Problem("bad computer line");
      replay_.computers.push_back({*side, static_cast<int>(*level), *seed});
    }
    return {};
  }

  std::string BeginMatch() {
    if (state_ == State::InMatch) return Problem("a match begins before the last one ended");
    if (replay_.rules.empty()) return Problem("a match begins before the rules fingerprint");
    replay_.matches.emplace_back();
    frames_ = 0;
    state_ = State::InMatch;
    return {};
  }

  std::string EndMatch(std::string_view winner) {
    if (state_ != State::InMatch) return Problem("a match ends that has not begun");
    const std::optional<TankSide> side = SideNamed(winner);
    if (!side) return Problem("bad winner");
    replay_.matches.back().winner = *side == TankSide::Green ? GREEN_WINS : BLUE_WINS;
    state_ = State::BetweenMatches;
    return {};
  }

  std::string Ending(std::string_view word) {
    if (word == "leave" && state_ != State::BetweenMatches) {
      return Problem("leave outside the match-over screen");
    }
    replay_.ending = word == "leave" ? Ending::Leave : Ending::Stop;
    state_ = State::Ended;
    return {};
  }

  std::string RunLine(const std::vector<std::string_view>& words) {
    if (state_ != State::InMatch) return Problem("frame steps outside a match");
    const auto count = words.size() == 3 ? NumberOf(words[0], MAX_MATCH_FRAMES) : std::nullopt;
    const auto green = words.size() == 3 ? NumberOf(words[1], TANK_KEY_MASK) : std::nullopt;
    const auto blue = words.size() == 3 ? NumberOf(words[2], TANK_KEY_MASK) : std::nullopt;
    if (!count || *count == 0 || !green || !blue) return Problem("bad numbers");
    frames_ += *count;
    if (frames_ > MAX_MATCH_FRAMES) {
      return Problem("a match longer than " + std::to_string(MAX_MATCH_FRAMES) + " frame steps");
    }
    replay_.matches.back().runs.push_back({static_cast<uint32_t>(*count),
                                           static_cast<uint32_t>(*green),
                                           static_cast<uint32_t>(*blue)});
    return {};
  }

  Replay& replay_;
  State state_ = State::Header;
  size_t number_ = 0;
  uint64_t frames_ = 0;  // in the match being read
};

}  // namespace

std::string FormatReplay(const Replay& replay) {
  std::string text = std::string(MAGIC) + std::to_string(FORMAT_VERSION) + "\n";
  text += "game " + replay.gameVersion + "\n";
  text += "rules " + replay.rules + "\n";
  text += "when " + replay.when + "\n";
  for (const Computer& computer : replay.computers) {
    text += std::string("computer ") + SideName(computer.side) + " " +
            std::to_string(computer.level) + " " + std::to_string(computer.seed) + "\n";
  }
  for (const Match& match : replay.matches) {
    text += "match\n";
    for (const Run& run : match.runs) {
      text += std::to_string(run.count) + " " + std::to_string(run.green) + " " +
              std::to_string(run.blue) + "\n";
    }
    if (match.winner != 0) text += match.winner == GREEN_WINS ? "end green\n" : "end blue\n";
  }
  if (replay.ending == Ending::Leave) text += "leave\n";
  if (replay.ending == Ending::Stop) text += "stop\n";
  return text;
}

ParseResult ParseReplay(std::string_view text) {
  ParseResult result;
  if (text.substr(0, MAGIC.size()) != MAGIC) return {{}, "not a replay file"};
  const std::string_view first = text.substr(0, text.find('\n'));
  const std::optional<uint64_t> version = NumberOf(first.substr(MAGIC.size()), UINT64_MAX);
  if (!version || *version == 0) return {{}, "not a replay file"};
  if (*version > FORMAT_VERSION) {
    return {{}, "format version " + std::to_string(*version) + " is newer than this game reads (" +
                    std::to_string(FORMAT_VERSION) + ")"};
  }
  Reader reader(result.replay);
  size_t start = 0;
  for (size_t number = 1;; ++number) {
    const size_t end = text.find('\n', start);
    const std::string_view line = text.substr(start, end - start);
    if (line.size() > MAX_LINE_LENGTH) {
      result.error = "line " + std::to_string(number) + " is too long";
      return result;
    }
    // An unfinished last line is where the file was cut off.
    if (end == std::string_view::npos) break;
    if (number > 1) result.error = reader.Line(number, line);
    if (!result.error.empty()) return result;
    start = end + 1;
  }
  result.error = reader.Finish();
  return result;
}

}  // namespace game::replay
