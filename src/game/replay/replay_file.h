// Reading a replay file for playback: its size bounded, its text parsed and its
// rules fingerprint compared with the game's.
//
//   game::replay::LoadResult loaded = game::replay::LoadReplay(path);
//   if (!loaded.error.empty()) { print loaded.error; exit 2; }
//   if (!loaded.note.empty()) print loaded.note;   // cut short: plays up to its end
#pragma once
#include <string>

#include "game/replay/replay_format.h"

namespace game::replay {

// Larger files are refused unread: a ten-hour match is far smaller.
inline constexpr size_t MAX_FILE_BYTES = size_t{16} << 20;

struct LoadResult {
  Replay replay;
  std::string error;  // "<path>: <problem>", empty when it can be played
  std::string note;   // "<path>: ..." when it can be played but is cut short
};

LoadResult LoadReplay(const std::string& path);

}  // namespace game::replay
