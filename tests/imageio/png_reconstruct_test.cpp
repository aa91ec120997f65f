// Pixel reconstruction of the PNG decoder: the filters, every sample format, the
// transparency keys, Adam7 placement and the three output layouts. PngSuite
// (png_suite_test.cpp) checks every format and interlacing against libpng.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "imageio/png_decoder.h"
#include "imageio/png_unfilter.h"
#include "png_test_writer.h"

namespace imageio::testing {
namespace {

struct Freer {
  void operator()(void* p) const { std::free(p); }
};
using Block = std::unique_ptr<uint8_t, Freer>;

Block Decode(const Bytes& png, PngTarget target) {
  return Block(static_cast<uint8_t*>(DecodePng(png.data(), png.size(), target)));
}

uint32_t Word(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

TEST(PngTargets, OnePixelInEveryLayout) {
  const Bytes png = SimplePng(1, 1, 8, 0, {0, 128});
  Block compact = Decode(png, TargetCompactHeader);
  ASSERT_TRUE(compact);
  EXPECT_EQ(Word(compact.get()), 4u | 1u << 3 | 1u << 16);
  EXPECT_EQ(Word(compact.get() + 4), 0xFF808080u);
  Block image = Decode(png, TargetImageBuffer);
  ASSERT_TRUE(image);
  const uint32_t header[8] = {7, 4, 1, 1, 32, 0, 0, 0};
  EXPECT_EQ(std::memcmp(image.get(), header, 32), 0);
  EXPECT_EQ(Word(image.get() + 32), 0xFF808080u);
  EXPECT_EQ(Word(image.get() + 36), 0u);  // row padding
  Block raw = Decode(png, TargetRawRgba);
  ASSERT_TRUE(raw);
  EXPECT_EQ(std::memcmp(raw.get(), "\x80\x80\x80\xFF", 4), 0);
  for (uint32_t target : {0u, 4u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(Decode(png, static_cast<PngTarget>(target))) << target;
  }
}

// Width 1 (pitch 32) is above; PngSuite checks the raw layout's bottom-up rows.
TEST(PngTargets, ImagePitchIsRoundedToThirtyTwoBytes) {
  for (auto [width, pitch] : {std::pair{8u, 32u}, {9u, 64u}}) {
    const Bytes png = SimplePng(width, 1, 8, 0, Bytes(width + 1, 0));
    Block image = Decode(png, TargetImageBuffer);
    ASSERT_TRUE(image);
    EXPECT_EQ(reinterpret_cast<display::Image*>(image.get())->pitch, pitch) << width;
  }
}

TEST(PngTargets, CompactHeaderRefusesSizesItCannotHold) {
  const Bytes wide = SimplePng(8192, 1, 1, 0, Bytes(1025, 0));
  EXPECT_FALSE(Decode(wide, TargetCompactHeader));
  EXPECT_TRUE(Decode(wide, TargetImageBuffer));
  Block widest = Decode(SimplePng(8191, 1, 1, 0, Bytes(1025, 0)), TargetCompactHeader);
  ASSERT_TRUE(widest);
  EXPECT_EQ(Word(widest.get()), 4u | 8191u << 3 | 1u << 16);
  EXPECT_FALSE(Decode(SimplePng(1, 65536, 1, 0, Bytes(2 * 65536, 0)), TargetCompactHeader));
}

// Decoded pixels (0xAARRGGBB, rows top first) of small images; empty: refused.
// The plain formats are left to PngSuite; these are the edges it does not pin.
struct PixelCase {
  const char* what;
  Bytes png;
  std::vector<uint32_t> pixels;
};
void PrintTo(const PixelCase& c, std::ostream* os) { *os << c.what; }
class PngPixels : public ::testing::TestWithParam<PixelCase> {};

TEST_P(PngPixels, DecodeExactly) { EXPECT_EQ(DecodePixels(GetParam().png), GetParam().pixels); }

constexpr uint32_t W = 0xFFFFFFFF, B = 0xFF000000;
const Bytes GRAY16 = {0, 0x12, 0x34}, RGB16 = {0, 0xAA, 1, 0xBB, 2, 0xCC, 3};
const Bytes KEYED_RGB = {0, 255, 0, 255, 255, 0, 254};
const Bytes PALETTE = Chunk("PLTE", {10, 20, 30, 40, 50, 60, 70, 80, 90, 1, 2, 3});

INSTANTIATE_TEST_SUITE_P(
    Cases, PngPixels,
    ::testing::Values(
        PixelCase{"gray2", SimplePng(4, 1, 2, 0, {0, 0b00011011}), {B, 0xFF555555, 0xFFAAAAAA, W}},
        // Ten 1-bit pixels take two bytes; the last six bits are padding.
        PixelCase{"gray1", SimplePng(10, 1, 1, 0, {0, 0b10110011, 0x7F}), {W, B, W, W, B, B, W, W, B, W}},
        // A transparent gray key applies to the scaled sample's raw value.
        PixelCase{"gray2Key", SimplePng(4, 1, 2, 0, {0, 0b00011011}, {Chunk("tRNS", {0, 2})}),
                  {B, 0xFF555555, 0x00AAAAAA, W}},
        PixelCase{"gray16", SimplePng(1, 1, 16, 0, GRAY16), {0xFF121212}},
        PixelCase{"gray16Key", SimplePng(1, 1, 16, 0, GRAY16, {Chunk("tRNS", {0x12, 0x34})}), {0x00121212}},
        PixelCase{"gray16KeyLowByteDiffers", SimplePng(1, 1, 16, 0, GRAY16, {Chunk("tRNS", {0x12, 0})}),
                  {0xFF121212}},
        PixelCase{"rgb16Key", SimplePng(1, 1, 16, 2, RGB16, {Chunk("tRNS", {0xAA, 1, 0xBB, 2, 0xCC, 3})}),
                  {0x00AABBCC}},
        PixelCase{"rgb16KeyLowByteDiffers",
                  SimplePng(1, 1, 16, 2, RGB16, {Chunk("tRNS", {0xAA, 1, 0xBB, 2, 0xCC, 4})}), {0xFFAABBCC}},
        PixelCase{"rgbKey", SimplePng(2, 1, 8, 2, KEYED_RGB, {Chunk("tRNS", {0, 255, 0, 0, 0, 255})}),
                  {0x00FF00FF, 0xFFFF00FE}},
        // A key above 255 never matches 8-bit samples.
        PixelCase{"rgbKeyAbove255", SimplePng(2, 1, 8, 2, KEYED_RGB, {Chunk("tRNS", {1, 255, 0, 0, 0, 255})}),
                  {0xFFFF00FF, 0xFFFF00FE}},
        // Index 7 lies beyond the four entries: black.
        PixelCase{"palette4", SimplePng(3, 1, 4, 3, {0, 0x17, 0x30}, {PALETTE}), {0xFF28323C, B, 0xFF010203}},
        // A 3-byte tRNS: the fourth entry stays opaque.
        PixelCase{"paletteAlpha",
                  SimplePng(4, 1, 8, 3, {0, 0, 1, 2, 3}, {PALETTE, Chunk("tRNS", {9, 20, 30})}),
                  {0x090A141E, 0x1428323C, 0x1E46505A, 0xFF010203}},
        PixelCase{"beyondTenEntries", SimplePng(1, 1, 8, 3, {0, 200}, {Chunk("PLTE", Bytes(30, 9))}), {B}},
        // Average of left 255 and above 255 is 255: 1 + 255 wraps to 0.
        PixelCase{"average255", SimplePng(2, 2, 8, 0, {0, 255, 255, 3, 128, 1}), {W, W, W, B}},
        PixelCase{"filter5LastRow", SimplePng(1, 3, 8, 0, {0, 1, 0, 2, 5, 3}), {}},
        PixelCase{"filter255FirstRow", SimplePng(1, 3, 8, 0, {255, 1, 0, 2, 0, 3}), {}},
        PixelCase{"interlacedFilter5",
                  SimplePng(3, 3, 8, 0, {0, 1, 0, 2, 5, 3, 4, 0, 5, 0, 6, 0, 7, 8, 9}, {}, 1), {}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(PngFilters, PaethTiesGoToLeftThenAbove) {
  EXPECT_EQ(PaethPredictor(0, 6, 2), 6);
  EXPECT_EQ(PaethPredictor(5, 5, 0), 5);
  EXPECT_EQ(PaethPredictor(7, 7, 7), 7);
  EXPECT_EQ(PaethPredictor(9, 3, 9), 3);
}

// The row loops must give exactly the bytes of the per-byte definition, and two
// four or eight Paeth rows at once the bytes of single-row calls.
TEST(PngFilters, RowLoopsMatchTheByteDefinition) {
  std::mt19937 random(7);
  for (uint32_t bpp : {1u, 2u, 3u, 4u, 6u, 8u}) {
    for (uint32_t pixels : {1u, 2u, 3u, 5u, 17u, 64u, 301u}) {
      const uint32_t n = pixels * bpp, L = n + 1, size = n + UNFILTER_ROW_SLACK;
      for (uint8_t filter = 0; filter <= 5; ++filter) {
        Bytes image(3 * L + UNFILTER_ROW_SLACK);
        for (uint8_t& b : image) b = static_cast<uint8_t>(random());
        Bytes expected = image, prev(size, 0), out(size);
        for (uint32_t r = 0; r < 3; ++r) {
          uint8_t* line = expected.data() + r * L;
          int failed = 0;
          for (uint32_t k = 0; k < n; ++k) failed |= UnfilterByte(line + 1 + k, filter, k, r, L, bpp);
          const uint8_t* row = UnfilterRow(filter, image.data() + r * L + 1, prev.data(), out.data(), n, bpp);
          ASSERT_EQ(row == nullptr, failed == 1);
          if (row == nullptr) break;
          ASSERT_EQ(std::memcmp(row, line + 1, n), 0)
              << "bpp " << bpp << " n " << n << " filter " << int(filter) << " row " << r;
          std::memcpy(prev.data(), row, n);
        }
      }
      // Four Paeth rows one after another, then as a pair and as a quad.
      Bytes src(4 * size), prev(size), single(4 * size), paired(2 * size), quad(4 * size);
      for (uint8_t& b : src) b = static_cast<uint8_t>(random());
      for (uint8_t& b : prev) b = static_cast<uint8_t>(random());
      const uint8_t* above = prev.data();
      for (uint32_t r = 0; r < 4; ++r) {
        above = UnfilterRow(4, src.data() + r * size, above, single.data() + r * size, n, bpp);
      }
      UnfilterPaethPair(src.data(), src.data() + size, prev.data(), paired.data(),
                        paired.data() + size, n, bpp);
      const uint8_t* const lines[4] = {src.data(), src.data() + size, src.data() + 2 * size,
                                       src.data() + 3 * size};
      uint8_t* const outs[4] = {quad.data(), quad.data() + size, quad.data() + 2 * size,
                                quad.data() + 3 * size};
      UnfilterPaethQuad(lines, prev.data(), outs, n, bpp);
      {
        // Eight rows: the four above, then four more on top of them.
        Bytes more(4 * size), moreSingle(4 * size), oct(8 * size);
        for (uint8_t& b : more) b = static_cast<uint8_t>(random());
        const uint8_t* above8 = single.data() + 3 * size;
        for (uint32_t r = 0; r < 4; ++r) {
          above8 =
              UnfilterRow(4, more.data() + r * size, above8, moreSingle.data() + r * size, n, bpp);
        }
        const uint8_t* lines8[8];
        uint8_t* outs8[8];
        for (uint32_t r = 0; r < 8; ++r) {
          lines8[r] = r < 4 ? src.data() + r * size : more.data() + (r - 4) * size;
          outs8[r] = oct.data() + r * size;
        }
        UnfilterPaethOct(lines8, prev.data(), outs8, n, bpp);
        for (uint32_t r = 0; r < 8; ++r) {
          const uint8_t* expected =
              r < 4 ? single.data() + r * size : moreSingle.data() + (r - 4) * size;
          EXPECT_EQ(std::memcmp(expected, oct.data() + r * size, n), 0)
              << "oct " << bpp << " " << pixels << " row " << r;
        }
      }
      for (uint32_t r = 0; r < 4; ++r) {
        if (r < 2) {
          EXPECT_EQ(std::memcmp(single.data() + r * size, paired.data() + r * size, n), 0)
              << "pair " << bpp << " " << pixels << " row " << r;
        }
        EXPECT_EQ(std::memcmp(single.data() + r * size, quad.data() + r * size, n), 0)
            << "quad " << bpp << " " << pixels << " row " << r;
      }
    }
  }
}

}  // namespace
}  // namespace imageio::testing
