// The match-over screen: pixel-exact text in the winner's colour with a white
// left edge, the prompt, and the ESC / SPACE wait.
#include "display/keys.h"
#include "display/text.h"
#include "game/match_over.h"
#include "game_fixture.h"

namespace game::testing {
namespace {

constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;

struct MessageCase {
  const char* message;
  int32_t winner;
  int x;  // expected left column of the coloured copy
};

// The screen as the match-over picture must look: background everywhere but for
// glyph pixels of the three strings, later strings drawn over earlier ones.
std::vector<uint32_t> ExpectedScreen(uint32_t background, const MessageCase& c,
                                     uint32_t colour) {
  std::vector<uint32_t> screen(WIDTH * HEIGHT, background);
  auto write = [&](int x, int y, std::string_view text, uint32_t ink) {
    for (size_t i = 0; i < text.size(); ++i) {
      const uint8_t* glyph = display::DefaultFontGlyph(static_cast<uint8_t>(text[i]));
      for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
          if ((glyph[row] >> column & 1) == 0) continue;
          const int px = x + static_cast<int>(i) * 8 + column;
          if (px >= 0 && px < WIDTH) screen[(y + row) * WIDTH + px] = ink;
        }
      }
    }
  };
  write(c.x - 1, 235, c.message, 0xFFFFFF);
  write(c.x, 235, c.message, colour);
  write(83, 463, PROMPT, 0xFFFFFF);
  return screen;
}

class MatchOverTest : public GameTest, public ::testing::WithParamInterface<MessageCase> {
 protected:
  void TearDown() override {
    display::headless::SetPassHook(nullptr);
    GameTest::TearDown();
  }
};

TEST_P(MatchOverTest, DrawsTheMessageCentredWithAWhiteEdgeAndThePrompt) {
  const MessageCase& c = GetParam();
  Step();  // an arena on the screen first: the match-over screen must clear it
  HoldKeys({display::KEY_SPACE});
  EXPECT_EQ(ShowMatchOver(c.message, c.winner), MatchOverChoice::NewMatch);
  const std::vector<uint32_t> screen = PresentedScreen();
  const uint32_t colour = c.winner == 1 ? 0x00FF00 : 0x0000FF;
  const std::vector<uint32_t> expected = ExpectedScreen(screen[0], c, colour);
  int wrong = 0;
  for (size_t i = 0; i < screen.size(); ++i) {
    if (screen[i] != expected[i] && ++wrong <= 5) {
      ADD_FAILURE() << "pixel (" << i % WIDTH << ", " << i / WIDTH << ") is " << std::hex
                    << screen[i] << ", expected " << expected[i];
    }
  }
  EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(
    SixOutcomes, MatchOverTest,
    ::testing::Values(MessageCase{"Zeleni tenk je ubio pticu. Plavi je pobedio.", 2, 143},
                      MessageCase{"Plavi tenk je ubio pticu. Zeleni je pobedio.", 1, 143},
                      MessageCase{"Zeleni tenk je ubio plavog. Zeleni je pobedio.", 1, 135},
                      MessageCase{"Plavi tenk je ubio zelenog. Plavi je pobedio.", 2, 139},
                      MessageCase{"Zeleni tenk je pregazio pticu. Plavi je pobedio.", 2, 127},
                      MessageCase{"Plavi tenk je pregazio pticu. Zeleni je pobedio.", 1, 127}));

using MatchOverWaitTest = MatchOverTest;

TEST_F(MatchOverWaitTest, AKeyAlreadyDownEndsTheWaitAtOnceAndEscWinsOverSpace) {
  const int64_t start = display::headless::NowMs();
  HoldKeys({display::KEY_ESC, display::KEY_SPACE});
  EXPECT_EQ(ShowMatchOver("x", 1), MatchOverChoice::Leave);
  HoldKeys({display::KEY_SPACE});
  EXPECT_EQ(ShowMatchOver("x", 2), MatchOverChoice::NewMatch);
  EXPECT_EQ(display::headless::NowMs(), start + 20);  // only the two key-table refreshes
}

TEST_F(MatchOverWaitTest, WaitsPollingUntilAKeyComes) {
  HoldKeys({display::KEY_UP});  // other keys do not answer
  const int64_t start = display::headless::NowMs();
  static int64_t pressAt;
  pressAt = start + 200;
  display::headless::SetPassHook([](int64_t now) {
    if (now >= pressAt) display::headless::SetKey(display::KEY_SPACE, true);
  });
  EXPECT_EQ(ShowMatchOver("x", 2), MatchOverChoice::NewMatch);
  const int64_t waited = display::headless::NowMs() - start;
  EXPECT_GE(waited, 200);
  EXPECT_LE(waited, 200 + 30 + 10);
  EXPECT_EQ(waited % 30, 0);  // in 30 ms polls
}

}  // namespace
}  // namespace game::testing
