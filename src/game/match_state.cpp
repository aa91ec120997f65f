// The process-wide match state and its start values.
#include "game/match_state.h"

namespace game {
namespace {

void PlaceTank(Tank& tank, int32_t heading, double x, double y) {
  tank.heading = heading;
  tank.x = x;
  tank.y = y;
  tank.speed = 0.0;
  for (Shot& shot : tank.shots) shot.active = 0;
}

}  // namespace

MatchState& Match() {
  static MatchState state;
  return state;
}

void ResetMatch(MatchState& state) {
  PlaceTank(state.green, 90, 488.0, 216.0);
  PlaceTank(state.blue, 270, 104.0, 216.0);
}

}  // namespace game
