// The page's layout in windows of every kind of size, the window rows a band of
// page rows lands on, and the scaled pixels themselves (whole scales, the general
// scale loop and shrinking), bands included.
#include "display/platform/sdl/scaler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace display::platform {

void PrintTo(const PageLayout& l, std::ostream* os) {
  *os << l.width << "x" << l.height << " at (" << l.x << ", " << l.y << ") scale " << l.scale;
}

namespace {

constexpr uint32_t SENTINEL = 0xDEADBEEF;

TEST(FitPageTest, ChoosesTheLargestWholeScaleThatFitsAndCentresIt) {
  EXPECT_EQ(FitPage(640, 480, 640, 480), (PageLayout{0, 0, 640, 480, 1}));
  EXPECT_EQ(FitPage(640, 480, 1279, 959), (PageLayout{319, 239, 640, 480, 1}));
  EXPECT_EQ(FitPage(640, 480, 1280, 960), (PageLayout{0, 0, 1280, 960, 2}));
  EXPECT_EQ(FitPage(640, 480, 1300, 1000), (PageLayout{10, 20, 1280, 960, 2}));
  EXPECT_EQ(FitPage(640, 480, 1920, 1080), (PageLayout{320, 60, 1280, 960, 2}));
  EXPECT_EQ(FitPage(640, 480, 1920, 1440), (PageLayout{0, 0, 1920, 1440, 3}));
  EXPECT_EQ(FitPage(640, 480, 3840, 2160), (PageLayout{640, 120, 2560, 1920, 4}));
  EXPECT_EQ(FitPage(640, 480, 4000, 480), (PageLayout{1680, 0, 640, 480, 1}));  // height decides
}

TEST(FitPageTest, ShrinksToTheLargestFourByThreeAreaBelowOneToOne) {
  EXPECT_EQ(FitPage(640, 480, 500, 300), (PageLayout{50, 0, 400, 300, 0}));
  EXPECT_EQ(FitPage(640, 480, 320, 1000), (PageLayout{0, 380, 320, 240, 0}));
  EXPECT_EQ(FitPage(640, 480, 639, 480), (PageLayout{0, 0, 639, 479, 0}));
  EXPECT_EQ(FitPage(640, 480, 3, 3), (PageLayout{0, 0, 3, 2, 0}));
  // No area at all: nothing to draw, never a division by zero.
  EXPECT_EQ(FitPage(640, 480, 1, 1), PageLayout{});
  EXPECT_EQ(FitPage(640, 480, 0, 480), PageLayout{});
  EXPECT_EQ(FitPage(640, 480, -5, 480), PageLayout{});
  EXPECT_EQ(FitPage(0, 480, 640, 480), PageLayout{});
}

TEST(TargetRowsTest, WholeScalesMapEachPageRowToItsBlockOfRows) {
  const PageLayout twice = FitPage(640, 480, 1300, 1000);
  const RowSpan band = TargetRows(twice, 480, 10, 19);
  EXPECT_EQ(band.first, 20 + 20);
  EXPECT_EQ(band.count, 20);
  const RowSpan all = TargetRows(twice, 480, 0, 479);
  EXPECT_EQ(all.first, 20);
  EXPECT_EQ(all.count, 960);
  // Rows outside the page are clipped; an empty band gives no rows.
  EXPECT_EQ(TargetRows(twice, 480, -5, 2).first, 20);
  EXPECT_EQ(TargetRows(twice, 480, 470, 900).count, 20);
  EXPECT_EQ(TargetRows(twice, 480, 30, 29).count, 0);
  EXPECT_EQ(TargetRows(PageLayout{}, 480, 0, 479).count, 0);
}

TEST(TargetRowsTest, ShrunkRowsPartitionTheLayoutAndShowTheirOwnPageRows) {
  for (const auto& [w, h] : {std::pair{500, 300}, {639, 480}, {100, 75}, {7, 5}}) {
    const PageLayout layout = FitPage(640, 480, w, h);
    int32_t next = layout.y;
    for (int32_t row = 0; row < 480; ++row) {
      const RowSpan span = TargetRows(layout, 480, row, row);
      ASSERT_EQ(span.first, next) << w << "x" << h << " row " << row;
      for (int32_t ty = span.first; ty < span.first + span.count; ++ty) {
        ASSERT_EQ(int64_t(ty - layout.y) * 480 / layout.height, row);
      }
      next += span.count;
    }
    EXPECT_EQ(next, layout.y + layout.height) << w << "x" << h;
  }
}

class ScaleRowsTest : public ::testing::Test {
 protected:
  static constexpr int32_t PAGE_W = 32, PAGE_H = 24;

  void SetUp() override {
    std::mt19937 random(7);
    page_.resize(PAGE_W * PAGE_H);
    for (uint32_t& pixel : page_) pixel = random();
  }

  // Scales rows first..last into a fresh window of w x h sentinel pixels.
  std::vector<uint32_t> Scale(int32_t w, int32_t h, int32_t first, int32_t last) {
    layout_ = FitPage(PAGE_W, PAGE_H, w, h);
    std::vector<uint32_t> window(size_t(w) * size_t(h), SENTINEL);
    ScaleRows(reinterpret_cast<const uint8_t*>(page_.data()), PAGE_W * 4, PAGE_W, PAGE_H, first,
              last, layout_, reinterpret_cast<uint8_t*>(window.data()), uint32_t(w) * 4);
    return window;
  }

  // Every pixel is the page pixel it maps to where rows first..last land, and
  // untouched everywhere else.
  void ExpectScaled(const std::vector<uint32_t>& window, int32_t w, int32_t h, int32_t first,
                    int32_t last) {
    const RowSpan rows = TargetRows(layout_, PAGE_H, first, last);
    for (int32_t ty = 0; ty < h; ++ty) {
      for (int32_t tx = 0; tx < w; ++tx) {
        const bool inside = ty >= rows.first && ty < rows.first + rows.count && tx >= layout_.x &&
                            tx < layout_.x + layout_.width;
        const uint32_t expected =
            inside ? page_[size_t((ty - layout_.y) * PAGE_H / layout_.height) * PAGE_W +
                           size_t((tx - layout_.x) * PAGE_W / layout_.width)]
                   : SENTINEL;
        ASSERT_EQ(window[size_t(ty) * size_t(w) + size_t(tx)], expected)
            << w << "x" << h << " rows " << first << ".." << last << " at (" << tx << ", " << ty
            << ")";
      }
    }
  }

  std::vector<uint32_t> page_;
  PageLayout layout_;
};

TEST_F(ScaleRowsTest, WholeScalesRepeatEachPixelAsASquareBlock) {
  // 1x, the unrolled 2x, 3x and 4x loops and the general one (5x, 7x), centred.
  for (const auto& [w, h] :
       {std::pair{32, 24}, {70, 50}, {96, 80}, {130, 97}, {165, 120}, {230, 170}}) {
    ExpectScaled(Scale(w, h, 0, PAGE_H - 1), w, h, 0, PAGE_H - 1);
  }
}

TEST_F(ScaleRowsTest, ABandWritesOnlyItsOwnRows) {
  for (const auto& [w, h] : {std::pair{70, 50}, {99, 75}, {20, 15}}) {
    ExpectScaled(Scale(w, h, 5, 9), w, h, 5, 9);
    ExpectScaled(Scale(w, h, 23, 23), w, h, 23, 23);
  }
}

TEST_F(ScaleRowsTest, ShrinkingPicksTheNearestPixelBelow) {
  for (const auto& [w, h] : {std::pair{20, 15}, {31, 40}, {9, 6}}) {
    ExpectScaled(Scale(w, h, 0, PAGE_H - 1), w, h, 0, PAGE_H - 1);
  }
}

}  // namespace
}  // namespace display::platform
