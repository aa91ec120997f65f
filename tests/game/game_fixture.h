// A match on the headless display back end with the virtual clock, driven one
// frame step at a time on the test's own thread with scripted keys.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "display/headless.h"
#include "display/image.h"
#include "display/screen.h"
#include "game/frame_step.h"
#include "game/match_state.h"
#include "game/observer.h"
#include "game/startup.h"

namespace game::testing {

// What the observer saw of a decided match.
struct Decision {
  std::string message;
  int32_t winner;
  MatchState state;  // as it stood at the decision
};

class GameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display::headless::Select(display::headless::Timing::Virtual);
    ASSERT_EQ(display::SetScreenMode(640, 480, 32, 1, 0, 0), 0);
    savedDirectory_ = std::filesystem::current_path();
    std::filesystem::current_path(BRAZDOVAR_SOURCE_DIR "/assets");
    LoadSprites(state());
    ResetMatch(state());
    state().green.animation = 0;
    state().blue.animation = 0;
    decisions().clear();
    static const Observer observer = {nullptr, RecordDecision, nullptr, nullptr};
    SetObserver(&observer);
  }

  void TearDown() override {
    SetObserver(nullptr);
    display::headless::ReleaseAllKeys();
    MatchState& s = state();
    for (display::Image** image : {&s.green.frameA, &s.green.frameB, &s.green.turned, &s.blue.frameA,
                                   &s.blue.frameB, &s.blue.turned, &s.bird, &s.block, &s.bullet}) {
      display::DestroyImage(*image);
      *image = nullptr;
    }
    display::CloseScreen();
    std::filesystem::current_path(savedDirectory_);
  }

  static MatchState& state() { return Match(); }
  static Tank& green() { return Match().green; }
  static Tank& blue() { return Match().blue; }
  static std::vector<Decision>& decisions() {
    static std::vector<Decision> recorded;
    return recorded;
  }

  // Holds exactly these keys, lets one window pass refresh the key table, then
  // runs one frame step.
  static void Step(std::initializer_list<int32_t> keys = {}) {
    HoldKeys(keys);
    FrameStep();
  }
  static void Steps(int count, std::initializer_list<int32_t> keys = {}) {
    for (int i = 0; i < count; ++i) Step(keys);
  }
  static void HoldKeys(std::initializer_list<int32_t> keys) {
    display::headless::ReleaseAllKeys();
    for (int32_t key : keys) display::headless::SetKey(key, true);
    display::headless::Advance(10);
  }

  // The window's pixel (low 24 bits) after the next presentation.
  static std::vector<uint32_t> PresentedScreen() {
    display::headless::Advance(10);
    std::vector<uint32_t> pixels = display::headless::WindowContents();
    for (uint32_t& pixel : pixels) pixel &= 0x00FFFFFFu;
    return pixels;
  }

 private:
  static void RecordDecision(const MatchState& decided, std::string_view message,
                             int32_t winner) {
    decisions().push_back({std::string(message), winner, decided});
  }

  std::filesystem::path savedDirectory_;
};

}  // namespace game::testing
