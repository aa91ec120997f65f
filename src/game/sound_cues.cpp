// The game's side of the sound: turns what a frame step did into audio events.
#include "game/sound_cues.h"

#include <algorithm>
#include <cmath>

#include "audio/output.h"
#include "display/keys.h"

namespace game {
namespace {

constexpr double ARENA_CENTRE = 320.0;
constexpr double TANK_CENTRE = 24.0;  // of the 48 x 48 turned picture
constexpr double SHOT_CENTRE = 2.5;   // of the 5 x 5 shot box
constexpr float PAN_STEP = 0.002f;    // finer moves are not worth an event

float PanAt(double x) {
  return static_cast<float>(std::clamp((x - ARENA_CENTRE) / ARENA_CENTRE, -1.0, 1.0));
}

// What was last posted for each tank's engine; only frame steps touch it.
struct EngineCue {
  float speed = -1.0f;  // never a real speed: the first frame step always posts
  float pan = 0.0f;
};
EngineCue engineCues[2];
bool muteKeyWasDown = false;

void PostFired(const Shot& fired, audio::Source source) {
  if (fired.active != 1) return;
  audio::Post({audio::EventType::ShotFired, source, {}, PanAt(fired.x + SHOT_CENTRE), 0.0f});
}

void PostEngine(const Tank& tank, audio::Source source, EngineCue& cue) {
  const auto speed = static_cast<float>(tank.speed);
  const float pan = PanOf(tank);
  if (speed == cue.speed && std::fabs(pan - cue.pan) < PAN_STEP) return;
  cue = {speed, pan};
  audio::Post({audio::EventType::EngineChanged, source, {}, pan, speed});
}

}  // namespace

float PanOf(const Tank& tank) { return PanAt(tank.x + TANK_CENTRE); }

void PostShotsFired(const StepResult& result) {
  PostFired(result.greenFired, audio::Source::Green);
  PostFired(result.blueFired, audio::Source::Blue);
}

void PostFrameSounds(const MatchState& state) {
  PostEngine(state.green, audio::Source::Green, engineCues[0]);
  PostEngine(state.blue, audio::Source::Blue, engineCues[1]);
  const bool muteKeyDown = display::IsKeyDown(KEY_MUTE) != 0;
  if (muteKeyDown && !muteKeyWasDown) audio::Post({audio::EventType::ToggleMute});
  muteKeyWasDown = muteKeyDown;
}

void PostMatchEnded(audio::MatchEnd how, const MatchState& state, bool greenWasHit) {
  const float pan =
      how == audio::MatchEnd::TankShot ? PanOf(greenWasHit ? state.green : state.blue) : 0.0f;
  audio::Post({audio::EventType::MatchEnded, audio::Source::None, how, pan, 0.0f});
}

void PostMatchStarted() {
  engineCues[0] = engineCues[1] = EngineCue{};
  audio::Post({audio::EventType::MatchStarted});
}

void StartSound(bool muted) { audio::OpenOutput(muted); }

}  // namespace game
