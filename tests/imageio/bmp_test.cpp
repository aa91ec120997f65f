// The BMP reader on files built byte by byte: refusals, palettes and the display
// palette, run-length data, bit fields, other pixel sizes, hostile headers and
// the file-type table.
#include "imageio/bmp.h"

#include "bmp_files.h"
#include "display/blit.h"
#include "imageio/load_image.h"

namespace imageio::testing {
namespace {

using display::ImagePtr;

constexpr uint32_t RED = 0xFFFF0000u, GREEN = 0xFF00FF00u, BLUE = 0xFF0000FFu;

// A width x height 24-bit file of one colour, rows padded to 4 bytes.
BmpSpec Rgb24(int32_t width, int32_t height, uint32_t colour) {
  BmpSpec layout{.width = width, .height = height, .bitCount = 24};
  const size_t stride = (size_t(width) * 3 + 3) / 4 * 4;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      for (int shift : {0, 8, 16}) layout.pixels.push_back(uint8_t(colour >> shift));
    }
    layout.pixels.resize(stride * size_t(y + 1), 0);
  }
  return layout;
}

// ReadBmp into a fresh key-coloured image of the file's size.
int Read(const std::string& name, const BmpSpec& layout, ImagePtr* image) {
  image->reset(display::CreateImage(layout.width, layout.height, 0, 0, display::DEFAULT_COLOUR_FLAG));
  return ReadBmp(WriteFile(name, BuildBmp(layout)).c_str(), image->get());
}

class BmpTest : public ScreenTest {};

// Refusals on top of the ones the shared bmp-extra files show (2, 15 and 16
// bits, the "BA" signature, no rows): the image keeps its fill colour. Their
// pal8 files take the largest palette, 256 entries.
struct RefusalCase {
  const char* what;
  void (*change)(BmpSpec&);
  int status;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.what; }

class BmpRefusalTest : public ScreenTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(BmpRefusalTest, LeavesEveryPixelTheFillColour) {
  BmpSpec layout = Rgb24(4, 4, 0);
  GetParam().change(layout);
  ImagePtr image;
  EXPECT_EQ(Read("refused.bmp", layout, &image), GetParam().status);
  ExpectPixels(image.get(), [](uint32_t, uint32_t) { return FILL; });
}

INSTANTIATE_TEST_SUITE_P(
    Formats, BmpRefusalTest,
    ::testing::Values(
        RefusalCase{"64bit", [](BmpSpec& s) { s.bitCount = 64; }, BMP_REFUSED},
        RefusalCase{"16bitFields", [](BmpSpec& s) {
                      s.bitCount = 16; s.compression = 3; s.masks = {0xF800, 0x07E0, 0x001F}; },
                    BMP_REFUSED},
        RefusalCase{"24bitFields", [](BmpSpec& s) { s.compression = 3; s.masks = {0xFF0000, 0xFF00, 0xFF}; },
                    BMP_REFUSED},
        RefusalCase{"jpegInside", [](BmpSpec& s) { s.compression = 4; }, BMP_REFUSED},
        RefusalCase{"rle8On4Bits", [](BmpSpec& s) { s.bitCount = 4; s.compression = 1; }, BMP_REFUSED},
        RefusalCase{"infoHeader108", [](BmpSpec& s) { s.infoSize = 108; }, BMP_MALFORMED},
        RefusalCase{"offsetBelow54", [](BmpSpec& s) { s.dataOffset = 50; }, BMP_MALFORMED},
        RefusalCase{"offsetBeyond256Entries", [](BmpSpec& s) {
                      s.palette.assign(257, 0); s.dataOffset = 54 + 257 * 4; }, BMP_MALFORMED},
        RefusalCase{"memoryDumpFD", [](BmpSpec& s) { s.signature[0] = char(0xFD); }, BMP_MALFORMED},
        RefusalCase{"memoryDumpFE", [](BmpSpec& s) { s.signature[0] = char(0xFE); }, BMP_MALFORMED}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(BmpTest, HugeOrMissingFilesYieldNull) {
  BmpSpec layout = Rgb24(1, 1, 0);
  layout.width = 100000;
  layout.height = 100000;  // 40 GB of pixels: beyond 32-bit sizes
  EXPECT_EQ(LoadBmp(WriteFile("huge.bmp", BuildBmp(layout)).c_str()), nullptr);
  layout.width = 0x7FFFFFFF;
  layout.height = 1;
  EXPECT_EQ(LoadBmp(WriteFile("wide.bmp", BuildBmp(layout)).c_str()), nullptr);
  EXPECT_EQ(LoadBmp("/nonexistent/x.bmp"), nullptr);
  ImagePtr image(display::CreateImage(2, 2, 0, 0, display::DEFAULT_COLOUR_FLAG));
  EXPECT_EQ(ReadBmp("/nonexistent/x.bmp", image.get()), BMP_CANNOT_OPEN);
}

// --- run-length data --------------------------------------------------------------
// BMP Suite's pal8rle and pal4rle cover runs, odd absolute runs and end of line;
// neither has a delta code.

TEST_F(BmpTest, Rle8DecodesRunsAbsoluteRunsDeltaAndEndOfLine) {
  BmpSpec layout{.width = 6, .height = 3, .bitCount = 8, .compression = 1,
               .palette = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000},
               .pixels = {
                   3, 1,             // row 0 (bottom line): 3 x index 1
                   0, 3, 2, 3, 2, 0, // absolute 2, 3, 2 + pad byte
                   0, 0,             // end of line
                   0, 2, 4, 1,       // delta: 4 right, 1 up (row 2, x 4)
                   2, 3,             // 2 x index 3 at x 4, 5 of row 2
                   0, 1}};           // end of bitmap
  ImagePtr image;
  ASSERT_EQ(Read("rle8.bmp", layout, &image), BMP_OK);
  const uint32_t lines[3][6] = {{FILL, FILL, FILL, FILL, RED, RED},
                                {FILL, FILL, FILL, FILL, FILL, FILL},
                                {BLUE, BLUE, BLUE, GREEN, RED, GREEN}};
  ExpectPixels(image.get(), [&](uint32_t x, uint32_t y) { return lines[y][x]; });
}

struct BrokenRle {
  const char* what;
  std::vector<uint8_t> stream;
};
void PrintTo(const BrokenRle& c, std::ostream* os) { *os << c.what; }
class BrokenRleTest : public ScreenTest, public ::testing::WithParamInterface<BrokenRle> {};

TEST_P(BrokenRleTest, StopsAndKeepsTheRowsAlreadyDecoded) {
  BmpSpec layout{.width = 4, .height = 3, .bitCount = 8, .compression = 1, .palette = {0, 0xFF}};
  layout.pixels = {4, 1, 0, 0};  // a whole bottom row first
  layout.pixels.insert(layout.pixels.end(), GetParam().stream.begin(), GetParam().stream.end());
  ImagePtr image;
  ASSERT_EQ(Read("badrle.bmp", layout, &image), BMP_MALFORMED);
  for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(Pixel(image.get(), x, 2), BLUE);
  EXPECT_EQ(Pixel(image.get(), 0, 0), FILL);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, BrokenRleTest,
    ::testing::Values(BrokenRle{"runPastRowEnd", {5, 1, 0, 1}},
                      BrokenRle{"absolutePastRowEnd", {0, 6, 1, 1, 1, 1, 1, 1, 0, 1}},
                      BrokenRle{"deltaPastRowEnd", {0, 2, 5, 0, 0, 1}},
                      BrokenRle{"deltaPastTop", {0, 2, 0, 3, 0, 1}},
                      BrokenRle{"endOfLinePastTop", {0, 0, 0, 0, 0, 0, 0, 1}},
                      BrokenRle{"noEndOfBitmap", {2, 1}},
                      BrokenRle{"cutAbsoluteRun", {0, 4, 1}}),
    [](const auto& info) { return std::string(info.param.what); });

// 32-bit bit fields beyond the suite's files: 5-bit masks are stretched to 8 bits.
TEST_F(BmpTest, ThirtyTwoBitFieldsStretchNarrowMasks) {
  BmpSpec layout{.width = 2, .height = 1, .bitCount = 32, .compression = 3,
                 .masks = {0x1Fu << 10, 0x1Fu << 5, 0x1Fu},
                 .pixels = {0xFF, 0x7F, 0, 0, 0x10, 0, 0, 0}};
  ImagePtr image;
  ASSERT_EQ(Read("bf555.bmp", layout, &image), BMP_OK);
  EXPECT_EQ(Pixel(image.get(), 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(image.get(), 1, 0), 0xFF000084u);  // blue 16 of 31
}

// --- other pixel sizes ----------------------------------------------------------

TEST_F(BmpTest, SixteenBitScreenGetsFiveSixFivePixels) {
  display::CloseScreen();
  OpenScreen(16);
  // Stored blue, green, red: 0xFF8040 and the magenta key colour.
  BmpSpec layout{.width = 2, .height = 1, .bitCount = 24, .pixels = {0x40, 0x80, 0xFF, 0xFF, 0, 0xFF, 0, 0}};
  ImagePtr image(LoadBmp(WriteFile("rgb24-16.bmp", BuildBmp(layout)).c_str()));
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->bytesPerPixel, 2u);
  EXPECT_EQ(Pixel(image.get(), 0, 0), 0xFC08u);
  EXPECT_EQ(Pixel(image.get(), 1, 0), display::KEY_COLOUR_16);

  BmpSpec pal{.width = 1, .height = 1, .bitCount = 8, .palette = {0x0000FF}, .pixels = {0, 0, 0, 0}};
  ImagePtr indexed(LoadBmp(WriteFile("pal-16.bmp", BuildBmp(pal)).c_str()));
  EXPECT_EQ(Pixel(indexed.get(), 0, 0), 0x001Fu);
}

TEST_F(BmpTest, EightBitScreenKeepsIndicesAndRefusesDirectColour) {
  display::CloseScreen();
  OpenScreen(8);
  BmpSpec pal{.width = 2, .height = 1, .bitCount = 8, .palette = {0, 0}, .pixels = {1, 200, 0, 0}};
  ImagePtr image;
  ASSERT_EQ(Read("pal-8.bmp", pal, &image), BMP_OK);
  ASSERT_EQ(image->bytesPerPixel, 1u);
  EXPECT_EQ(Pixel(image.get(), 0, 0), 1u);
  EXPECT_EQ(Pixel(image.get(), 1, 0), 200u);
  ASSERT_EQ(Read("rgb-8.bmp", Rgb24(2, 2, 0xFFFFFF), &image), BMP_REFUSED);
  ExpectPixels(image.get(), [](uint32_t, uint32_t) { return uint32_t{display::KEY_COLOUR_8}; });
}

TEST_F(BmpTest, ReadBmpCopiesOnlyWhatBothSizesCover) {
  const std::string path = WriteFile("big.bmp", BuildBmp(Rgb24(4, 4, 0x0000FF)));
  ImagePtr small(display::CreateImage(2, 3, 0, 0, display::DEFAULT_COLOUR_FLAG));
  ASSERT_EQ(ReadBmp(path.c_str(), small.get()), BMP_OK);
  ExpectPixels(small.get(), [](uint32_t, uint32_t) { return BLUE; });
  ImagePtr large(display::CreateImage(6, 6, 0, 0, display::DEFAULT_COLOUR_FLAG));
  ASSERT_EQ(ReadBmp(path.c_str(), large.get()), BMP_OK);
  ExpectPixels(large.get(), [](uint32_t x, uint32_t y) { return x < 4 && y < 4 ? BLUE : FILL; });
}

// --- the file-type table ------------------------------------------------------------

TEST_F(BmpTest, FileTypeComesFromTheLastThreeCharactersInAnyCase) {
  const std::vector<uint8_t> bytes = BuildBmp(Rgb24(2, 2, 0xFF0000));
  for (const char* name : {"blok.bmp", "BLOK.BMP", "blok.Bmp", "blokbmp"}) {
    ImagePtr image(LoadImage(WriteFile(name, bytes).c_str()));
    ASSERT_NE(image, nullptr) << name;
    EXPECT_EQ(Pixel(image.get(), 1, 1), RED) << name;
  }
  // A BMP file named .jpg or .png goes to that decoder, which refuses it.
  for (const char* name : {"blok.bmpx", "blok.gif", "blok.jpeg", "mp", "blok.JPG", "blok.Png"}) {
    EXPECT_EQ(LoadImage(WriteFile(name, bytes).c_str()), nullptr) << name;
  }
  EXPECT_EQ(LoadImage(nullptr), nullptr);
  for (const char* file : {"/pngsuite/basn2c08.png", "/jpeg/tiny-3x2-444.jpg"}) {
    ImagePtr image(LoadImage((std::string(BRAZDOVAR_TESTDATA) + file).c_str()));
    EXPECT_NE(image, nullptr) << file;
  }
}

TEST(BmpWithoutScreenTest, LoadingNeedsAScreen) {
  EXPECT_EQ(LoadImage(WriteFile("noscreen.bmp", BuildBmp(Rgb24(2, 2, 0))).c_str()), nullptr);
}

}  // namespace
}  // namespace imageio::testing
