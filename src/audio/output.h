// The game's sound output: the process-wide event queue and levels, and the audio
// device that drains them on SDL's audio thread.
//
//   audio::StartOutput(muted);           // once, after the window shows
//   audio::Post(event);                  // from the frame step: never waits or allocates
//   audio::CurrentLevels().SetEngine(audio::Source::Blue, {speed, pan});
//
// The device is opened, watched and, when lost, opened again on a thread of its
// own, so neither start-up nor a frame step ever waits for it. Before the output
// starts, posted events wait in the queue (tests drain it with Events().Pop);
// while no device is open, Post drops them, as nothing would drain the queue.
#pragma once
#include "audio/event_queue.h"
#include "audio/events.h"
#include "audio/levels.h"

namespace audio {

inline constexpr int BUFFER_FRAMES = 512;  // about 10.7 ms at 48 kHz

// Sets the muting, builds the effect bank and starts the thread that keeps a
// 48 kHz stereo device with buffers of at most BUFFER_FRAMES frames open: it opens
// the default device, watches it, and after a loss (or when there was none) tries
// again, at once when the driver lists another device and otherwise after waits
// that double from 0.5 s to 16 s. Without a device the game runs as it would
// without sound. Call once, when nothing else is starting SDL on another thread.
void StartOutput(bool muted);

// The queue between the frame step (producer) and the audio thread (consumer).
EventQueue& Events();

// The engines and the muting, written by the frame step, read by the audio thread.
Levels& CurrentLevels();

// Stamps the event with the time and queues it for the audio thread; drops it
// (false) when the queue is full or no device drains it.
bool Post(const Event& event);

}  // namespace audio
