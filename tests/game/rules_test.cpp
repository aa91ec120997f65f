// The frame step's rules apart from its drawing: a long scripted match shows the
// very frames, sounds, reports and timing it always has; the rules alone, given
// the keys, play the game's very states and endings; the fingerprint names them.
#include "game/rules.h"

#include <bit>
#include <cmath>
#include <vector>

#include "audio/output.h"
#include "display/headless.h"
#include "display/keys.h"
#include "game/fingerprint.h"
#include "game/fingerprint_play.h"
#include "game/key_source.h"
#include "game/sound_cues.h"
#include "game_fixture.h"

namespace game::testing {
namespace {

RulesHasher& Recorded() {
  static RulesHasher hasher;
  return hasher;
}

using FrameStepTest = GameTest;

TEST_F(FrameStepTest, ALongScriptedMatchPresentsWhatItAlwaysHas) {
  static const Observer observer = {
      [](const MatchState& s, uint32_t keys) {
        HashMatchState(Recorded(), s);
        Recorded().Add(keys);
      },
      [](const MatchState& s, std::string_view message, int32_t winner) {
        HashMatchState(Recorded(), s);
        for (char c : message) Recorded().Add(static_cast<uint8_t>(c));
        Recorded().Add(static_cast<uint32_t>(winner));
        decisions().push_back({std::string(message), winner, s});
      },
      [](const MatchState& s) { HashMatchState(Recorded(), s); }, nullptr};
  SetObserver(&observer);
  Recorded() = RulesHasher{};
  PostMatchStarted();  // engines at rest, whatever earlier tests left
  audio::CurrentLevels().SetMuted(false);
  audio::Event event;
  while (audio::Events().Pop(event)) {
  }
  display::headless::TakePresentations();

  constexpr int32_t SCAN_CODES[2][5] = {
      {display::KEY_LEFT, display::KEY_RIGHT, display::KEY_UP, display::KEY_DOWN,
       display::KEY_CTRL},
      {display::KEY_D, display::KEY_G, display::KEY_R, display::KEY_F, display::KEY_A}};
  RandomTankKeys script(4u, 12);
  RulesHasher& h = Recorded();
  RulesHasher sounds;
  for (int step = 0; step < 1500; ++step) {
    display::headless::ReleaseAllKeys();
    display::headless::SetKey(display::KEY_SPACE, true);  // a decided match restarts at once
    display::headless::SetKey(KEY_MUTE, step % 97 < 3);
    for (int tank = 0; tank < 2; ++tank) {
      const uint32_t keys = script.Next(tank);
      for (int bit = 0; bit < 5; ++bit) {
        if ((keys >> bit & 1u) != 0) display::headless::SetKey(SCAN_CODES[tank][bit], true);
      }
    }
    display::headless::Advance(10);
    FrameStep();
    for (uint32_t pixel : PresentedScreen()) h.Add(pixel);
    for (const display::headless::Presentation& p : display::headless::TakePresentations()) {
      h.Add(static_cast<uint64_t>(p.timeMs));
      h.Add(static_cast<uint32_t>(p.firstRow) | uint64_t{static_cast<uint32_t>(p.lastRow)} << 32);
    }
    while (audio::Events().Pop(event)) {
      sounds.Add(uint64_t{static_cast<uint8_t>(event.type)} |
                 uint64_t{static_cast<uint8_t>(event.source)} << 8 |
                 uint64_t{static_cast<uint8_t>(event.how)} << 16 |
                 uint64_t{std::bit_cast<uint32_t>(event.pan)} << 32);
    }
    for (audio::Source source : {audio::Source::Green, audio::Source::Blue}) {
      const audio::EngineState engine = audio::CurrentLevels().Engine(source);
      sounds.Add(std::bit_cast<uint32_t>(engine.speed) |
                 uint64_t{std::bit_cast<uint32_t>(engine.pan)} << 32);
    }
    sounds.Add(audio::CurrentLevels().Muted() ? 1u : 0u);
  }
  // Pictures, presentation times and reports, taken from the frame step before its
  // rules were split from its drawing; new sprites or any change to the drawing
  // change it too. The sound cues' figure was taken when engines became levels.
  EXPECT_EQ(h.value, 0xF2D160F0B35F3BE0ull);
  EXPECT_EQ(sounds.value, 0xAFD8B9073D9E1C66ull);
  EXPECT_EQ(decisions().size(), 56u);  // bird and tanks shot, the bird run over
}

// Chooses both tanks' keys from the script, so the frame step reads no keyboard.
class ScriptedKeys : public KeyChooser {
 public:
  ScriptedKeys(RandomTankKeys& script, int tank) : script_(script), tank_(tank) {}
  uint32_t ChooseKeys(const MatchState&) override { return script_.Next(tank_); }

 private:
  RandomTankKeys& script_;
  int tank_;
};

std::vector<uint64_t>& StepHashes() {
  static std::vector<uint64_t> hashes;
  return hashes;
}

uint64_t HashOf(const MatchState& state) {
  RulesHasher hasher;
  HashMatchState(hasher, state);
  return hasher.value;
}

// What a rollback relies on: the rules re-run from the start values with the
// keys the game read give the game's states and endings, match after match.
TEST_F(FrameStepTest, TheRulesAlonePlayTheGamesStatesAndEndings) {
  static const Observer observer = {
      [](const MatchState& s, uint32_t) { StepHashes().push_back(HashOf(s)); },
      [](const MatchState& s, std::string_view message, int32_t winner) {
        decisions().push_back({std::string(message), winner, s});
      },
      nullptr, nullptr};
  SetObserver(&observer);
  RandomTankKeys gameScript(4u, 12);
  ScriptedKeys greenChooser(gameScript, 0), blueChooser(gameScript, 1);
  SetKeyChooser(TankSide::Green, &greenChooser);
  SetKeyChooser(TankSide::Blue, &blueChooser);
  HoldKeys({display::KEY_SPACE});
  constexpr int STEPS = 600;
  for (int step = 0; step < STEPS; ++step) FrameStep();
  SetKeyChooser(TankSide::Green, nullptr);
  SetKeyChooser(TankSide::Blue, nullptr);
  ASSERT_EQ(StepHashes().size(), size_t{STEPS});

  MatchState state;
  ResetMatch(state);
  RandomTankKeys rulesScript(4u, 12);
  size_t decided = 0;
  for (int step = 0; step < STEPS; ++step) {
    const uint32_t greenKeys = rulesScript.Next(0);
    const StepResult result = RulesStep(state, greenKeys, rulesScript.Next(1));
    ASSERT_EQ(HashOf(state), StepHashes()[step]) << "step " << step;
    if (result.outcome == nullptr) continue;
    ASSERT_LT(decided, decisions().size()) << "step " << step;
    EXPECT_EQ(result.outcome->message, decisions()[decided].message);
    EXPECT_EQ(result.outcome->winner, decisions()[decided].winner);
    ++decided;
    ResetMatch(state);
  }
  EXPECT_EQ(decided, decisions().size());
  EXPECT_GE(decided, 10u);
}

// Any rule that plays out differently, in one bit of one step or in an ending
// alone, renames the rules; the script meets all six endings.
TEST(RulesFingerprintTest, NamesTheRulesAsTheyPlay) {
  const std::string name = RulesFingerprint();
  EXPECT_EQ(name.size(), 16u);
  EXPECT_EQ(name.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(RulesFingerprint(), name);
  const FingerprintPlay play = PlayFingerprintMatches(RulesStep);
  EXPECT_EQ(play.endingsSeen, 0x3Fu);

  const RulesStepFunction changedRules[] = {
      // A tank one bit further left, once its animation reaches 100.
      [](MatchState& s, uint32_t green, uint32_t blue) {
        const StepResult result = RulesStep(s, green, blue);
        if (s.green.animation == 100) s.green.x = std::nextafter(s.green.x, 0.0);
        return result;
      },
      // A run-over of the bird won by the other tank.
      [](MatchState& s, uint32_t green, uint32_t blue) {
        StepResult result = RulesStep(s, green, blue);
        static constexpr Outcome WRONG = {"", GREEN_WINS, audio::MatchEnd::BirdRunOver};
        if (result.outcome != nullptr && result.outcome->how == audio::MatchEnd::BirdRunOver) {
          result.outcome = &WRONG;
        }
        return result;
      }};
  for (RulesStepFunction changed : changedRules) {
    EXPECT_NE(PlayFingerprintMatches(changed).hash, play.hash);
  }
}

}  // namespace
}  // namespace game::testing
