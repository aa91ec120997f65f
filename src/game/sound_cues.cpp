// The game's side of the sound: turns what a frame step did into audio events.
#include "game/sound_cues.h"

#include <algorithm>
#include <atomic>

#include "audio/output.h"
#include "display/keys.h"

namespace game {
namespace {

constexpr double ARENA_CENTRE = 320.0;
constexpr double TANK_CENTRE = 24.0;  // of the 48 x 48 turned picture
constexpr double SHOT_CENTRE = 2.5;   // of the 5 x 5 shot box

float PanAt(double x) {
  return static_cast<float>(std::clamp((x - ARENA_CENTRE) / ARENA_CENTRE, -1.0, 1.0));
}

bool muteKeyWasDown = false;
bool soundAsked = false, startMuted = false;
std::atomic<uint32_t> muteToggles{0};  // read at exit, from another thread

void PostFired(const Shot& fired, audio::Source source) {
  if (fired.active != 1) return;
  audio::Post({audio::EventType::ShotFired, source, {}, PanAt(fired.x + SHOT_CENTRE)});
}

void SetEngine(const Tank& tank, audio::Source source) {
  audio::CurrentLevels().SetEngine(source, {static_cast<float>(tank.speed), PanOf(tank)});
}

}  // namespace

float PanOf(const Tank& tank) { return PanAt(tank.x + TANK_CENTRE); }

void PostShotsFired(const StepResult& result) {
  PostFired(result.greenFired, audio::Source::Green);
  PostFired(result.blueFired, audio::Source::Blue);
}

void PostFrameSounds(const MatchState& state) {
  SetEngine(state.green, audio::Source::Green);
  SetEngine(state.blue, audio::Source::Blue);
  const bool muteKeyDown = display::IsKeyDown(KEY_MUTE) != 0;
  if (muteKeyDown && !muteKeyWasDown) {
    audio::CurrentLevels().ToggleMuted();
    muteToggles.fetch_add(1, std::memory_order_relaxed);
  }
  muteKeyWasDown = muteKeyDown;
}

void PostMatchEnded(audio::MatchEnd how, const MatchState& state, bool greenWasHit) {
  const float pan =
      how == audio::MatchEnd::TankShot ? PanOf(greenWasHit ? state.green : state.blue) : 0.0f;
  // No frame step runs on the match-over screen: the engines stop here.
  StopEngines();
  audio::Post({audio::EventType::MatchEnded, audio::Source::None, how, pan});
}

void PostMatchStarted() {
  StopEngines();
  audio::Post({audio::EventType::MatchStarted});
}

void AskForSound(bool muted) {
  soundAsked = true;
  startMuted = muted;
}

void StartAskedSound() {
  if (soundAsked) audio::StartOutput(startMuted);
}

uint32_t MuteToggles() { return muteToggles.load(std::memory_order_relaxed); }

void StopEngines() {
  for (audio::Source source : {audio::Source::Green, audio::Source::Blue}) {
    audio::CurrentLevels().SetEngine(source, {});
  }
}

}  // namespace game
