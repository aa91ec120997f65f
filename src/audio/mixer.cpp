// The mixer: effect voices with oldest-first stealing, the two engine voices,
// panning and the limiter.
#include "audio/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace audio {
namespace {

constexpr float MASTER_GAIN = 0.5f;  // headroom: a few effects at once stay below the limiter
// Per-sample smoothing toward an engine's targets: a 20 ms time constant, so a
// speed that changes every 35 ms frame step glides instead of stepping.
const float ENGINE_GLIDE = 1.0f - std::exp(-1.0f / (0.02f * SAMPLE_RATE));
// The engine's saw through a one-pole low-pass at 900 Hz.
const float ENGINE_TONE = 1.0f - std::exp(-2.0f * std::numbers::pi_v<float> * 900.0f / SAMPLE_RATE);
// The limiter lets its gain back up with a 100 ms time constant.
const float LIMITER_RELEASE = 1.0f - std::exp(-1.0f / (0.1f * SAMPLE_RATE));
constexpr float QUIET = 1e-5f;
const float MUTE_STEP = static_cast<float>(1.0 / (MUTE_RAMP_SECONDS * SAMPLE_RATE));

}  // namespace

PanGains GainsForPan(float pan) {
  const float angle = (std::clamp(pan, -1.0f, 1.0f) + 1.0f) * std::numbers::pi_v<float> / 4.0f;
  return {std::cos(angle), std::sin(angle)};
}

Mixer::Mixer(const Bank& bank, bool muted)
    : bank_(bank), muted_(muted), muteGain_(muted ? 0.0f : 1.0f) {}

int Mixer::BusyVoices() const {
  return static_cast<int>(std::count_if(voices_.begin(), voices_.end(),
                                        [](const Voice& v) { return v.samples != nullptr; }));
}

void Mixer::Handle(const Event& event) {
  switch (event.type) {
    case EventType::ShotFired:
      Play(bank_.shot, event.pan);
      break;
    case EventType::MatchEnded:
      Play(event.how == MatchEnd::TankShot ? bank_.blow : bank_.cry, event.pan);
      break;
    case EventType::MatchStarted:
      Play(bank_.startTone, 0.0f);
      break;
  }
}

void Mixer::SetEngine(Source source, float speed, float pan) {
  if (source == Source::None) return;
  Engine& engine = engines_[source == Source::Green ? 0 : 1];
  engine.targetPitch = EnginePitch(speed);
  engine.targetLevel = EngineLevel(speed);
  engine.targetPan = pan;
  if (engine.level <= QUIET) {  // starting from rest: no glide across the arena or scale
    engine.pitch = engine.targetPitch;
    engine.pan = engine.targetPan;
  }
}

void Mixer::SetMuted(bool muted) { muted_ = muted; }

void Mixer::Play(const std::vector<float>& samples, float pan) {
  if (muted_ || samples.empty()) return;
  Voice* chosen = &voices_[0];
  for (Voice& voice : voices_) {
    if (voice.samples == nullptr) {
      chosen = &voice;
      break;
    }
    if (voice.order < chosen->order) chosen = &voice;
  }
  const PanGains gains = GainsForPan(pan);
  *chosen = {&samples, 0, gains.left * MASTER_GAIN, gains.right * MASTER_GAIN, ++started_};
}

bool Mixer::Silent() const {
  if (BusyVoices() != 0) return false;
  return std::all_of(engines_.begin(), engines_.end(),
                     [](const Engine& e) { return e.level <= QUIET && e.targetLevel <= QUIET; });
}

void Mixer::Render(float* out, int frames) {
  if (frames <= 0) return;
  std::memset(out, 0, sizeof(float) * CHANNELS * static_cast<size_t>(frames));
  if ((muted_ && muteGain_ == 0.0f) || Silent()) {
    limiterGain_ = 1.0f;
    if (muted_) muteGain_ = 0.0f;  // nothing sounds, so there is nothing to fade
    return;
  }
  MixVoices(out, frames);
  for (Engine& engine : engines_) MixEngine(engine, out, frames);
  Limit(out, frames);
  if (muted_ || muteGain_ < 1.0f) RampMute(out, frames);
}

void Mixer::MixVoices(float* out, int frames) {
  for (Voice& voice : voices_) {
    if (voice.samples == nullptr) continue;
    const std::vector<float>& samples = *voice.samples;
    const size_t count = std::min<size_t>(frames, samples.size() - voice.position);
    const float* source = samples.data() + voice.position;
    for (size_t i = 0; i < count; ++i) {
      out[2 * i] += source[i] * voice.left;
      out[2 * i + 1] += source[i] * voice.right;
    }
    voice.position += count;
    if (voice.position == samples.size()) voice.samples = nullptr;
  }
}

void Mixer::MixEngine(Engine& engine, float* out, int frames) {
  if (engine.level <= QUIET && engine.targetLevel <= QUIET) {
    engine.level = 0.0f;
    return;
  }
  for (int i = 0; i < frames; ++i) {
    engine.level += ENGINE_GLIDE * (engine.targetLevel - engine.level);
    engine.pitch += ENGINE_GLIDE * (engine.targetPitch - engine.pitch);
    engine.pan += ENGINE_GLIDE * (engine.targetPan - engine.pan);
    engine.filtered += ENGINE_TONE * (EngineSample(engine.phase) - engine.filtered);
    engine.phase += static_cast<double>(engine.pitch) / SAMPLE_RATE;
    engine.phase -= std::floor(engine.phase);
    // A linear pan law is close enough for a slowly moving, quiet source and
    // saves two trigonometric calls per sample.
    const float value = engine.filtered * engine.level * MASTER_GAIN;
    const float right = (std::clamp(engine.pan, -1.0f, 1.0f) + 1.0f) * 0.5f;
    out[2 * i] += value * (1.0f - right);
    out[2 * i + 1] += value * right;
  }
}

// A peak limiter with instant attack: the gain drops at once to whatever keeps this
// frame at the limit, then recovers slowly, so no output sample exceeds it.
void Mixer::Limit(float* out, int frames) {
  for (int i = 0; i < frames; ++i) {
    const float peak = std::max(std::fabs(out[2 * i]), std::fabs(out[2 * i + 1]));
    float gain = limiterGain_ + LIMITER_RELEASE * (1.0f - limiterGain_);
    if (peak * gain > FULL_SCALE_LIMIT) gain = FULL_SCALE_LIMIT / peak;
    // The clamp only catches the last bit of float rounding in gain * peak.
    out[2 * i] = std::clamp(out[2 * i] * gain, -FULL_SCALE_LIMIT, FULL_SCALE_LIMIT);
    out[2 * i + 1] = std::clamp(out[2 * i + 1] * gain, -FULL_SCALE_LIMIT, FULL_SCALE_LIMIT);
    limiterGain_ = gain;
  }
}

// A linear fade of the finished mix toward silence (muted) or back to full.
void Mixer::RampMute(float* out, int frames) {
  const float step = muted_ ? -MUTE_STEP : MUTE_STEP;
  for (int i = 0; i < frames; ++i) {
    muteGain_ = std::clamp(muteGain_ + step, 0.0f, 1.0f);
    out[2 * i] *= muteGain_;
    out[2 * i + 1] *= muteGain_;
  }
  if (!muted_ || muteGain_ > 0.0f) return;
  for (Voice& voice : voices_) voice.samples = nullptr;
  for (Engine& engine : engines_) engine.level = 0.0f;  // fades back in when heard again
}

}  // namespace audio
