// The game's sound output: the process-wide event queue and the audio device that
// drains it on SDL's audio thread.
//
//   audio::OpenOutput(muted);            // once, at start-up; silent if there is no device
//   audio::Post(event);                  // from the frame step: never waits or allocates
//
// Without a device (or before OpenOutput) posted events wait in the queue until it
// is full and are dropped after that; tests drain the queue with Events().Pop.
#pragma once
#include "audio/event_queue.h"
#include "audio/events.h"

namespace audio {

inline constexpr int BUFFER_FRAMES = 512;  // about 10.7 ms at 48 kHz

// Builds the effect bank and starts a 48 kHz stereo device with buffers of at most
// BUFFER_FRAMES frames. Returns false, silently, when no device can be opened;
// the game then runs as it would without sound. Call once, from start-up, before
// anything else touches SDL.
bool OpenOutput(bool muted);

// The queue between the frame step (producer) and the audio thread (consumer).
EventQueue& Events();

// Queues an event for the audio thread; drops it when the queue is full.
inline void Post(const Event& event) { Events().Push(event); }

}  // namespace audio
