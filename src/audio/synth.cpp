// The effect synthesis: a few building blocks (noise, one-pole low-pass, sweeps,
// envelopes) and one recipe per effect.
#include "audio/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace audio {
namespace {

constexpr double TWO_PI = 2.0 * std::numbers::pi;
constexpr double FADE_SECONDS = 0.01;

int Frames(double seconds) { return static_cast<int>(seconds * SAMPLE_RATE); }
double TimeOf(int frame) { return static_cast<double>(frame) / SAMPLE_RATE; }

// White noise in -1..1 from a 32-bit xorshift generator: the same every run.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed) {}
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_ / 2147483648.0 - 1.0;
  }

 private:
  uint32_t state_;
};

// A one-pole low-pass whose cutoff may change every sample.
class LowPass {
 public:
  double Run(double input, double cutoffHz) {
    const double a = 1.0 - std::exp(-TWO_PI * cutoffHz / SAMPLE_RATE);
    value_ += a * (input - value_);
    return value_;
  }

 private:
  double value_ = 0.0;
};

// A sine whose frequency may change every sample (the phase carries over).
class Oscillator {
 public:
  double Run(double frequencyHz) {
    const double value = std::sin(TWO_PI * phase_);
    phase_ += frequencyHz / SAMPLE_RATE;
    phase_ -= std::floor(phase_);
    return value;
  }

 private:
  double phase_ = 0.0;
};

// Exponential glide from `from` to `to` with time constant `tau` seconds.
double Glide(double from, double to, double t, double tau) {
  return to + (from - to) * std::exp(-t / tau);
}

// A linear rise over `attack` seconds, then an exponential fall with time constant `decay`.
double Envelope(double t, double attack, double decay) {
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / decay);
}

// Scales the buffer to the given peak and fades its last 10 ms to exact silence.
void Finish(std::vector<float>& samples, double peak) {
  float highest = 0.0f;
  for (float s : samples) highest = std::max(highest, std::fabs(s));
  const double scale = highest > 0.0f ? peak / highest : 0.0;
  const int fade = std::min<int>(Frames(FADE_SECONDS), static_cast<int>(samples.size()));
  const int fadeStart = static_cast<int>(samples.size()) - fade;
  for (int i = 0; i < static_cast<int>(samples.size()); ++i) {
    const double tail = i < fadeStart ? 1.0 : static_cast<double>(samples.size() - 1 - i) / fade;
    samples[i] = static_cast<float>(samples[i] * scale * tail);
  }
}

// A crack of filtered noise whose brightness falls fast, over a thump whose
// pitch drops from 150 to 55 Hz.
std::vector<float> MakeShot() {
  std::vector<float> out(Frames(0.2));
  Noise noise(0x5107u);
  LowPass crack;
  Oscillator thump;
  for (int i = 0; i < static_cast<int>(out.size()); ++i) {
    const double t = TimeOf(i);
    const double hiss = crack.Run(noise.Next(), Glide(7000.0, 600.0, t, 0.03));
    const double body = thump.Run(Glide(150.0, 55.0, t, 0.03));
    out[i] = static_cast<float>(hiss * Envelope(t, 0.001, 0.035) +
                                0.7 * body * Envelope(t, 0.002, 0.05));
  }
  Finish(out, 0.7);
  return out;
}

// Dark noise through two low-passes closing from 1500 to 120 Hz, with a rumble
// sinking from 70 to 28 Hz under it.
std::vector<float> MakeBlow() {
  std::vector<float> out(Frames(1.4));
  Noise noise(0xB10Bu);
  LowPass first, second;
  Oscillator rumble;
  for (int i = 0; i < static_cast<int>(out.size()); ++i) {
    const double t = TimeOf(i);
    const double cutoff = Glide(1500.0, 120.0, t, 0.25);
    const double roar = second.Run(first.Run(noise.Next(), cutoff), cutoff);
    const double low = rumble.Run(Glide(70.0, 28.0, t, 0.3));
    out[i] = static_cast<float>(3.0 * roar * Envelope(t, 0.004, 0.35) +
                                0.5 * low * Envelope(t, 0.01, 0.4));
  }
  Finish(out, 0.9);
  return out;
}

// Two chirps falling from 2600 to 1700 Hz with a quick warble and a soft octave.
std::vector<float> MakeCry() {
  constexpr double CHIRP = 0.22, GAP = 0.08;
  std::vector<float> out(Frames(2 * CHIRP + GAP + 0.1));
  Oscillator voice, octave, warble;
  for (int i = 0; i < static_cast<int>(out.size()); ++i) {
    const double t = TimeOf(i);
    const double local = t < CHIRP + GAP ? t : t - CHIRP - GAP;
    if (local >= CHIRP) continue;
    const double pitch = 2600.0 - 900.0 * local / CHIRP + 120.0 * warble.Run(30.0);
    const double shape = std::sin(std::numbers::pi * local / CHIRP);
    out[i] = static_cast<float>(shape * shape * (voice.Run(pitch) + 0.3 * octave.Run(2 * pitch)));
  }
  Finish(out, 0.6);
  return out;
}

// Two soft notes a fifth apart: 660 Hz, then 990 Hz.
std::vector<float> MakeStartTone() {
  constexpr double FIRST = 0.12;
  std::vector<float> out(Frames(0.3));
  Oscillator tone;
  for (int i = 0; i < static_cast<int>(out.size()); ++i) {
    const double t = TimeOf(i);
    const double local = t < FIRST ? t : t - FIRST;
    const double pitch = t < FIRST ? 660.0 : 990.0;
    out[i] = static_cast<float>(tone.Run(pitch) * Envelope(local, 0.005, 0.05));
  }
  Finish(out, 0.4);
  return out;
}

}  // namespace

Bank MakeBank() { return {MakeShot(), MakeBlow(), MakeCry(), MakeStartTone()}; }

float EngineSample(double phase) {
  // The saw's own fundamental is -sin: adding more of it rounds the buzz.
  const double saw = 2.0 * phase - 1.0;
  return static_cast<float>(0.7 * saw - 0.3 * std::sin(TWO_PI * phase));
}

float EnginePitch(float speed) { return 40.0f + 30.0f * std::max(speed, 0.0f); }

float EngineLevel(float speed) {
  constexpr float TOP_SPEED = 3.3f;
  return 0.25f * std::clamp(speed / TOP_SPEED, 0.0f, 1.0f);
}

}  // namespace audio
