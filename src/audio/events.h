// What the game tells the sound once: small fixed-size events, posted by the frame
// step and read by the audio thread. What holds until it changes (the engines,
// muting) is no event but a level (levels.h).
//
//   audio::Post({audio::EventType::ShotFired, audio::Source::Green, {}, pan});
//
// `pan` runs from -1 (left edge of the arena) to +1 (right edge). Events carry no
// pointers, so the game's state never crosses to the audio thread.
#pragma once
#include <cstdint>

namespace audio {

enum class EventType : uint8_t {
  ShotFired,     // a shot left a barrel (source, pan)
  MatchEnded,    // the match was decided (how, pan of what was hit)
  MatchStarted,  // a new match begins
};

enum class Source : uint8_t { Green, Blue, None };

// How a match ended: a tank destroyed, or the bird shot or run over.
enum class MatchEnd : uint8_t { TankShot, BirdShot, BirdRunOver };

struct Event {
  EventType type = EventType::MatchStarted;
  Source source = Source::None;
  MatchEnd how = MatchEnd::TankShot;
  float pan = 0.0f;
  int64_t postedAt = 0;  // steady clock in nanoseconds, stamped by Post
};

}  // namespace audio
