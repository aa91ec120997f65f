// The hand-over from the game's queue and levels to the mixer.
#include "audio/feed.h"

#include <algorithm>
#include <chrono>

namespace audio {

int64_t Now() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Feed(Mixer& mixer, EventQueue& queue, const Levels& levels, int64_t now,
          int64_t openedAt) {
  // Levels first: a shot posted after M was pressed is not started.
  mixer.SetMuted(levels.Muted());
  for (Source source : {Source::Green, Source::Blue}) {
    const EngineState engine = levels.Engine(source);
    mixer.SetEngine(source, engine.speed, engine.pan);
  }
  Event event;
  while (queue.Pop(event)) {
    if (now - std::max(event.postedAt, openedAt) <= MAX_EVENT_AGE_NS) mixer.Handle(event);
  }
}

}  // namespace audio
