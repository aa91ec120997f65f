// DrawText with the default font: glyph bits, clipping per character and per
// pixel, colours per pixel size and marks. The shadowed text of the match-over
// screen is checked pixel for pixel in game/match_over_test.cpp.
#include "display/text.h"

#include <string>

#include "draw_fixture.h"

namespace display::testing {
namespace {

constexpr uint32_t RED = 0xFFFF0000u;
constexpr uint32_t WHITE = 0xFFFFFFFFu;

bool GlyphBit(uint8_t code, int row, int column) {
  return (DefaultFontGlyph(code)[row] >> column & 1) != 0;
}

class TextTest : public DrawTest {};

TEST(DefaultFontTest, GlyphsAreStoredLeastSignificantBitLeft) {
  const uint8_t a[8] = {0x0C, 0x1E, 0x33, 0x33, 0x3F, 0x33, 0x33, 0x00};
  for (int row = 0; row < 8; ++row) {
    EXPECT_EQ(DefaultFontGlyph(65)[row], a[row]);
    EXPECT_EQ(DefaultFontGlyph(219)[row], 0xFF);
    EXPECT_EQ(DefaultFontGlyph(0)[row], 0);
    EXPECT_EQ(DefaultFontGlyph(32)[row], 0);
  }
  EXPECT_EQ(DefaultFontGlyph(1)[0], 0x7E);  // the smiley's top row
}

TEST_F(TextTest, TextRunningOffTheRightEdgeIsCutAtThePixel) {
  const std::string blocks(10, char(219));
  ASSERT_EQ(DrawText(nullptr, 604.0f, 100.0f, 4, blocks, WHITE), 0);
  for (int y = 99; y <= 108; ++y) {
    for (int x = 596; x < 640; ++x) {
      const bool inside = y >= 100 && y < 108 && x >= 604;  // 4 cells + 4 columns
      ASSERT_EQ(PagePixel(x, y), inside ? WHITE : 0xFF000000u) << x << "," << y;
    }
  }
  ExpectMarkedRows(100, 107);
}

// Every pixel of a text against the glyph bits, whole or clipped at awkward positions.
struct TextCase {
  std::string text;
  float x, y;
};
void PrintTo(const TextCase& c, std::ostream* os) { *os << "(" << c.x << ", " << c.y << ")"; }
class TextPixelTest : public DrawTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(TextPixelTest, DrawsOnlyGlyphPixelsInsideTheTarget) {
  const TextCase& c = GetParam();
  ImagePtr target(CreateImage(16, 8, RED, 32, 0));
  const int px = static_cast<int>(c.x), py = static_cast<int>(c.y);
  ASSERT_EQ(DrawText(target.get(), c.x, c.y, 4, c.text, WHITE), 0);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int dx = x - px, dy = y - py;
      const bool inGlyph = dx >= 0 && dx < 8 * static_cast<int>(c.text.size()) && dy >= 0 &&
                           dy < 8 && GlyphBit(static_cast<uint8_t>(c.text[dx / 8]), dy, dx % 8);
      ASSERT_EQ(PixelAt(target.get(), x, y), inGlyph ? WHITE : RED) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextPixelTest,
    ::testing::Values(TextCase{"A", 4, 0},  // its 28 pixels: the font test pins its bits
                      TextCase{{char(219), char(10)}, 0, 0},  // full block, a control byte
                      TextCase{"Hi#@", -3, -2}, TextCase{"Hi#@", -9, 0},
                      TextCase{"Hi#@", 5, 3}, TextCase{"Hi#@", -30, -7},
                      TextCase{"Hi#@", 12, 5}));

TEST_F(TextTest, ColourFollowsTheTargetPixelSize) {
  struct Case {
    int depth;
    uint32_t flags;
    uint32_t colour, stored;
  };
  for (const Case& c : {Case{16, 4, 0x00FF8040u, 0xFC08u},  // 5-6-5
                        Case{8, 4, 0x12345678u, 0x78u},
                        Case{32, 4 | DEFAULT_COLOUR_FLAG, 0x12345678u, 0xFFFFFFFFu}}) {  // foreground
    ImagePtr target(CreateImage(8, 8, 0, c.depth, 0));
    ASSERT_EQ(DrawText(target.get(), 0.0f, 0.0f, c.flags, std::string(1, char(219)), c.colour), 0);
    EXPECT_EQ(PixelAt(target.get(), 3, 3), c.stored) << c.depth;
  }
}

TEST_F(TextTest, RelativePointTypeStartsAtTheCurrentPoint) {
  ASSERT_EQ(DrawText(nullptr, 20.0f, 30.0f, 4, " ", WHITE), 0);
  ASSERT_EQ(DrawText(nullptr, 8.0f, 2.0f, 5, std::string(1, char(219)), WHITE), 0);
  EXPECT_EQ(PagePixel(28, 32), WHITE);
  EXPECT_EQ(PagePixel(27, 32), 0xFF000000u);
  EXPECT_EQ(PagePixel(28, 31), 0xFF000000u);
}

TEST_F(TextTest, MissingEmptyAndOffScreenTexts) {
  EXPECT_EQ(DrawText(nullptr, 0.0f, 0.0f, 4, std::string_view{}, WHITE), 1);
  EXPECT_EQ(DrawText(nullptr, 0.0f, 0.0f, 4, "", WHITE), 0);
  EXPECT_EQ(DrawText(nullptr, 0.0f, -8.0f, 4, "AAAA", WHITE), 0);
  EXPECT_EQ(DrawText(nullptr, -32.0f, 0.0f, 4, "AAAA", WHITE), 0);
  ExpectMarkedRows(1, 0);
  CloseScreen();
  EXPECT_EQ(DrawText(nullptr, 0.0f, 0.0f, 4, "A", WHITE), 0);
  SetScreenMode(640, 480, 32, 1, 0, 0);  // for TearDown
}

}  // namespace
}  // namespace display::testing
