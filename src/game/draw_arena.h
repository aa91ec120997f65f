// Drawing one frame step's picture: the walls, the bird, both tanks turned to
// their headings and the shots where they flew. The frame step draws the state
// it has just stepped; online play draws its newest state, predicted or not.
//
//   game::DrawArena(state, result);   // screen locked and cleared by the caller
#pragma once
#include "game/match_state.h"
#include "game/rules.h"

namespace game {

// Draws the arena as `state` stands after the step that gave `result` (whose
// flown shots are drawn). Turns each tank's current frame into its `turned` image.
void DrawArena(const MatchState& state, const StepResult& result);

}  // namespace game
