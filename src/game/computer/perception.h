// What the computer player sees of the other tank: the screen as it was a
// reaction time ago, carried forward to now by the keys the other tank seemed to
// hold then. A change in the other tank's movement is thus answered only once
// the reaction time has passed, as a person would answer it.
//
//   game::computer::Perception eyes(3);      // three frame steps behind
//   eyes.See(state.green);                   // once per frame step
//   game::computer::View view = eyes.Now();  // the green tank as believed now
#pragma once
#include <cstdint>
#include <deque>

#include "game/match_state.h"

namespace game::computer {

struct View {
  Tank tank;      // the other tank as believed now, its shots with it
  uint32_t keys;  // the turn and speed keys it seemed to hold (TankKey bits)
};

class Perception {
 public:
  explicit Perception(int delayFrames);

  // Records the other tank as the frame step finds it. Call once per frame step.
  void See(const Tank& other);
  // Starts over (a new match): nothing seen yet.
  void Forget();
  // The belief of now; needs at least one See since the last Forget.
  View Now() const;

  int delayFrames() const { return delay_; }

 private:
  int delay_;
  std::deque<Tank> seen_;  // oldest first, at most delay_ + 2
};

}  // namespace game::computer
