// Who holds a tank's five keys: the keyboard, or a key chooser (the computer
// player) that decides them in every frame step instead.
//
//   game::SetKeyChooser(game::TankSide::Blue, &computer);   // before the clock runs
//
// Whatever a chooser returns acts through the very code that keyboard keys go
// through (ApplyTankKeys), so a chosen tank turns, speeds up, fires and is
// limited exactly as a player's. With no chooser set the game reads the keyboard
// through the tank's key bindings (game/key_bindings.h).
#pragma once
#include <cstdint>

#include "game/match_state.h"

namespace game {

enum class TankSide { Green, Blue };

// Bits of one tank's held keys, in the order a frame step acts on them.
enum TankKey : uint32_t {
  TANK_LEFT = 1u << 0,
  TANK_RIGHT = 1u << 1,
  TANK_ACCELERATE = 1u << 2,
  TANK_BRAKE = 1u << 3,
  TANK_FIRE = 1u << 4,
};
inline constexpr uint32_t TANK_KEY_MASK = 0x1Fu;

class KeyChooser {
 public:
  virtual ~KeyChooser() = default;
  // Called once per frame step, before either tank's keys act, with the match as
  // the previous frame step left it (what the screen shows). Returns TankKey bits.
  virtual uint32_t ChooseKeys(const MatchState& state) = 0;
  // A new match has been set up from the start values.
  virtual void NewMatch() {}
};

// Installs (or, with null, removes) the chooser of one tank. Set it before the
// frame clock runs; the chooser must outlive the game. Runs on frame-step threads.
void SetKeyChooser(TankSide side, KeyChooser* chooser);
KeyChooser* CurrentKeyChooser(TankSide side);

// The tank's held keys for this frame step: its chooser's, or the keyboard's.
uint32_t HeldTankKeys(TankSide side, const MatchState& state);
// Tells the installed choosers that a new match has begun.
void NotifyNewMatch();

}  // namespace game
