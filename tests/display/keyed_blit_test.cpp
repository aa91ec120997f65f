// The keyed blit held against its per-pixel definition: every version of the
// keyed copy the processor runs, every pixel size, row lengths around each block
// size, unaligned rows; PutImage with both putters at every clip position; and
// an image put into itself, where pixels are taken in row order.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "display/blit.h"
#include "display/keyed_rows.h"
#include "draw_fixture.h"

namespace display::testing {
namespace {

using detail::KeyedKernel;

// The definition: a key-coloured source pixel leaves the destination pixel; any
// other replaces it, a 4-byte one without its alpha byte.
uint32_t Keyed(uint32_t source, uint32_t destination, uint32_t bytes) {
  switch (bytes) {
    case 4: return (source & 0xFFFFFFu) == 0xFF00FFu ? destination : source & 0xFFFFFFu;
    case 2: return source == 0xF81Fu ? destination : source;
    default: return source == 0 ? destination : source;
  }
}

// Pixels near and at the key far more often than chance would give them.
uint32_t Pixel(std::mt19937& random, uint32_t bytes) {
  static const std::vector<uint32_t> near4 = {0xFFFF00FFu, 0x00FF00FFu, 0x7FFF00FFu,
                                              0xFFFF00FEu, 0xFFFF01FFu, 0xFF7F00FFu,
                                              0x00FF00FEu, 0xFF000000u};
  static const std::vector<uint32_t> near2 = {0xF81Fu, 0xF81Eu, 0x781Fu, 0xF91Fu, 0x0000u};
  static const std::vector<uint32_t> near1 = {0x00u, 0x01u, 0x80u, 0xFFu};
  const std::vector<uint32_t>& near = bytes == 4 ? near4 : bytes == 2 ? near2 : near1;
  const uint32_t pick = random() % 8;
  if (pick < 2) return near[0];  // the key itself, a quarter of the pixels
  if (pick < 4) return near[random() % near.size()];
  const uint32_t any = random();
  return bytes == 4 ? any : bytes == 2 ? any & 0xFFFFu : any & 0xFFu;
}

uint32_t Read(const uint8_t* p, uint32_t bytes) {
  uint32_t value = 0;
  std::memcpy(&value, p, bytes);
  return value;
}

const char* Name(KeyedKernel kernel) {
  switch (kernel) {
    case KeyedKernel::Plain: return "plain";
    case KeyedKernel::Sse2: return "SSE2";
    case KeyedKernel::Avx2: return "AVX2";
    default: return "AVX-512";
  }
}

TEST(KeyedRowsTest, EveryVersionMatchesTheDefinition) {
  std::mt19937 random(14);
  int versions = 0;
  for (const KeyedKernel kernel :
       {KeyedKernel::Plain, KeyedKernel::Sse2, KeyedKernel::Avx2, KeyedKernel::Avx512}) {
    for (const uint32_t bytes : {4u, 2u, 1u}) {
      const detail::KeyedRows rows = detail::KeyedRowsOf(kernel, bytes);
      if (rows == nullptr) continue;  // not on this processor
      ++versions;
      // Every length up to two 64-byte blocks and a little more, so that each
      // block size meets every remainder; rows starting off any alignment.
      const int longest = int(160 / bytes);
      for (int width = 1; width <= longest; ++width) {
        for (const int height : {1, 3}) {
          const int shift = width % 4;  // pixels off the buffer's start
          const int srcPitch = int(bytes) * (width + shift + 5);
          const int dstPitch = int(bytes) * (width + 3 + shift);
          std::vector<uint8_t> src(size_t(srcPitch) * height + 64), dst(size_t(dstPitch) * height + 64);
          for (size_t i = 0; i + bytes <= src.size(); i += bytes) {
            const uint32_t p = Pixel(random, bytes);
            std::memcpy(&src[i], &p, bytes);
          }
          for (auto& b : dst) b = uint8_t(random());
          std::vector<uint8_t> expected = dst;
          const size_t srcStart = bytes * size_t(shift), dstStart = bytes * size_t(shift + 1);
          for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
              const size_t s = srcStart + size_t(y) * srcPitch + size_t(x) * bytes;
              const size_t d = dstStart + size_t(y) * dstPitch + size_t(x) * bytes;
              const uint32_t out = Keyed(Read(&src[s], bytes), Read(&expected[d], bytes), bytes);
              std::memcpy(&expected[d], &out, bytes);
            }
          }
          rows(&src[srcStart], &dst[dstStart], width, height, srcPitch, dstPitch);
          ASSERT_EQ(dst, expected) << Name(kernel) << ", " << bytes << "-byte pixels, " << width
                                   << " x " << height;
        }
      }
    }
  }
  // Plain and SSE2 run on every x86-64 processor, AVX2 on most.
  EXPECT_GE(versions, 3);
}

class KeyedBlitTest : public DrawTest {};

// A random image of the given depth.
ImagePtr RandomImage(std::mt19937& random, int width, int height, int depth) {
  ImagePtr image(CreateImage(width, height, 0, depth, 0));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) SetPixel(image.get(), x, y, Pixel(random, depth / 8));
  }
  return image;
}

std::vector<uint32_t> Pixels(const Image* image) {
  std::vector<uint32_t> out;
  for (uint32_t y = 0; y < image->height; ++y) {
    for (uint32_t x = 0; x < image->width; ++x) out.push_back(PixelAt(image, x, y));
  }
  return out;
}

// Both putters, each pixel size, the source placed off every edge and corner of
// the target, whole or as a source rectangle.
TEST_F(KeyedBlitTest, PutImageMatchesTheDefinitionAtEveryClipPosition) {
  std::mt19937 random(6);
  constexpr int W = 21, H = 12, SW = 9, SH = 7;
  for (const int depth : {32, 16, 8}) {
    const uint32_t bytes = depth / 8;
    ImagePtr source = RandomImage(random, SW, SH, depth);
    ImagePtr before = RandomImage(random, W, H, depth);
    ImagePtr target(CreateImage(W, H, 0, depth, 0));
    for (const bool keyed : {true, false}) {
      for (const bool whole : {true, false}) {
        // Source rectangle: the whole image, or columns 2..6 and rows 1..5.
        const int ax = whole ? 0 : 2, ay = whole ? 0 : 1, aw = whole ? SW : 5, ah = whole ? SH : 5;
        for (const int px : {-SW, -aw, -3, 0, 6, W - aw, W - 2, W}) {
          for (const int py : {-SH, -ah, -2, 0, 3, H - ah, H - 1, H}) {
            std::memcpy(ImagePixels(target.get()), ImagePixels(before.get()),
                        size_t(before->pitch) * H);
            ASSERT_EQ(PutImage(target.get(), float(px), float(py), source.get(),
                               whole ? ARG_DEFAULT : 2, 1, 6, 5, 0, keyed ? 0 : 1,
                               keyed ? PutTransparent : PutOpaque),
                      0);
            for (int y = 0; y < H; ++y) {
              for (int x = 0; x < W; ++x) {
                const int sx = x - px, sy = y - py;
                uint32_t expected = PixelAt(before.get(), x, y);
                if (sx >= 0 && sx < aw && sy >= 0 && sy < ah) {
                  const uint32_t s = PixelAt(source.get(), ax + sx, ay + sy);
                  expected = keyed ? Keyed(s, expected, bytes) : s;
                }
                ASSERT_EQ(PixelAt(target.get(), x, y), expected)
                    << depth << "-bit, " << (keyed ? "keyed" : "opaque")
                    << (whole ? ", whole" : ", rectangle") << " at (" << px << ", " << py
                    << "), pixel (" << x << ", " << y << ")";
              }
            }
          }
        }
      }
    }
  }
}

// An image put into itself: wherever the areas share bytes the pixels are taken
// one by one in row order, so a pixel written early is read again later.
TEST_F(KeyedBlitTest, ImagePutIntoItselfTakesPixelsInRowOrder) {
  std::mt19937 random(1);
  constexpr int W = 37, H = 6;
  for (const int depth : {32, 16, 8}) {
    const uint32_t bytes = depth / 8;
    for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1},
                                 std::pair{0, -1}, std::pair{5, 2}, std::pair{-9, 1},
                                 std::pair{0, 3}, std::pair{30, 0}}) {
      ImagePtr image = RandomImage(random, W, H, depth);
      std::vector<uint32_t> expected = Pixels(image.get());
      for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
          const int tx = x + dx, ty = y + dy;
          if (tx < 0 || tx >= W || ty < 0 || ty >= H) continue;
          uint32_t& out = expected[size_t(ty) * W + tx];
          out = Keyed(expected[size_t(y) * W + x], out, bytes);
        }
      }
      ASSERT_EQ(PutImage(image.get(), float(dx), float(dy), image.get(), ARG_DEFAULT, 0, 0, 0, 0,
                         0, PutTransparent),
                0);
      EXPECT_EQ(Pixels(image.get()), expected) << depth << "-bit, moved by " << dx << ", " << dy;
    }
  }
}

}  // namespace
}  // namespace display::testing
