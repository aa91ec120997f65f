// Playback of a replay: key choosers for both tanks that hold, in each frame
// step, the keys the file recorded for it, match after match.
//
//   game::replay::ReplayKeys keys(replay);
//   keys.Install();                      // both tanks; no key on the keyboard moves them
//   if (!keys.MatchHasFrames()) ...      // this match's recorded frame steps are spent
//
// A new match (the game tells the choosers) moves both to the file's next match.
#pragma once
#include <cstdint>

#include "game/key_source.h"
#include "game/replay/replay_format.h"

namespace game::replay {

class ReplayKeys {
 public:
  // `overrun` (may be null) is called on a frame step that asks for keys after
  // the match's recorded ones are spent; the keys are then none.
  explicit ReplayKeys(Replay replay, void (*overrun)() = nullptr);
  ReplayKeys(const ReplayKeys&) = delete;
  ReplayKeys& operator=(const ReplayKeys&) = delete;

  // Sets both tanks' key choosers to this replay's.
  void Install();

  // Index of the match being played; past the last when the file has run out.
  size_t MatchIndex() const { return green_.matchIndex; }
  bool MatchHasFrames() const;
  bool HasNextMatch() const { return MatchIndex() + 1 < replay_.matches.size(); }
  const Replay& replay() const { return replay_; }

 private:
  class Side final : public KeyChooser {
   public:
    Side(const ReplayKeys& owner, bool green) : owner_(owner), green_(green) {}
    uint32_t ChooseKeys(const MatchState& state) override;
    void NewMatch() override;
    const Run* Current() const;

    size_t matchIndex = 0;
    size_t runIndex = 0;
    uint32_t usedInRun = 0;

   private:
    const ReplayKeys& owner_;
    bool green_;
  };

  Replay replay_;
  void (*overrun_)();
  Side green_{*this, true};
  Side blue_{*this, false};
};

}  // namespace game::replay
