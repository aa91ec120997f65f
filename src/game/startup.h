// Start-up of the game program: open the window, load the sprites, set up the
// match and hand the frame step to the frame clock.
//
//   int main() { game::RunProgram(); }   // never returns; exit status 0
//   game::RunProgram(game::replay::WatchStep);   // another routine in place of FrameStep
//
// Sprites are found by game::SpritePath (working directory first, then the
// installed data folder); a missing one simply is not drawn.
#pragma once
#include "clock/frame_clock.h"
#include "display/image.h"
#include "game/frame_step.h"
#include "game/match_state.h"

namespace game {

// Opens the game window, starts the sound if it was asked for (AskForSound),
// prepares the match, runs the frame clock with `step` until the window is
// destroyed, then ends the program with status 0. `windowClosed`, if given, runs
// first, once no new frame step can start (online play says goodbye there).
[[noreturn]] void RunProgram(frameclock::FrameRoutine step = FrameStep,
                             void (*windowClosed)() = nullptr);

// Loads the seven sprites into the state, makes the turned images and frees every
// shot slot (needs an open screen). Does not reset the match.
void LoadSprites(MatchState& state);

// The sprite `name` ("tank.bmp", ...) found by SpritePath, loaded (null when it
// cannot be).
display::Image* LoadSprite(const char* name);

// The picture from sprite `fileName` placed at (8, 8) in a new 48 x 48 image filled with
// the transparent key colour (left empty when the file cannot be loaded).
display::Image* PrepareTankFrame(const char* fileName);

}  // namespace game
