// The frame step's rules apart from its drawing: a long scripted match shows the
// very frames, sounds, reports and timing it always has.
#include <bit>
#include <cstring>

#include "audio/output.h"
#include "display/headless.h"
#include "display/keys.h"
#include "game/key_source.h"
#include "game/sound_cues.h"
#include "game_fixture.h"

namespace game::testing {
namespace {

// FNV-1a over 64-bit words.
struct Hasher {
  uint64_t value = 0xCBF29CE484222325ull;
  void Add(uint64_t word) { value = (value ^ word) * 0x100000001B3ull; }
};

void HashState(Hasher& h, const MatchState& state) {
  for (const Tank* tank : {&state.green, &state.blue}) {
    h.Add(std::bit_cast<uint64_t>(tank->x));
    h.Add(std::bit_cast<uint64_t>(tank->y));
    h.Add(std::bit_cast<uint64_t>(tank->speed));
    h.Add(static_cast<uint32_t>(tank->heading) | uint64_t{tank->animation} << 32);
    for (const Shot& shot : tank->shots) {
      h.Add(std::bit_cast<uint64_t>(shot.x));
      h.Add(std::bit_cast<uint64_t>(shot.y));
      h.Add(static_cast<uint32_t>(shot.heading) | uint64_t{shot.active} << 32);
    }
  }
}

// Deterministic key script: each tank holds a random set of its five keys for a
// random stretch of steps, firing less often than it drives and turns.
class KeyScript {
 public:
  uint32_t Next(int tank) {
    if (left_[tank] == 0) {
      left_[tank] = 1 + Random() % 12;
      keys_[tank] = Random() & (TANK_LEFT | TANK_RIGHT | TANK_ACCELERATE | TANK_BRAKE);
      if (Random() % 3 == 0) keys_[tank] |= TANK_FIRE;
    }
    --left_[tank];
    return keys_[tank];
  }

 private:
  uint32_t Random() {
    seed_ = seed_ * 1103515245u + 12345u;
    return seed_ >> 16;
  }
  uint32_t seed_ = 4u;
  uint32_t keys_[2] = {0, 0};
  int left_[2] = {0, 0};
};

Hasher& Recorded() {
  static Hasher hasher;
  return hasher;
}

using FrameStepTest = GameTest;

TEST_F(FrameStepTest, ALongScriptedMatchPresentsWhatItAlwaysHas) {
  static const Observer observer = {
      [](const MatchState& s, uint32_t keys) {
        HashState(Recorded(), s);
        Recorded().Add(keys);
      },
      [](const MatchState& s, std::string_view message, int32_t winner) {
        HashState(Recorded(), s);
        for (char c : message) Recorded().Add(static_cast<uint8_t>(c));
        decisions().push_back({std::string(message), winner, s});
        Recorded().Add(static_cast<uint32_t>(winner));
      },
      [](const MatchState& s) { HashState(Recorded(), s); }, nullptr};
  SetObserver(&observer);
  PostMatchStarted();  // forgets the engines of earlier tests
  audio::Event event;
  while (audio::Events().Pop(event)) {
  }
  display::headless::TakePresentations();

  constexpr int32_t SCAN_CODES[2][5] = {
      {display::KEY_LEFT, display::KEY_RIGHT, display::KEY_UP, display::KEY_DOWN, display::KEY_CTRL},
      {display::KEY_D, display::KEY_G, display::KEY_R, display::KEY_F, display::KEY_A}};
  KeyScript script;
  Hasher& h = Recorded();
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
      h.Add(uint64_t{static_cast<uint8_t>(event.type)} | uint64_t{static_cast<uint8_t>(event.source)} << 8 |
            uint64_t{static_cast<uint8_t>(event.how)} << 16);
      h.Add(std::bit_cast<uint32_t>(event.pan) | uint64_t{std::bit_cast<uint32_t>(event.speed)} << 32);
    }
  }
  // Taken from the frame step before its rules were split from its drawing.
  EXPECT_EQ(h.value, 0x1782F20C4A81D3CCull);
  EXPECT_EQ(decisions().size(), 56u);  // bird and tanks shot, the bird run over
}

}  // namespace
}  // namespace game::testing
