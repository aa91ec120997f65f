// RotateSprite: the quarter turns pixel for pixel, the fixed pivot, the walk
// area and clipping, and the double-precision walk against the extended one.
#include "transform/rotate_sprite.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "test_image.h"
#include "transform/sprite_walk.h"

namespace transform {
namespace {

using testing::Distinct;
using testing::MakeDistinctImage;
using testing::MakeImage;
using testing::Pixel;
using testing::TestImage;

constexpr uint32_t KEY = 0xFFFF00FFu;
constexpr uint32_t UNTOUCHED = 0x12345678u;

struct QuarterTurn {
  int32_t heading;
  // Source position that destination (x, y) shows, for a 48x48 pair.
  std::function<std::pair<int, int>(int, int)> sample;
  int keyPixels;
};

void PrintTo(const QuarterTurn& turn, std::ostream* os) { *os << "heading " << turn.heading; }
class QuarterTurnTest : public ::testing::TestWithParam<QuarterTurn> {};

TEST_P(QuarterTurnTest, MatchesTheIndexFormula) {
  const QuarterTurn& turn = GetParam();
  const TestImage source = MakeDistinctImage(48, 48);
  const TestImage turned = MakeImage(48, 48, UNTOUCHED, 3);
  RotateSprite(turned.get(), source.get(), turn.heading);
  int keys = 0;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 48; ++x) {
      const auto [sx, sy] = turn.sample(x, y);
      const bool inside = sx >= 0 && sx < 48 && sy >= 0 && sy < 48;
      const uint32_t expected = inside ? Distinct(sx, sy) : KEY;
      ASSERT_EQ(Pixel(turned.get(), x, y), expected) << "at " << x << "," << y;
      keys += !inside;
    }
    for (int pad = 48; pad < 51; ++pad) ASSERT_EQ(Pixel(turned.get(), pad, y), UNTOUCHED);
  }
  EXPECT_EQ(keys, turn.keyPixels);
}

INSTANTIATE_TEST_SUITE_P(
    Headings, QuarterTurnTest,
    ::testing::Values(QuarterTurn{0, [](int x, int y) { return std::pair(x, y); }, 0},
                      QuarterTurn{360, [](int x, int y) { return std::pair(x, y); }, 0},
                      QuarterTurn{90, [](int x, int y) { return std::pair(48 - y, x); }, 48},
                      QuarterTurn{180, [](int x, int y) { return std::pair(48 - x, 48 - y); }, 95},
                      QuarterTurn{270, [](int x, int y) { return std::pair(y, 48 - x); }, 48},
                      QuarterTurn{-90, [](int x, int y) { return std::pair(y, 48 - x); }, 48},
                      QuarterTurn{450, [](int x, int y) { return std::pair(48 - y, x); }, 48}));

TEST(RotateSpriteTest, PivotPixelStaysAtEveryHeading) {
  const TestImage source = MakeDistinctImage(48, 48);
  const TestImage turned = MakeImage(48, 48, 0);
  for (int32_t heading = 0; heading < 360; ++heading) {
    RotateSprite(turned.get(), source.get(), heading);
    ASSERT_EQ(Pixel(turned.get(), 24, 24), Distinct(24, 24)) << "heading " << heading;
  }
}

// Turning an image into itself gives what turning a copy of it gives, so the
// result cannot depend on how far ahead a row kernel reads.
TEST(RotateSpriteTest, TurningInPlaceEqualsTurningACopy) {
  for (int32_t heading = 0; heading < 360; heading += 7) {
    const TestImage inPlace = MakeDistinctImage(48, 48, 1);
    const TestImage original = MakeDistinctImage(48, 48, 1);
    const TestImage turned = MakeDistinctImage(48, 48, 1);
    RotateSprite(inPlace.get(), inPlace.get(), heading);
    RotateSprite(turned.get(), original.get(), heading);
    ASSERT_EQ(0, std::memcmp(display::ImagePixels(inPlace.get()),
                             display::ImagePixels(turned.get()), size_t{turned->pitch} * 48))
        << "heading " << heading;
  }
}

TEST(RotateSpriteTest, SmallSourceWritesOnlyItsOwnArea) {
  const TestImage source = MakeDistinctImage(32, 32);
  const TestImage turned = MakeImage(48, 48, UNTOUCHED);
  for (int32_t heading : {0, 37, 90, 200}) {
    RotateSprite(turned.get(), source.get(), heading);
    for (uint32_t y = 0; y < 48; ++y) {
      for (uint32_t x = 0; x < 48; ++x) {
        const bool walked = x < 32 && y < 32;
        ASSERT_EQ(Pixel(turned.get(), x, y) != UNTOUCHED, walked) << x << "," << y;
      }
    }
    // The pivot comes from the destination: (24, 24).
    EXPECT_EQ(Pixel(turned.get(), 24, 24), Distinct(24, 24)) << "heading " << heading;
  }
}

TEST(RotateSpriteTest, SmallDestinationClipsTheWalk) {
  const TestImage source = MakeDistinctImage(48, 48);
  const TestImage turned = MakeImage(32, 20, UNTOUCHED, 2);
  RotateSprite(turned.get(), source.get(), 180);
  for (uint32_t y = 0; y < 20; ++y) {
    for (uint32_t x = 0; x < 32; ++x) {
      // Pivot (16, 10): destination (x, y) shows source (32 - x, 20 - y).
      ASSERT_EQ(Pixel(turned.get(), x, y), Distinct(32 - x, 20 - y)) << x << "," << y;
    }
    EXPECT_EQ(Pixel(turned.get(), 32, y), UNTOUCHED);
    EXPECT_EQ(Pixel(turned.get(), 33, y), UNTOUCHED);
  }
}

TEST(RotateSpriteTest, RefusedImagesAreLeftAlone) {
  const TestImage source = MakeDistinctImage(8, 8);
  const TestImage turned = MakeImage(8, 8, UNTOUCHED);
  RotateSprite(nullptr, source.get(), 90);
  RotateSprite(turned.get(), nullptr, 90);
  source->bytesPerPixel = 2;  // a 16-bit image would be walked past its rows
  RotateSprite(turned.get(), source.get(), 90);
  source->bytesPerPixel = 4;
  turned->type = 0;  // not the long header
  RotateSprite(turned.get(), source.get(), 90);
  const TestImage untouched = MakeImage(8, 8, UNTOUCHED);
  EXPECT_EQ(0, std::memcmp(display::ImagePixels(turned.get()),
                           display::ImagePixels(untouched.get()), 8 * 8 * 4));
}

TEST(RotateSpriteTest, PivotIsHalfTheDestinationRoundedDown) {
  const detail::SpriteMapping odd = detail::MappingFor(49, 47, 180);  // pivot (24, 23)
  EXPECT_EQ(odd.tx, 48);
  EXPECT_EQ(odd.ty, 46);
}

// The double walk, with either row kernel, must give exactly the pixels of the
// extended-precision one.
void ExpectWalksAgree(const detail::SpriteMapping& mapping, uint32_t width, uint32_t height) {
  const TestImage source = MakeDistinctImage(width, height, 1);
  const TestImage reference = MakeImage(width, height, UNTOUCHED, 1);
  const detail::WalkArea area{width, height};
  detail::WalkExtended(reference.get(), source.get(), mapping, area);
  for (const auto kernel :
       {detail::RowKernel::Best, detail::RowKernel::Avx2, detail::RowKernel::Baseline}) {
    const TestImage fast = MakeImage(width, height, UNTOUCHED, 1);
    detail::WalkFast(fast.get(), source.get(), mapping, area, kernel);
    const size_t bytes = size_t{fast->pitch} * height;
    ASSERT_EQ(0, std::memcmp(display::ImagePixels(fast.get()),
                             display::ImagePixels(reference.get()), bytes))
        << width << "x" << height << " kernel " << static_cast<int>(kernel);
  }
}

// Mappings that the whole-walk proofs judge: steps of 0, ±1, ±2 or tiny as near
// the axes, halves, and steps far below a double's reach of the origin (where
// the double sum of 0.5 + 2^-60 rounds to a tie that the long double one does
// not), with origins at powers of two and elsewhere.
TEST(RotateSpriteTest, DoubleWalkMatchesExtendedNearTheAxes) {
  std::mt19937 random(7);
  const float steps[] = {0.0f,   1.0f,         -1.0f,         2.0f,   0.5f,    -0.5f,
                         1e-6f,  2.4335938e-8f, -4.371139e-8f, 4e-5f, 0.0106f, 0x1p-60f,
                         -0x1p-60f, 0x1p-30f};
  const int32_t origins[] = {0, 1, 47, 48, 64, -64, 4096, 16777215};
  auto pick = [&random](const auto& values) { return values[random() % std::size(values)]; };
  for (int i = 0; i < 4000; ++i) {
    const uint32_t width = 1 + random() % 70, height = 1 + random() % 70;
    const detail::SpriteMapping m{.tx = pick(origins) + static_cast<int32_t>(random() % 3),
                                  .ty = pick(origins) - static_cast<int32_t>(random() % 3),
                                  .ax = pick(steps),
                                  .ay = pick(steps),
                                  .bx = pick(steps),
                                  .by = pick(steps)};
    ExpectWalksAgree(m, width, height);
    if (HasFatalFailure()) return;
  }
}

TEST(RotateSpriteTest, DoubleWalkMatchesExtendedAtEveryHeading) {
  for (const auto& [width, height] :
       {std::pair(48u, 48u), std::pair(33u, 70u), std::pair(7u, 3u)}) {
    for (int32_t heading = -720; heading <= 720; ++heading) {
      ExpectWalksAgree(detail::MappingFor(width, height, heading), width, height);
    }
  }
}

}  // namespace
}  // namespace transform
