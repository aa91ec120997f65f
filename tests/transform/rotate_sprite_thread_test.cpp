// RotateSprite keeps no shared working state: two threads turning sprites at
// once get the same pixels as one thread alone (and stay clean under TSan).
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "test_image.h"
#include "transform/rotate_sprite.h"

namespace transform {
namespace {

using testing::MakeDistinctImage;
using testing::MakeImage;
using testing::TestImage;

bool SamePixels(const display::Image* a, const display::Image* b) {
  return std::memcmp(display::ImagePixels(a), display::ImagePixels(b),
                     size_t{a->pitch} * a->height) == 0;
}

TEST(RotateSpriteThreadTest, ConcurrentCallsDoNotInterfere) {
  const TestImage source = MakeDistinctImage(48, 48);
  // Expected results, one heading per thread, made on this thread first.
  const int32_t headings[2] = {33, 251};
  std::vector<TestImage> expected;
  for (int32_t heading : headings) {
    expected.push_back(MakeImage(48, 48, 0));
    RotateSprite(expected.back().get(), source.get(), heading);
  }
  bool agreed[2] = {true, true};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      const TestImage turned = MakeImage(48, 48, 0);
      for (int round = 0; round < 300; ++round) {
        RotateSprite(turned.get(), source.get(), headings[t]);
        agreed[t] = agreed[t] && SamePixels(turned.get(), expected[t].get());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_TRUE(agreed[0]);
  EXPECT_TRUE(agreed[1]);
}

}  // namespace
}  // namespace transform
