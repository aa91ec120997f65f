// The synthesised effects and the engine note, measured on rendered buffers.
#include "audio/synth.h"

#include <gtest/gtest.h>

#include "render.h"

namespace audio::testing {
namespace {

struct Expected {
  const char* name;
  const std::vector<float>& samples;
  double shortest, longest;  // seconds
};

TEST(SynthTest, EachEffectHasItsLengthAPeakBelowFullScaleAndEndsInSilence) {
  const Bank bank = MakeBank();
  for (const Expected& effect :
       {Expected{"shot", bank.shot, 0.1, 0.3}, Expected{"blow", bank.blow, 1.0, 2.0},
        Expected{"cry", bank.cry, 0.4, 0.8}, Expected{"start tone", bank.startTone, 0.15, 0.4}}) {
    SCOPED_TRACE(effect.name);
    const double seconds = double(effect.samples.size()) / SAMPLE_RATE;
    EXPECT_GE(seconds, effect.shortest);
    EXPECT_LE(seconds, effect.longest);
    const float peak = Peak(effect.samples);
    EXPECT_GT(peak, 0.3f);
    EXPECT_LE(peak, 0.95f);
    for (float s : effect.samples) ASSERT_TRUE(std::isfinite(s));
    // The last millisecond is all but silent and the very last sample is zero,
    // so a voice ends without a click.
    const std::vector<float> tail(effect.samples.end() - FramesIn(0.001), effect.samples.end());
    EXPECT_LT(Peak(tail), 0.01f);
    EXPECT_EQ(effect.samples.back(), 0.0f);
    // Sound, not a click: a tenth of the way in, it still sounds.
    const size_t early = effect.samples.size() / 10;
    EXPECT_GT(Peak({effect.samples.begin() + early, effect.samples.begin() + 2 * early}), 0.02f);
  }
}

TEST(SynthTest, TheBankIsTheSameEveryTime) {
  const Bank a = MakeBank(), b = MakeBank();
  EXPECT_EQ(a.shot, b.shot);
  EXPECT_EQ(a.blow, b.blow);
  EXPECT_EQ(a.cry, b.cry);
  EXPECT_EQ(a.startTone, b.startTone);
}

// Upward zero crossings per second of one channel, after the glide has settled.
double Frequency(const std::vector<float>& samples) {
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i) crossings += samples[i - 1] < 0 && samples[i] >= 0;
  return crossings * double(SAMPLE_RATE) / samples.size();
}

std::vector<float> SettledEngine(float speed) {
  const Bank bank = MakeBank();
  Mixer mixer(bank);
  mixer.SetEngine(Source::Blue, speed, 0.0f);
  Render(mixer, 0.3);
  return Channel(Render(mixer, 1.0), 0);
}

TEST(SynthTest, TheEngineRisesInPitchAndLoudnessWithSpeedAndRestsInSilence) {
  const std::vector<float> slow = SettledEngine(0.6f), fast = SettledEngine(3.3f);
  EXPECT_NEAR(Frequency(slow), EnginePitch(0.6f), 3.0);
  EXPECT_NEAR(Frequency(fast), EnginePitch(3.3f), 3.0);
  EXPECT_GT(Frequency(fast), 1.5 * Frequency(slow));
  EXPECT_GT(Rms(fast), 2.0 * Rms(slow));
  EXPECT_EQ(Peak(SettledEngine(0.0f)), 0.0f);
}

}  // namespace
}  // namespace audio::testing
