// PutImage: clipping, source rectangles, position rounding, header forms, marks
// and the auto-lock. The keys and the keyed copy are in keyed_blit_test.cpp.
#include "display/blit.h"

#include <future>
#include <string>
#include <limits>
#include <thread>
#include <vector>

#include "display/draw_common.h"
#include "draw_fixture.h"

namespace display::testing {
namespace {

using ::testing::TestWithParam;
using ::testing::Values;

// A source whose every pixel is distinct: 0xFF00XXYY for pixel (x, y).
ImagePtr NumberedImage(int width, int height) {
  ImagePtr image(CreateImage(width, height, 0, 32, 0));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) SetPixel(image.get(), x, y, 0xFF000000u | x << 8 | y);
  }
  return image;
}

constexpr uint32_t BACKGROUND = 0xFF0000AAu;

// The whole source at (x, y), absolute position, in the given mode.
int Put(Image* target, float x, float y, const Image* source, int32_t mode = 1,
        const Putter& put = PutOpaque) {
  return PutImage(target, x, y, source, ARG_DEFAULT, 0, 0, 0, 0, mode, put);
}

class BlitTest : public DrawTest {};

// --- clipping, marks, source rectangles --------------------------------------

TEST_F(BlitTest, ClipsAtTheBottomLeftCornerAndMarksVisibleRows) {
  ImagePtr sprite = NumberedImage(48, 48);
  ASSERT_EQ(Put(nullptr, -10.0f, 470.0f, sprite.get()), 0);
  for (int y = 460; y < 480; ++y) {
    for (int x = 0; x < 48; ++x) {
      const bool drawn = y >= 470 && x < 38;
      const uint32_t expected = drawn ? 0xFF000000u | (x + 10) << 8 | (y - 470) : 0xFF000000u;
      ASSERT_EQ(PagePixel(x, y), expected) << x << "," << y;
    }
  }
  ExpectMarkedRows(470, 479);
}

TEST_F(BlitTest, SourceRectangleCornersAreSwappedAndClamped) {
  ImagePtr sprite = NumberedImage(48, 48);
  ImagePtr target(CreateImage(64, 64, BACKGROUND, 32, 0));
  ASSERT_EQ(PutImage(target.get(), 0.0f, 0.0f, sprite.get(), 40, 5, -3, 60, 0, 1, PutOpaque), 0);
  for (uint32_t y = 0; y < 64; ++y) {
    for (uint32_t x = 0; x < 64; ++x) {
      const bool drawn = x <= 40 && y < 43;  // columns 0..40, rows 5..47
      ASSERT_EQ(PixelAt(target.get(), x, y), drawn ? 0xFF000000u | x << 8 | (y + 5) : BACKGROUND)
          << x << "," << y;
    }
  }
}

TEST_F(BlitTest, RelativeSecondCornerAndRelativePosition) {
  ImagePtr sprite = NumberedImage(8, 8);
  ImagePtr target(CreateImage(16, 16, BACKGROUND, 32, 0));
  // coordType 1: corner (2, 3) + (1, 1) = (3, 4): a 2 x 2 area from (2, 3).
  ASSERT_EQ(PutImage(target.get(), 0.0f, 0.0f, sprite.get(), 2, 3, 1, 1, 1, 1, PutOpaque), 0);
  EXPECT_EQ(PixelAt(target.get(), 1, 1), 0xFF000304u);
  EXPECT_EQ(PixelAt(target.get(), 2, 0), BACKGROUND);
  EXPECT_EQ(PixelAt(target.get(), 0, 2), BACKGROUND);
  // coordType 2: the position adds to the current point, which moves there.
  ASSERT_EQ(Put(target.get(), 3.0f, 4.0f, sprite.get()), 0);
  ASSERT_EQ(PutImage(target.get(), 2.0f, 5.0f, sprite.get(), 0, 0, 0, 0, 2, 1, PutOpaque), 0);
  EXPECT_EQ(PixelAt(target.get(), 5, 9), 0xFF000000u);
  EXPECT_EQ(screen().drawing.pointX, 5.0f);
  EXPECT_EQ(screen().drawing.pointY, 9.0f);
}

TEST_F(BlitTest, FullyClippedAndEmptyBlitsDrawAndMarkNothing) {
  ImagePtr sprite = NumberedImage(48, 48);
  for (const float x : {-48.0f, 640.0f}) EXPECT_EQ(Put(nullptr, x, 10.0f, sprite.get()), 0);
  EXPECT_EQ(Put(nullptr, 10.0f, 480.0f, sprite.get()), 0);
  ExpectMarkedRows(1, 0);
}

TEST_F(BlitTest, ImageTargetKeepsTheScreenClipAndMarks) {
  ImagePtr sprite = NumberedImage(48, 48);
  ImagePtr frame(CreateImage(48, 48, 0, 0, DEFAULT_COLOUR_FLAG));
  ASSERT_EQ(Put(frame.get(), 8.0f, 8.0f, sprite.get(), 0, PutTransparent), 0);
  EXPECT_EQ(PixelAt(frame.get(), 47, 47), 0x00002727u);  // sprite (39, 39), alpha 0
  EXPECT_EQ(PixelAt(frame.get(), 7, 7), KEY_COLOUR_32);
  ExpectMarkedRows(1, 0);
  // Back on the screen the whole page is reachable again.
  ASSERT_EQ(Put(nullptr, 600.0f, 440.0f, sprite.get()), 0);
  EXPECT_EQ(PagePixel(639, 479), 0xFF002727u);
  ExpectMarkedRows(440, 479);
}

// --- rounding ------------------------------------------------------------------

struct RoundCase {
  float position;
  int pixel;
};
void PrintTo(const RoundCase& c, std::ostream* os) { *os << c.position << " -> " << c.pixel; }
class RoundingTest : public DrawTest, public ::testing::WithParamInterface<RoundCase> {};

TEST_P(RoundingTest, PositionsRoundHalfAwayFromZero) {
  const RoundCase& c = GetParam();
  EXPECT_EQ(RoundToPixel(c.position), c.pixel);
  ImagePtr sprite = NumberedImage(4, 4);
  ImagePtr target(CreateImage(16, 16, BACKGROUND, 32, 0));
  ASSERT_EQ(Put(target.get(), c.position, c.position, sprite.get()), 0);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int sx = x - c.pixel, sy = y - c.pixel;
      const bool drawn = sx >= 0 && sx < 4 && sy >= 0 && sy < 4;
      ASSERT_EQ(PixelAt(target.get(), x, y), drawn ? 0xFF000000u | sx << 8 | sy : BACKGROUND);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Positions, RoundingTest,
                         Values(RoundCase{10.5f, 11}, RoundCase{10.49f, 10}, RoundCase{-0.3f, 0},
                                RoundCase{-2.5f, -3}, RoundCase{0.5f, 1}, RoundCase{2.5f, 3}));

TEST(RoundToPixelTest, FarOffValuesStayFarOff) {
  EXPECT_EQ(RoundToPixel(1e30f), 1 << 30);
  EXPECT_EQ(RoundToPixel(-1e30f), -(1 << 30));
  EXPECT_EQ(RoundToPixel(std::numeric_limits<float>::quiet_NaN()), -(1 << 30));
}

// --- refusals, header forms, mode 6 -----------------------------------------------

TEST_F(BlitTest, RefusesMismatchedPixelSizesAndMissingArguments) {
  ImagePtr wide(CreateImage(4, 4, 0, 16, 0));
  EXPECT_EQ(Put(nullptr, 0.0f, 0.0f, wide.get()), 1);
  EXPECT_EQ(Put(nullptr, 0.0f, 0.0f, nullptr), 1);
  ImagePtr sprite = NumberedImage(4, 4);
  EXPECT_EQ(PutImage(nullptr, 0.0f, 0.0f, sprite.get(), ARG_DEFAULT, 0, 0, 0, 4, 1, PutOpaque), 1);
  EXPECT_EQ(PagePixel(0, 0), 0xFF000000u);
  ExpectMarkedRows(1, 0);
  CloseScreen();
  EXPECT_EQ(Put(nullptr, 0.0f, 0.0f, sprite.get()), 1);
  SetScreenMode(640, 480, 32, 1, 0, 0);  // for TearDown
}

TEST_F(BlitTest, AcceptsTheShortHeaderForm) {
  // 4-byte header: bits 0-2 bytes per pixel (0 = the screen's), 3-15 width, 16-31 height.
  std::vector<uint32_t> block = {0u << 0 | 3u << 3 | 2u << 16,  // 3 x 2 at screen depth
                                 0xFF010101u, 0xFF020202u, 0xFF030303u,
                                 0xFF040404u, 0xFF050505u, 0xFF060606u};
  const auto* source = reinterpret_cast<const Image*>(block.data());
  ASSERT_EQ(Put(nullptr, 5.0f, 7.0f, source), 0);
  EXPECT_EQ(PagePixel(5, 7), 0xFF010101u);
  EXPECT_EQ(PagePixel(7, 8), 0xFF060606u);
  EXPECT_EQ(PagePixel(8, 8), 0xFF000000u);
  ExpectMarkedRows(7, 8);
  // A short header may describe no pixels at all.
  const uint32_t empty = 2u << 16;  // width 0, height 2
  EXPECT_EQ(PutImage(nullptr, 0.0f, 0.0f, reinterpret_cast<const Image*>(&empty), 0, 0, 5, 5, 0, 1,
                     PutOpaque),
            0);
}

TEST_F(BlitTest, AlphaMaskModeWritesOnlyTheAlphaByte) {
  ImagePtr mask(CreateImage(2, 1, 0, 8, 0));
  SetPixel(mask.get(), 0, 0, 0x80);
  SetPixel(mask.get(), 1, 0, 0x00);
  ImagePtr target(CreateImage(2, 1, 0xFF123456u, 32, 0));
  ASSERT_EQ(Put(target.get(), 0.0f, 0.0f, mask.get(), 6), 0);
  EXPECT_EQ(PixelAt(target.get(), 0, 0), 0x80123456u);
  EXPECT_EQ(PixelAt(target.get(), 1, 0), 0x00123456u);
  // Any other mode refuses the mismatch.
  EXPECT_EQ(Put(target.get(), 0.0f, 0.0f, mask.get()), 1);
}

// --- the auto-lock ------------------------------------------------------------

TEST_F(BlitTest, InvisibleBlitDoesNotWaitForTheLock) {
  ImagePtr sprite = NumberedImage(8, 8);
  std::promise<void> locked, release;
  std::thread holder([&] {
    LockScreen();
    locked.set_value();
    release.get_future().wait();
    UnlockScreen(1, 0);
  });
  locked.get_future().wait();
  auto blit = std::async(std::launch::async, [&] {
    return Put(nullptr, -100.0f, 0.0f, sprite.get());
  });
  const bool returnedAtOnce = blit.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  release.set_value();
  holder.join();
  EXPECT_TRUE(returnedAtOnce);
  EXPECT_EQ(blit.get(), 0);
}

}  // namespace
}  // namespace display::testing
