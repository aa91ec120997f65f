// The installed game observers, and the calls that tell them.
#include "game/observer.h"

#include <array>
#include <cassert>

namespace game {
namespace {

std::array<const Observer*, 4> installed{};

template <typename Callback, typename... Arguments>
void Tell(Callback Observer::*callback, const Arguments&... arguments) {
  for (const Observer* observer : installed) {
    if (observer != nullptr && observer->*callback != nullptr) (observer->*callback)(arguments...);
  }
}

}  // namespace

void SetObserver(const Observer* observer) { installed = {observer}; }

void AddObserver(const Observer* observer) {
  for (const Observer*& slot : installed) {
    if (slot == nullptr) {
      slot = observer;
      return;
    }
  }
  assert(!"more than four observers");
}

void ReportFrameStepEnded(const MatchState& state, uint32_t keysHeld) {
  Tell(&Observer::frameStepEnded, state, keysHeld);
}
void ReportMatchDecided(const MatchState& state, std::string_view message, int32_t winner) {
  Tell(&Observer::matchDecided, state, message, winner);
}
void ReportNewMatch(const MatchState& state) { Tell(&Observer::newMatch, state); }
void ReportProgramEnding(int32_t status) { Tell(&Observer::programEnding, status); }

}  // namespace game
