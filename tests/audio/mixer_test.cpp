// The mixer on rendered buffers: the limiter, voice stealing, panning, muting and
// its fades, what each event plays, and the same output for the same calls.
#include "audio/mixer.h"

#include <gtest/gtest.h>

#include "render.h"

namespace audio::testing {
namespace {

Event Shot(float pan = 0.0f) { return {EventType::ShotFired, Source::Green, {}, pan}; }
Event Ended(MatchEnd how, float pan = 0.0f) {
  return {EventType::MatchEnded, Source::None, how, pan};
}

class MixerTest : public ::testing::Test {
 protected:
  static const Bank& bank() {
    static const Bank made = MakeBank();
    return made;
  }
  Mixer mixer_{bank()};
};

TEST_F(MixerTest, TwentySixShotsTwoEnginesAndABlowStayWithinFullScale) {
  mixer_.SetEngine(Source::Green, 3.3f, 1.0f);
  mixer_.SetEngine(Source::Blue, 3.3f, -1.0f);
  mixer_.Handle(Ended(MatchEnd::TankShot));
  // Every shot slot of both tanks fired at once, all at one side, so the peaks of
  // all the voices line up.
  for (int shot = 0; shot < 26; ++shot) mixer_.Handle(Shot(1.0f));
  const float peak = Peak(Render(mixer_, 0.5));
  EXPECT_LE(peak, FULL_SCALE_LIMIT);
  EXPECT_GT(peak, 0.5f * FULL_SCALE_LIMIT);  // limited, not silenced
}

TEST_F(MixerTest, AVoiceIsStolenFromTheOldestWhenAllAreBusy) {
  // The long blow starts first; then enough short shots to need its voice.
  mixer_.Handle(Ended(MatchEnd::TankShot));
  for (int i = 0; i < VOICE_COUNT - 1; ++i) mixer_.Handle(Shot());
  EXPECT_EQ(mixer_.BusyVoices(), VOICE_COUNT);
  Mixer spare(bank());
  spare.Handle(Ended(MatchEnd::TankShot));
  for (int i = 0; i < VOICE_COUNT - 1; ++i) spare.Handle(Shot());

  mixer_.Handle(Shot());  // takes the blow's voice
  EXPECT_EQ(mixer_.BusyVoices(), VOICE_COUNT);
  Render(mixer_, 0.4);
  Render(spare, 0.4);
  // The shots are over: only the blow could still sound, and it was stolen.
  EXPECT_EQ(Peak(Render(mixer_, 0.2)), 0.0f);
  EXPECT_EQ(mixer_.BusyVoices(), 0);
  EXPECT_GT(Peak(Render(spare, 0.2)), 0.01f);
}

TEST_F(MixerTest, EffectsArePannedByPosition) {
  Mixer left(bank()), centre(bank()), right(bank());
  left.Handle(Shot(-1.0f));
  centre.Handle(Shot(0.0f));
  right.Handle(Shot(0.5f));
  const auto l = Render(left, 0.25), c = Render(centre, 0.25), r = Render(right, 0.25);
  EXPECT_GT(Peak(Channel(l, 0)), 0.1f);
  EXPECT_LT(Peak(Channel(l, 1)), 1e-6f);
  EXPECT_FLOAT_EQ(Rms(Channel(c, 0)), Rms(Channel(c, 1)));
  EXPECT_GT(Rms(Channel(r, 1)), 2.0 * Rms(Channel(r, 0)));
  // Constant power: the centre is as loud in sum as the far left.
  EXPECT_NEAR(Rms(c) * Rms(c) * 2, Rms(l) * Rms(l) * 2, 1e-3);
}

TEST_F(MixerTest, AnEngineFollowsItsTankAcrossTheArena) {
  mixer_.SetEngine(Source::Green, 3.0f, 0.8f);
  const auto atRight = Render(mixer_, 0.3);
  EXPECT_GT(Rms(Channel(atRight, 1)), 3.0 * Rms(Channel(atRight, 0)));
  mixer_.SetEngine(Source::Green, 3.0f, -0.8f);
  Render(mixer_, 0.2);  // the pan glides over
  const auto atLeft = Render(mixer_, 0.3);
  EXPECT_GT(Rms(Channel(atLeft, 0)), 3.0 * Rms(Channel(atLeft, 1)));
}

TEST_F(MixerTest, EachEndingPlaysItsSound) {
  Mixer blown(bank()), cried(bank());
  blown.Handle(Ended(MatchEnd::TankShot));
  cried.Handle(Ended(MatchEnd::BirdRunOver));
  Render(blown, 0.7);
  Render(cried, 0.7);
  // After 0.7 s the cry is over; the blow still sounds.
  EXPECT_EQ(Peak(Render(cried, 0.1)), 0.0f);
  EXPECT_GT(Peak(Render(blown, 0.1)), 0.001f);
  Render(blown, 1.0);
  EXPECT_EQ(Peak(Render(blown, 0.1)), 0.0f);
}

TEST_F(MixerTest, MutingSilencesAndAShotAfterUnmutingIsHeard) {
  Mixer muted(bank(), true);
  muted.Handle(Shot());
  muted.SetEngine(Source::Green, 3.0f, 0.0f);
  EXPECT_EQ(Peak(Render(muted, 0.3)), 0.0f);
  muted.SetMuted(false);
  EXPECT_GT(Peak(Render(muted, 0.3)), 0.01f);  // the engine, which kept its speed

  mixer_.Handle(Ended(MatchEnd::TankShot));
  Render(mixer_, 0.1);
  mixer_.SetMuted(true);
  Render(mixer_, 0.01);  // the fade
  EXPECT_EQ(Peak(Render(mixer_, 0.1)), 0.0f);
  mixer_.SetMuted(false);
  EXPECT_EQ(Peak(Render(mixer_, 0.1)), 0.0f);  // the blow was dropped, not paused
  mixer_.Handle(Shot());
  EXPECT_GT(Peak(Render(mixer_, 0.1)), 0.05f);
}

// Two engines at full speed, muted, against a twin left playing: the mix fades
// out over a few milliseconds instead of stepping to zero in one sample; and a
// shot fired on unmuting fades in the same way.
TEST_F(MixerTest, MutingAndUnmutingFadeInsteadOfClicking) {
  Mixer twin(bank());
  for (Mixer* m : {&mixer_, &twin}) {
    m->SetEngine(Source::Green, 3.3f, 0.0f);
    m->SetEngine(Source::Blue, 3.3f, 0.0f);
    Render(*m, 0.3);
  }
  mixer_.SetMuted(true);
  const auto fading = Render(mixer_, 0.02), playing = Render(twin, 0.02);
  const size_t ms = static_cast<size_t>(FramesIn(0.001)) * CHANNELS;
  EXPECT_GT(std::fabs(fading[0]), 0.9f * std::fabs(playing[0]));
  EXPECT_GT(Peak({fading.begin(), fading.begin() + ms}),
            0.5f * Peak({playing.begin(), playing.begin() + ms}));
  EXPECT_EQ(Peak({fading.begin() + 10 * ms, fading.end()}), 0.0f);

  Mixer heard(bank());
  mixer_.SetMuted(false);
  for (Mixer* m : {&mixer_, &heard}) m->Handle(Shot());
  mixer_.SetEngine(Source::Green, 0.0f, 0.0f);
  mixer_.SetEngine(Source::Blue, 0.0f, 0.0f);
  const auto rising = Render(mixer_, 0.01), full = Render(heard, 0.01);
  EXPECT_LT(Peak({rising.begin(), rising.begin() + ms}),
            0.5f * Peak({full.begin(), full.begin() + ms}));
  EXPECT_GT(Peak(rising), 0.5f * Peak(full));
}

TEST_F(MixerTest, TheSameCallsGiveTheSameOutput) {
  struct Step {
    std::vector<Event> events;
    float greenSpeed, bluePan;
  };
  const std::vector<Step> script = {
      {{{EventType::MatchStarted}}, 0.0f, 0.0f},
      {{}, 0.3f, -0.5f},
      {{Shot(0.4f)}, 0.9f, -0.4f},
      {{Shot(-0.4f), Shot(0.3f)}, 0.9f, -0.3f},
      {{Ended(MatchEnd::BirdShot)}, 0.0f, -0.3f},
  };
  auto play = [&](Mixer& mixer) {
    std::vector<float> all;
    for (const Step& step : script) {
      mixer.SetEngine(Source::Green, step.greenSpeed, 0.5f);
      mixer.SetEngine(Source::Blue, 0.6f, step.bluePan);
      for (const Event& e : step.events) mixer.Handle(e);
      const auto part = Render(mixer, 0.035);
      all.insert(all.end(), part.begin(), part.end());
    }
    const auto rest = Render(mixer, 1.0);
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
  };
  Mixer other(bank());
  const auto first = play(mixer_);
  EXPECT_GT(Peak(first), 0.1f);
  EXPECT_EQ(first, play(other));
}

}  // namespace
}  // namespace audio::testing
