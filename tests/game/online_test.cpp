// The rollback session without sockets: two sessions joined by a seeded lossy,
// late in-memory channel agree with each other and with a plain run of the keys
// they confirmed; the prediction ring at its limit; time keeping; a match end
// that only a prediction saw; the handshake's judgement.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "game/online/handshake.h"
#include "game/online/session.h"

namespace game::online {
namespace {

MatchState StartState() {
  MatchState state;
  ResetMatch(state);
  return state;
}

// Messages from one session to the other, each arriving after 1..maxDelay ticks
// unless lost.
struct Channel {
  std::mt19937 random;
  int maxDelay;
  double loss;
  std::deque<std::pair<int, net::Message>> inFlight;

  void Send(int tick, const std::vector<net::Message>& messages) {
    for (const net::Message& message : messages) {
      if (std::uniform_real_distribution<>(0, 1)(random) < loss) continue;
      inFlight.emplace_back(tick + std::uniform_int_distribution<>(1, maxDelay)(random), message);
    }
  }
  void Deliver(int tick, Session& to, uint32_t roundTripMs) {
    for (auto it = inFlight.begin(); it != inFlight.end();) {
      if (it->first > tick) {
        ++it;
        continue;
      }
      std::visit(
          [&](const auto& m) {
            using M = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<M, net::Timing>) to.Receive(m, roundTripMs);
            if constexpr (std::is_same_v<M, net::Input> || std::is_same_v<M, net::Checksum>) {
              to.Receive(m);
            }
          },
          it->second);
      it = inFlight.erase(it);
    }
  }
};

// Keys that change every few ticks, driving hard and firing often.
uint32_t RandomKeys(std::mt19937& random) {
  return std::uniform_int_distribution<uint32_t>(0, TANK_KEY_MASK)(random) | TANK_ACCELERATE;
}

// Runs the confirmed keys through the rules alone and expects every confirmed
// state, outcome and shot fired (the sounds) again.
void ExpectPlainRun(const std::vector<ConfirmedStep>& steps) {
  MatchState state = StartState();
  for (const ConfirmedStep& step : steps) {
    const StepResult result = RulesStep(state, step.greenKeys, step.blueKeys);
    ASSERT_EQ(StateHash(state), StateHash(step.after)) << "frame " << step.frame;
    EXPECT_EQ(result.outcome, step.outcome);
    EXPECT_EQ(result.greenFired.active, step.greenFired.active);
    EXPECT_EQ(result.blueFired.active, step.blueFired.active);
    if (result.outcome != nullptr) ResetMatch(state);
  }
}

void ExpectSameSteps(const std::vector<ConfirmedStep>& a, const std::vector<ConfirmedStep>& b) {
  const size_t n = std::min(a.size(), b.size());
  ASSERT_GT(n, 400u);
  for (size_t i = 0; i < n; ++i) {
    ASSERT_EQ(a[i].frame, b[i].frame);
    ASSERT_EQ(a[i].greenKeys, b[i].greenKeys);
    ASSERT_EQ(a[i].blueKeys, b[i].blueKeys);
    ASSERT_EQ(StateHash(a[i].after), StateHash(b[i].after));
  }
}

TEST(OnlineSession, TwoSidesOverALossyLateChannelConfirmWhatAPlainRunGives) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    Session green(TankSide::Green, 1, StartState());
    Session blue(TankSide::Blue, 2, StartState());
    Channel toBlue{std::mt19937(seed), 4, 0.1, {}}, toGreen{std::mt19937(seed + 10), 4, 0.1, {}};
    std::mt19937 keys(seed);
    uint32_t greenKeys = 0, blueKeys = 0;
    std::vector<ConfirmedStep> greenSteps, blueSteps;
    int matches = 0;
    for (int tick = 0; tick < 1500; ++tick) {
      if (tick % 4 == 0) greenKeys = RandomKeys(keys), blueKeys = RandomKeys(keys);
      toGreen.Deliver(tick, green, 175);
      toBlue.Deliver(tick, blue, 175);
      green.Tick(greenKeys);
      blue.Tick(blueKeys);
      for (auto& s : green.TakeConfirmed()) greenSteps.push_back(s);
      for (auto& s : blue.TakeConfirmed()) blueSteps.push_back(s);
      toBlue.Send(tick, green.Outgoing());
      toGreen.Send(tick, blue.Outgoing());
      // The driver starts the next match once both have every key (NextMatch).
      if (green.MatchOver() && blue.MatchOver() && green.AllKeysDelivered() &&
          blue.AllKeysDelivered()) {
        ASSERT_EQ(green.NextMatchFrame(), blue.NextMatchFrame());
        green.StartMatch();
        blue.StartMatch();
        ++matches;
      }
    }
    EXPECT_GE(matches, 3);
    EXPECT_FALSE(green.Desynced() || blue.Desynced());
    EXPECT_GT(green.Stats().rollbacks + blue.Stats().rollbacks, 10u);
    // Keys 1..4 ticks late, each side's keys 1..2 ticks ahead: a few steps at most.
    EXPECT_LE(std::max(green.Stats().maxRollback, blue.Stats().maxRollback), 8u);
    ExpectSameSteps(greenSteps, blueSteps);
    ExpectPlainRun(greenSteps);
  }
}

// The other side's keys for frames first.. as one Input.
net::Input InputOf(uint32_t first, const std::vector<uint8_t>& keys) {
  net::Input input;
  input.first = first;
  input.count = static_cast<uint8_t>(keys.size());
  std::copy(keys.begin(), keys.end(), input.keys.begin());
  return input;
}

TEST(OnlineSession, PredictsAsFarAsTheRingHoldsThenCorrectsAllOfIt) {
  Session green(TankSide::Green, 0, StartState());
  for (int tick = 0; tick < 40; ++tick) green.Tick(TANK_LEFT);
  EXPECT_EQ(green.Frame(), MAX_PREDICTION);  // then it waits for the other side
  EXPECT_EQ(green.ConfirmedFrame(), 0u);
  // Blue turned and sped up all along, where green predicted nothing held.
  green.Receive(InputOf(0, std::vector<uint8_t>(MAX_PREDICTION, TANK_RIGHT | TANK_ACCELERATE)));
  green.Tick(TANK_LEFT);
  EXPECT_EQ(green.Stats().maxRollback, MAX_PREDICTION);
  const std::vector<ConfirmedStep> steps = green.TakeConfirmed();
  ASSERT_EQ(steps.size(), MAX_PREDICTION);
  ExpectPlainRun(steps);
  // Keys far ahead of what the ring holds are ignored, not stored.
  green.Receive(InputOf(MAX_PREDICTION + KEY_RING, {TANK_FIRE}));
  EXPECT_EQ(std::get<net::Input>(green.Outgoing()[0]).ack, MAX_PREDICTION);
}

TEST(OnlineSession, TheSideAheadWaitsUntilTheClocksMeet) {
  Session ahead(TankSide::Green, 0, StartState());
  for (uint32_t frame = 0; frame < 10; ++frame) ahead.Tick(0);
  // The other side is at frame 2, 70 ms round trip away, and keeps pace.
  ahead.Receive(net::Timing{2}, 70);
  for (int tick = 0; tick < 12; ++tick) {
    ahead.Receive(InputOf(0, std::vector<uint8_t>(20, 0)));
    ahead.Tick(0);
  }
  EXPECT_GE(ahead.Stats().waits, 3u);
  EXPECT_LE(ahead.Frame(), 10u + 12u - 3u);
}

TEST(OnlineSession, AMatchEndOnlyAPredictionSawNeverShows) {
  // Blue drives at the bird: held on, it runs the bird over; braking in time, not.
  const auto runOver = [](int accelerateFor, int steps) {
    MatchState state = StartState();
    for (int i = 0; i < steps; ++i) {
      const uint32_t blue = i < accelerateFor ? TANK_ACCELERATE : TANK_BRAKE;
      if (RulesStep(state, 0, blue).outcome != nullptr) return i;
    }
    return -1;
  };
  const int end = runOver(1000, 200);
  ASSERT_GT(end, 0);
  const int brakeAt = end - 10;
  ASSERT_EQ(runOver(brakeAt, end + 50), -1);

  Session green(TankSide::Green, 0, StartState());
  green.Receive(InputOf(0, std::vector<uint8_t>(brakeAt, TANK_ACCELERATE)));
  for (int tick = 0; tick < end + 5; ++tick) green.Tick(0);
  EXPECT_EQ(green.Frame(), static_cast<uint32_t>(end + 1));  // held at the predicted end
  EXPECT_FALSE(green.MatchOver());
  green.Receive(InputOf(brakeAt, std::vector<uint8_t>(end + 50 - brakeAt, TANK_BRAKE)));
  for (int tick = 0; tick < 20; ++tick) green.Tick(0);
  EXPECT_FALSE(green.MatchOver());
  for (const ConfirmedStep& step : green.TakeConfirmed()) EXPECT_EQ(step.outcome, nullptr);
  EXPECT_GT(green.Frame(), static_cast<uint32_t>(end + 10));
}

TEST(OnlineSession, DifferentChecksumsOfOneFrameAreADesync) {
  Session green(TankSide::Green, 0, StartState());
  green.Receive(InputOf(0, std::vector<uint8_t>(CHECKSUM_EVERY, 0)));
  for (uint32_t tick = 0; tick < CHECKSUM_EVERY; ++tick) green.Tick(0);
  green.Receive(net::Checksum{CHECKSUM_EVERY - 1, 1});
  EXPECT_TRUE(green.Desynced());
  EXPECT_FALSE(green.Tick(0));  // never plays on diverged
}

TEST(OnlineHandshake, RefusesAnotherVersionOrOtherRules) {
  EXPECT_EQ(Judge(OurHello(7)), std::nullopt);
  net::Hello other = OurHello(7);
  other.rules[3] ^= 1;
  EXPECT_EQ(Judge(other), net::RefuseReason::RulesDiffer);
  other = OurHello(7);
  other.gameVersion += "x";
  EXPECT_EQ(Judge(other), net::RefuseReason::VersionDiffers);
  EXPECT_EQ(RefuseText(net::RefuseReason::RulesDiffer), "Drugi igrac igra po drugim pravilima.");
}

}  // namespace
}  // namespace game::online
