// What the audio thread does before each buffer: hands the mixer the latest levels
// and the queued events that are still fresh.
//
//   audio::Feed(mixer, audio::Events(), audio::CurrentLevels(), audio::Now(), openedAt);
//   mixer.Render(buffer, frames);
#pragma once
#include <cstdint>

#include "audio/event_queue.h"
#include "audio/levels.h"
#include "audio/mixer.h"

namespace audio {

// An event older than this is dropped unplayed: about four frame steps, past which
// a shot no longer goes with the picture, and a backlog left by a stalled audio
// thread would only come out as one burst.
inline constexpr int64_t MAX_EVENT_AGE_NS = 150'000'000;

// Nanoseconds of the steady clock, the time events are stamped with.
int64_t Now();

// Sets the mixer's muting and engines from `levels`, then empties `queue` into it,
// dropping the events posted more than MAX_EVENT_AGE_NS before `now`. An event
// posted before `openedAt` (when the device opened) counts as posted then: the
// match's opening tone waits for a device that is slow to open.
void Feed(Mixer& mixer, EventQueue& queue, const Levels& levels, int64_t now,
          int64_t openedAt = 0);

}  // namespace audio
