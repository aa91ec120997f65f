// The hand-over to the mixer after the audio thread stalled for seconds while the
// game played on: the queue overflowed, yet the engines follow the latest levels
// and the backlog is not played in one burst.
#include "audio/feed.h"

#include <gtest/gtest.h>

#include "render.h"

namespace audio::testing {
namespace {

constexpr int64_t MS = 1'000'000;

TEST(FeedTest, AfterAStallEnginesFollowTheLatestLevelsAndOldEventsAreDropped) {
  const Bank bank = MakeBank();
  Mixer mixer(bank);
  EventQueue queue;
  Levels levels;
  levels.SetEngine(Source::Green, {3.0f, 0.2f});
  Feed(mixer, queue, levels, 0);
  EXPECT_GT(Peak(Render(mixer, 0.1)), 0.01f);

  // The stall: shots every frame step until the queue is full; then the tank
  // stops and the match ends, neither of which fits in the queue any more.
  int64_t now = 0;
  while (queue.Push({EventType::ShotFired, Source::Green, {}, 0.0f, now})) now += 35 * MS;
  levels.SetEngine(Source::Green, {});
  EXPECT_FALSE(queue.Push({EventType::MatchEnded, Source::None, MatchEnd::BirdShot, 0.0f, now}));
  Feed(mixer, queue, levels, now + 100 * MS);
  EXPECT_EQ(mixer.BusyVoices(), 1);  // only the last shot is fresh
  Render(mixer, 0.3);
  EXPECT_EQ(Peak(Render(mixer, 0.1)), 0.0f) << "an engine hums on";

  ASSERT_TRUE(queue.Push({EventType::ShotFired, Source::Green, {}, 0.0f, now}));
  Feed(mixer, queue, levels, now + MAX_EVENT_AGE_NS);
  EXPECT_EQ(mixer.BusyVoices(), 1) << "an event just young enough plays";

  // Posted while a slow device was still opening, the opening tone still plays.
  ASSERT_TRUE(queue.Push({EventType::MatchStarted, Source::None, {}, 0.0f, now}));
  Feed(mixer, queue, levels, now + 400 * MS, now + 300 * MS);
  EXPECT_EQ(mixer.BusyVoices(), 2);
}

}  // namespace
}  // namespace audio::testing
