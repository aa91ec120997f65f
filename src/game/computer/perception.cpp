// The delayed view of the other tank.
#include "game/computer/perception.h"

#include <algorithm>

#include "game/computer/foresight.h"

namespace game::computer {

Perception::Perception(int delayFrames) : delay_(std::max(0, delayFrames)) {}

void Perception::See(const Tank& other) {
  seen_.push_back(other);
  while (seen_.size() > static_cast<size_t>(delay_) + 2) seen_.pop_front();
}

void Perception::Forget() { seen_.clear(); }

View Perception::Now() const {
  const int newest = static_cast<int>(seen_.size()) - 1;
  const int looked = std::max(0, newest - delay_);
  View view{seen_[looked], 0};
  if (looked > 0) view.keys = KeysSeen(seen_[looked - 1], seen_[looked]);
  for (int frame = looked; frame < newest; ++frame) {
    StepTank(view.tank, view.keys);
    for (Shot& shot : view.tank.shots) StepShot(shot);
  }
  return view;
}

}  // namespace game::computer
