// Gamepads on the real window: SDL virtual pads attached inside the game's own
// process (e2e_pad_game) drive the tanks exactly as the keyboard does (the frame
// steps recorded with a pad and with XTest keys are the same), follow the order
// they were connected in, let go when detached, and answer the match-over screen.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
  int status = -1;                  // the raw wait status of the program
  std::vector<std::string> frames;  // "keysHeld green(heading x y) blue(heading x y)"
  std::vector<std::string> events;  // "# ..." lines, without the "# "
};

// Runs the program with `scenario` from the sprite folder; a minute at most.
Outcome RunScenario(const std::string& scenario) {
  const std::string command = "cd '" E2E_ASSETS_DIR "' && exec timeout 60 '" E2E_PAD_GAME_PATH
                              "' " +
                              scenario + " 2>/dev/null";
  Outcome run;
  FILE* output = popen(command.c_str(), "r");
  if (output == nullptr) return run;
  char line[256];
  while (std::fgets(line, sizeof line, output) != nullptr) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.rfind("# ", 0) == 0) {
      run.events.push_back(text.substr(2));
    } else {
      run.frames.push_back(text);
    }
  }
  run.status = pclose(output);
  return run;
}

bool ExitedZero(const Outcome& run) {
  return WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0;
}

uint32_t KeysHeld(const std::string& frame) { return uint32_t(std::stoul(frame, nullptr, 16)); }
int GreenHeading(const std::string& frame) {
  std::istringstream in(frame);
  std::string keys;
  int heading = 0;
  in >> keys >> heading;
  return heading;
}

std::string Describe(const Outcome& run) {
  std::string text = "events:";
  for (const auto& e : run.events) text += " [" + e + "]";
  text += "\nframes:\n";
  for (const auto& f : run.frames) text += "  " + f + "\n";
  return text;
}

class GamepadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no X server: run under xvfb-run";
  }

  // The same presses from the keyboard and from a pad record the same frame steps.
  static void ExpectSameFrames(const std::string& keyboard, const std::string& pad,
                               uint32_t heldBit) {
    const Outcome keys = RunScenario(keyboard), pads = RunScenario(pad);
    ASSERT_TRUE(ExitedZero(keys)) << keyboard << "\n" << Describe(keys);
    ASSERT_TRUE(ExitedZero(pads)) << pad << "\n" << Describe(pads);
    ASSERT_EQ(pads.frames.size(), 40u) << Describe(pads);
    EXPECT_EQ(KeysHeld(pads.frames.front()), heldBit) << Describe(pads);
    EXPECT_EQ(pads.frames, keys.frames) << "keyboard:\n"
                                        << Describe(keys) << "pad:\n"
                                        << Describe(pads);
  }
};

TEST_F(GamepadTest, DpadLeftOnTheFirstPadTurnsTheGreenTankAsTheLeftKeyDoes) {
  ExpectSameFrames("keys Left", "pad 1 dpleft", 1u << 0);
}

TEST_F(GamepadTest, TheSecondPadDrivesTheBlueTankAsItsKeysDo) {
  ExpectSameFrames("keys d", "pad 2 dpleft", 1u << 5);
}

TEST_F(GamepadTest, ADetachedPadLetsGoAndAPadConnectedLaterTakesTheFreeTank) {
  const Outcome run = RunScenario("detach");
  ASSERT_TRUE(ExitedZero(run)) << Describe(run);
  ASSERT_EQ(run.events, (std::vector<std::string>{"detached", "taken again"})) << Describe(run);
  ASSERT_EQ(run.frames.size(), 40u);
  // Held for the ten frame steps before the detach (one more if the detach came
  // while a frame step was starting), then nothing held and no turning.
  size_t held = 0;
  while (held < run.frames.size() && KeysHeld(run.frames[held]) == 1u) ++held;
  EXPECT_GE(held, 10u) << Describe(run);
  EXPECT_LE(held, 11u) << Describe(run);
  for (size_t i = held; i < held + 15; ++i) {
    EXPECT_EQ(KeysHeld(run.frames[i]), 0u) << "frame " << i << "\n" << Describe(run);
    EXPECT_EQ(GreenHeading(run.frames[i]), GreenHeading(run.frames[held])) << Describe(run);
  }
}

TEST_F(GamepadTest, StartBeginsANewMatchAndBackQuitsOnTheMatchOverScreen) {
  const Outcome run = RunScenario("matchover");
  EXPECT_EQ(run.events,
            (std::vector<std::string>{"match decided", "new match", "match decided", "ending 0"}))
      << Describe(run);
  EXPECT_TRUE(ExitedZero(run)) << Describe(run);
}

}  // namespace
