// What the game tells the sound: small fixed-size events, posted by the frame step
// and read by the audio thread.
//
//   audio::Post({audio::EventType::ShotFired, audio::Source::Green, {}, pan, 0.0f});
//
// `pan` runs from -1 (left edge of the arena) to +1 (right edge); `speed` is the
// tank's speed in pixels per frame step. Events carry no pointers, so the game's
// state never crosses to the audio thread.
#pragma once
#include <cstdint>

namespace audio {

enum class EventType : uint8_t {
  ShotFired,      // a shot left a barrel (source, pan)
  EngineChanged,  // a tank's speed or position changed (source, pan, speed)
  MatchEnded,     // the match was decided (how, pan of what was hit)
  MatchStarted,   // a new match begins
  ToggleMute,     // the player pressed M
};

enum class Source : uint8_t { Green, Blue, None };

// How a match ended: a tank destroyed, or the bird shot or run over.
enum class MatchEnd : uint8_t { TankShot, BirdShot, BirdRunOver };

struct Event {
  EventType type = EventType::MatchStarted;
  Source source = Source::None;
  MatchEnd how = MatchEnd::TankShot;
  float pan = 0.0f;
  float speed = 0.0f;
};

}  // namespace audio
