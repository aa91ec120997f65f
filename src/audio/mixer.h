// The mixer: a fixed set of voices for the bank's effects, one engine voice per
// tank, constant-power panning, and a limiter that keeps the sum within full scale.
//
//   audio::Mixer mixer(bank);
//   mixer.SetEngine(audio::Source::Green, speed, pan);  // the levels, before a render
//   mixer.Handle(event);                  // any number, between renders
//   mixer.Render(buffer, frames);         // interleaved stereo floats, left first
//
// No call allocates, locks or waits, so all may run on the audio thread. The output
// depends only on the bank and the sequence of calls.
// `bank` must outlive the mixer.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/events.h"
#include "audio/synth.h"

namespace audio {

inline constexpr int CHANNELS = 2;
inline constexpr int VOICE_COUNT = 12;  // effects at once; the oldest gives way
inline constexpr float FULL_SCALE_LIMIT = 0.98f;
inline constexpr double MUTE_RAMP_SECONDS = 0.005;  // muting fades, so it never clicks

class Mixer {
 public:
  explicit Mixer(const Bank& bank, bool muted = false);

  // Starts the event's effect (none while muted).
  void Handle(const Event& event);
  // Makes a tank's engine follow its speed (pixels per frame step) and place.
  void SetEngine(Source source, float speed, float pan);
  // Fades the whole mix out (or back in) over MUTE_RAMP_SECONDS. Once faded out,
  // the sounding effects are dropped, and the engines come back in from silence.
  void SetMuted(bool muted);
  // Overwrites `frames` stereo frames at `out` with the mix.
  void Render(float* out, int frames);

  // Effect voices now sounding.
  int BusyVoices() const;

 private:
  struct Voice {
    const std::vector<float>* samples = nullptr;  // null when free
    size_t position = 0;
    float left = 0.0f, right = 0.0f;
    uint64_t order = 0;  // start order, to find the oldest
  };
  struct Engine {
    double phase = 0.0;
    float pitch = 0.0f, level = 0.0f, pan = 0.0f;  // smoothed toward the targets
    float targetPitch = 0.0f, targetLevel = 0.0f, targetPan = 0.0f;
    float filtered = 0.0f;
  };

  void Play(const std::vector<float>& samples, float pan);
  bool Silent() const;
  void MixVoices(float* out, int frames);
  void MixEngine(Engine& engine, float* out, int frames);
  void Limit(float* out, int frames);
  void RampMute(float* out, int frames);

  const Bank& bank_;
  std::array<Voice, VOICE_COUNT> voices_{};
  std::array<Engine, 2> engines_{};
  uint64_t started_ = 0;
  float limiterGain_ = 1.0f;
  bool muted_;
  float muteGain_;  // 1 heard, 0 faded out; moves toward muted_ one step a sample
};

// Left and right gains for a pan position in -1..1 (clamped), constant power.
struct PanGains {
  float left, right;
};
PanGains GainsForPan(float pan);

}  // namespace audio
