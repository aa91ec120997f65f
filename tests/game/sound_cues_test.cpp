// What the frame step posts to the sound, recorded frame by frame on the headless
// back end: shots fired, the engines, the ending and the new match, and M.
#include "game/sound_cues.h"

#include <algorithm>

#include "audio/output.h"
#include "display/keys.h"
#include "game_fixture.h"

namespace game::testing {
namespace {

using namespace display;  // the KEY_ constants
using audio::EventType;

std::vector<audio::Event> Drain() {
  std::vector<audio::Event> events;
  audio::Event event;
  while (audio::Events().Pop(event)) events.push_back(event);
  return events;
}

std::vector<audio::Event> Only(const std::vector<audio::Event>& events, EventType type,
                               audio::Source source = audio::Source::None) {
  std::vector<audio::Event> out;
  for (const audio::Event& e : events) {
    const bool sourceMatches = source == audio::Source::None || e.source == source;
    if (e.type == type && sourceMatches) out.push_back(e);
  }
  return out;
}

int FlyingShots(const Tank& tank) {
  return static_cast<int>(std::count_if(tank.shots.begin(), tank.shots.end(),
                                        [](const Shot& s) { return s.active == 1; }));
}

class SoundCuesTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    PostMatchStarted();  // forgets the engines of earlier tests
    Drain();
  }

  // One frame step with these keys; what it posted.
  static std::vector<audio::Event> Posted(std::initializer_list<int32_t> keys) {
    Step(keys);
    return Drain();
  }

  // Holds `keys` (with SPACE, so the match-over screen returns at once) until a
  // match is decided. In every frame step one "shot fired" is posted per shot that
  // was not flying before it and flies after it; the deciding step posts exactly
  // one ending and then the new match. Returns the ending.
  audio::Event PlayUntilDecided(std::initializer_list<int32_t> keys) {
    for (int step = 0; step < 200 && decisions().empty(); ++step) {
      const int green = FlyingShots(this->green()), blue = FlyingShots(this->blue());
      const std::vector<audio::Event> events = Posted(keys);
      if (!decisions().empty()) {
        const auto ended = Only(events, EventType::MatchEnded);
        EXPECT_EQ(ended.size(), 1u);
        EXPECT_EQ(events.back().type, EventType::MatchStarted) << "after the ending";
        return ended.empty() ? audio::Event{} : ended[0];
      }
      EXPECT_EQ(Only(events, EventType::MatchEnded).size(), 0u);
      EXPECT_EQ(int(Only(events, EventType::ShotFired, audio::Source::Green).size()),
                FlyingShots(this->green()) - green);
      EXPECT_EQ(int(Only(events, EventType::ShotFired, audio::Source::Blue).size()),
                FlyingShots(this->blue()) - blue);
      shotsHeard_ += Only(events, EventType::ShotFired).size();
    }
    ADD_FAILURE() << "no decision";
    return {};
  }

  size_t shotsHeard_ = 0;
};

TEST_F(SoundCuesTest, GreenShootingTheBirdPostsEveryShotAndOneEndingInItsFrame) {
  // Green faces the bird from the start: a shot every step until one hits it.
  const audio::Event ended = PlayUntilDecided({KEY_CTRL, KEY_SPACE});
  EXPECT_EQ(ended.how, audio::MatchEnd::BirdShot);
  EXPECT_EQ(ended.pan, 0.0f);  // the bird stands in the middle
  EXPECT_GE(shotsHeard_, 10u);
}

TEST_F(SoundCuesTest, BlueShootingGreenPostsATankShotWhereGreenStood) {
  green().y = blue().y = 100.0;  // face to face above the bird
  const audio::Event ended = PlayUntilDecided({KEY_A, KEY_SPACE});
  ASSERT_EQ(decisions().size(), 1u);
  EXPECT_EQ(ended.how, audio::MatchEnd::TankShot);
  EXPECT_EQ(ended.pan, PanOf(decisions()[0].state.green));
  EXPECT_GT(ended.pan, 0.5f);
}

TEST_F(SoundCuesTest, ARunOverIsPostedAsSuch) {
  green().x = 300.0;
  green().y = 210.0;
  EXPECT_EQ(PlayUntilDecided({KEY_SPACE}).how, audio::MatchEnd::BirdRunOver);
}

TEST_F(SoundCuesTest, EnginesFollowTheTanksAndStopWhenTheMatchEnds) {
  const audio::Levels& levels = audio::CurrentLevels();
  const float startPan = PanOf(green());
  EXPECT_GT(startPan, 0.5f);  // right of the middle
  for (int step = 0; step < 6; ++step) {
    Posted({KEY_UP});
    EXPECT_EQ(levels.Engine(audio::Source::Green).speed, static_cast<float>(green().speed));
    EXPECT_EQ(levels.Engine(audio::Source::Green).pan, PanOf(green()));
    EXPECT_EQ(levels.Engine(audio::Source::Blue).speed, 0.0f);
  }
  // Green drove left from the right half, so its sound moved toward the left.
  EXPECT_LT(PanOf(green()), startPan - 0.01f);
  EXPECT_GT(green().speed, 1.5);
  // No frame step runs on the match-over screen, yet the engine must not hum on.
  PostMatchEnded(audio::MatchEnd::BirdShot, state(), false);
  EXPECT_EQ(levels.Engine(audio::Source::Green).speed, 0.0f);
}

TEST_F(SoundCuesTest, MTogglesTheSoundOncePerPressAndNeverMovesATank) {
  const bool before = audio::CurrentLevels().Muted();
  for (int step = 0; step < 3; ++step) Posted({KEY_MUTE});
  EXPECT_NE(audio::CurrentLevels().Muted(), before);
  Posted({});
  Posted({KEY_MUTE});
  EXPECT_EQ(audio::CurrentLevels().Muted(), before);
  for (const Tank* tank : {&green(), &blue()}) {
    EXPECT_EQ(tank->speed, 0.0);
    EXPECT_EQ(FlyingShots(*tank), 0);
  }
  EXPECT_EQ(green().heading, 90);
  EXPECT_EQ(blue().heading, 270);
  EXPECT_EQ(green().x, 488.0);
}

}  // namespace
}  // namespace game::testing
