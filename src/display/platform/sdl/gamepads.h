// Gamepads as a second source of the players' keys, through SDL's game-controller
// interface (its mapping database plus SDL_GAMECONTROLLERCONFIG). Used by the SDL
// back end on the window thread only.
//
//   Gamepads pads;
//   pads.Start();                      // after SDL's video is up
//   pads.HandleEvent(event);           // for every polled event
//   pads.Fold(table);                  // after the keyboard wrote the key table
//
// The first pad connected plays the green tank (the arrow keys and Ctrl), the
// second the blue one (R, D, G, F, A), leaving out a key set the program drives
// itself (display::SetPadKeySets); a pad connected while no tank is free waits
// for one (pad_assignment.h). On either pad: d-pad left/right or the left stick
// past its dead zone turn, A or the right trigger accelerates, B or the left
// trigger brakes, X or the right shoulder fires, Start is Space and Back is Esc.
#pragma once
#include <SDL2/SDL.h>

#include <cstdint>
#include <vector>

#include "display/keys.h"
#include "display/platform/pad_assignment.h"

namespace display::platform {

// What one pad asks for, already reduced to the game's controls.
struct PadControls {
  bool left = false, right = false, accelerate = false, brake = false, fire = false;
  bool start = false, back = false;
};

// Sets the keys of `controls` held in `table` for the tank of `player` (0 green,
// 1 blue); keys already held stay held (keyboard OR pad).
void FoldPadControls(const PadControls& controls, int player, uint8_t table[KEY_TABLE_SIZE]);

class Gamepads {
 public:
  Gamepads() = default;
  Gamepads(const Gamepads&) = delete;
  Gamepads& operator=(const Gamepads&) = delete;
  ~Gamepads() { Stop(); }

  // Starts SDL's game-controller subsystem, the pads to hold the key sets that
  // display::PadKeySets allows; false (and no pads) where it cannot start.
  bool Start();
  // Closes every pad and stops the subsystem. Idempotent.
  void Stop();
  // Opens pads as they are connected and closes them as they are removed.
  void HandleEvent(const SDL_Event& event);
  // Adds the held controls of every pad that plays a tank to the key table.
  void Fold(uint8_t table[KEY_TABLE_SIZE]) const;

 private:
  struct Pad {
    SDL_GameController* controller;
    SDL_JoystickID id;
  };
  void Open(int deviceIndex);
  void Close(SDL_JoystickID id);

  bool started_ = false;
  std::vector<Pad> pads_;
  PadAssignment seats_{0};
};

}  // namespace display::platform
