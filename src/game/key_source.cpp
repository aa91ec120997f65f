// The key choosers of the two tanks.
#include "game/key_source.h"

#include "game/key_bindings.h"

namespace game {
namespace {

KeyChooser* choosers[2] = {nullptr, nullptr};

int IndexOf(TankSide side) { return side == TankSide::Green ? 0 : 1; }

}  // namespace

void SetKeyChooser(TankSide side, KeyChooser* chooser) { choosers[IndexOf(side)] = chooser; }

KeyChooser* CurrentKeyChooser(TankSide side) { return choosers[IndexOf(side)]; }

uint32_t HeldTankKeys(TankSide side, const MatchState& state) {
  KeyChooser* chooser = choosers[IndexOf(side)];
  if (chooser != nullptr) return chooser->ChooseKeys(state) & TANK_KEY_MASK;
  return ReadBoundKeys(side);
}

void NotifyNewMatch() {
  for (KeyChooser* chooser : choosers) {
    if (chooser != nullptr) chooser->NewMatch();
  }
}

}  // namespace game
