// The sound effects, made by the program itself at start-up: a small bank of mono
// sample buffers built from noise, sine sweeps, envelopes and low-pass filters.
// The same bank comes out every time (the noise is a seeded generator).
//
//   const audio::Bank bank = audio::MakeBank();
//   mixer.Play(bank.shot, pan);
//
// The engine note is not in the bank: the mixer makes it live, because its pitch
// follows the tank's speed (see EngineSample).
#pragma once
#include <vector>

namespace audio {

inline constexpr int SAMPLE_RATE = 48000;

struct Bank {
  std::vector<float> shot;       // a short crack and thump, about 0.2 s
  std::vector<float> blow;       // the tank destroyed: a long noisy boom, about 1.4 s
  std::vector<float> cry;        // the bird: two falling chirps, about 0.6 s
  std::vector<float> startTone;  // two short rising notes, about 0.3 s
};

// Builds every effect. Each peaks below full scale and fades to exact silence.
Bank MakeBank();

// One sample of the engine note at oscillator phase `phase` (0..1, advanced by
// frequency / SAMPLE_RATE per sample): a buzzing saw with its fundamental strengthened.
float EngineSample(double phase);
// The engine's pitch (Hz) and loudness (0..1) at a speed in pixels per frame step;
// both rise with the speed, and a tank at rest is silent.
float EnginePitch(float speed);
float EngineLevel(float speed);

}  // namespace audio
