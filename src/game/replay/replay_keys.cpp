// Key choosers fed from a replay's runs.
#include "game/replay/replay_keys.h"

namespace game::replay {

ReplayKeys::ReplayKeys(Replay replay, void (*overrun)())
    : replay_(std::move(replay)), overrun_(overrun) {}

void ReplayKeys::Install() {
  SetKeyChooser(TankSide::Green, &green_);
  SetKeyChooser(TankSide::Blue, &blue_);
}

bool ReplayKeys::MatchHasFrames() const { return green_.Current() != nullptr; }

const Run* ReplayKeys::Side::Current() const {
  const std::vector<Match>& matches = owner_.replay_.matches;
  if (matchIndex >= matches.size() || runIndex >= matches[matchIndex].runs.size()) return nullptr;
  return &matches[matchIndex].runs[runIndex];
}

uint32_t ReplayKeys::Side::ChooseKeys(const MatchState&) {
  const Run* run = Current();
  if (run == nullptr) {
    if (owner_.overrun_ != nullptr) owner_.overrun_();
    return 0;
  }
  const uint32_t keys = green_ ? run->green : run->blue;
  if (++usedInRun == run->count) {
    ++runIndex;
    usedInRun = 0;
  }
  return keys;
}

void ReplayKeys::Side::NewMatch() {
  ++matchIndex;
  runIndex = 0;
  usedInRun = 0;
}

}  // namespace game::replay
