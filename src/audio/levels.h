// What the sound follows until it changes: each tank's engine and the muting.
// These are levels, not events: the frame step stores the latest value and the
// audio thread reads it before every buffer, so a full queue or a stalled audio
// thread can lose none of them; a value is only ever replaced by a newer one.
//
//   audio::CurrentLevels().SetEngine(audio::Source::Green, {speed, pan});  // frame step
//   const audio::EngineState green = levels.Engine(audio::Source::Green);   // audio thread
//
// One thread at a time writes (the frame steps, and start-up before them); any
// thread reads. Neither ever waits.
#pragma once
#include <array>
#include <atomic>
#include <bit>
#include <cstdint>

#include "audio/events.h"

namespace audio {

struct EngineState {
  float speed = 0.0f;  // pixels per frame step; a tank at rest is silent
  float pan = 0.0f;
};

class Levels {
 public:
  // Source::None is ignored.
  void SetEngine(Source source, EngineState state) {
    if (source == Source::None) return;
    // Speed and pan in one word, so a reader never sees one without the other.
    const uint64_t packed = uint64_t{std::bit_cast<uint32_t>(state.speed)} << 32 |
                            std::bit_cast<uint32_t>(state.pan);
    engines_[Index(source)].store(packed, std::memory_order_relaxed);
  }
  EngineState Engine(Source source) const {
    if (source == Source::None) return {};
    const uint64_t packed = engines_[Index(source)].load(std::memory_order_relaxed);
    return {std::bit_cast<float>(uint32_t(packed >> 32)), std::bit_cast<float>(uint32_t(packed))};
  }

  void SetMuted(bool muted) { muted_.store(muted, std::memory_order_relaxed); }
  void ToggleMuted() { SetMuted(!Muted()); }  // one writer: no lost toggle
  bool Muted() const { return muted_.load(std::memory_order_relaxed); }

 private:
  static size_t Index(Source source) { return source == Source::Green ? 0 : 1; }

  std::array<std::atomic<uint64_t>, 2> engines_{};  // both at rest: all bits zero
  std::atomic<bool> muted_{false};
};

}  // namespace audio
