// The BMP reader on files built byte by byte: palettes and the display palette,
// refusals, truncation, run-length data, bit fields and hostile headers.
#include "imageio/bmp.h"

#include <initializer_list>

#include "bmp_files.h"
#include "display/blit.h"
#include "imageio/load_image.h"

namespace imageio::testing {
namespace {

using display::ImagePtr;

constexpr uint32_t RED = 0xFFFF0000u, GREEN = 0xFF00FF00u, BLUE = 0xFF0000FFu;

// One stored 24-bit row: blue, green, red per pixel, padded to 4 bytes.
void AppendRow24(std::vector<uint8_t>& out, std::initializer_list<uint32_t> colours) {
  size_t n = 0;
  for (uint32_t c : colours) {
    for (int shift : {0, 8, 16}) out.push_back(uint8_t(c >> shift));
    n += 3;
  }
  out.resize(out.size() + (4 - n % 4) % 4, 0xEE);
}

BmpSpec Rgb24(int32_t width, int32_t height, uint32_t colour) {
  BmpSpec layout{.width = width, .height = height, .bitCount = 24};
  for (int32_t y = 0; y < height; ++y) {
    std::vector<uint8_t> row;
    for (int32_t x = 0; x < width; ++x) {
      for (int shift : {0, 8, 16}) row.push_back(uint8_t(colour >> shift));
    }
    row.resize((row.size() + 3) / 4 * 4, 0);
    layout.pixels.insert(layout.pixels.end(), row.begin(), row.end());
  }
  return layout;
}

ImagePtr Load(const std::string& name, const BmpSpec& layout) {
  return ImagePtr(LoadBmp(WriteFile(name, BuildBmp(layout)).c_str()));
}

// ReadBmp into a fresh key-coloured image of the file's size.
int Read(const std::string& name, const BmpSpec& layout, ImagePtr* image) {
  image->reset(display::CreateImage(layout.width, layout.height, 0, 0, display::DEFAULT_COLOUR_FLAG));
  return ReadBmp(WriteFile(name, BuildBmp(layout)).c_str(), image->get());
}

class BmpTest : public ScreenTest {};

TEST_F(BmpTest, ShortPaletteLeavesHigherIndicesToTheDisplayPalette) {
  display::SetPaletteEntry(200, 0x00332211);  // blue 0x33, green 0x22, red 0x11
  BmpSpec layout{.width = 4, .height = 1, .bitCount = 8, .pixels = {0, 5, 200, 15}};
  for (uint32_t i = 0; i < 16; ++i) layout.palette.push_back(i * 0x0F0101u);
  ImagePtr image;
  ASSERT_EQ(Read("pal8.bmp", layout, &image), BMP_OK);
  EXPECT_EQ(Pixel(image.get(), 0, 0), 0xFF000000u);
  EXPECT_EQ(Pixel(image.get(), 1, 0), 0xFF4B0505u);
  EXPECT_EQ(Pixel(image.get(), 2, 0), 0xFF112233u);
  EXPECT_EQ(Pixel(image.get(), 3, 0), 0xFFE10F0Fu);
  // The file's colours went into the display palette (red in the low byte).
  EXPECT_EQ(display::GetPaletteEntry(5), 0x0005054Bu);
}

// --- refusals ----------------------------------------------------------------

struct RefusalCase {
  const char* what;
  BmpSpec layout;
  int status;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.what; }

class BmpRefusalTest : public ScreenTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(BmpRefusalTest, LeavesEveryPixelTheFillColour) {
  ImagePtr image;
  EXPECT_EQ(Read("refused.bmp", GetParam().layout, &image), GetParam().status);
  ExpectPixels(image.get(), [](uint32_t, uint32_t) { return FILL; });
}

BmpSpec With(BmpSpec layout, void (*change)(BmpSpec&)) {
  change(layout);
  return layout;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, BmpRefusalTest,
    ::testing::Values(
        RefusalCase{"16bit", With(Rgb24(10, 10, 0), [](BmpSpec& s) { s.bitCount = 16; }), BMP_REFUSED},
        RefusalCase{"15bit", With(Rgb24(4, 4, 0), [](BmpSpec& s) { s.bitCount = 15; }), BMP_REFUSED},
        RefusalCase{"2bit", With(Rgb24(4, 4, 0), [](BmpSpec& s) { s.bitCount = 2; }), BMP_REFUSED},
        RefusalCase{"64bit", With(Rgb24(4, 4, 0), [](BmpSpec& s) { s.bitCount = 64; }), BMP_REFUSED},
        RefusalCase{"16bitFields", With(Rgb24(4, 4, 0), [](BmpSpec& s) {
                      s.bitCount = 16; s.compression = 3; s.masks = {0xF800, 0x07E0, 0x001F}; }),
                    BMP_REFUSED},
        RefusalCase{"24bitFields", With(Rgb24(4, 4, 0), [](BmpSpec& s) {
                      s.compression = 3; s.masks = {0xFF0000, 0xFF00, 0xFF}; }), BMP_REFUSED},
        RefusalCase{"jpegInside", With(Rgb24(4, 4, 0), [](BmpSpec& s) { s.compression = 4; }), BMP_REFUSED},
        RefusalCase{"rle8On4Bits", With(Rgb24(4, 4, 0), [](BmpSpec& s) { s.bitCount = 4; s.compression = 1; }), BMP_REFUSED},
        RefusalCase{"signatureBA", With(Rgb24(3, 2, 0), [](BmpSpec& s) { s.signature[1] = 'A'; }), BMP_MALFORMED},
        RefusalCase{"infoHeader108", With(Rgb24(3, 2, 0), [](BmpSpec& s) { s.infoSize = 108; }), BMP_MALFORMED},
        RefusalCase{"offsetBelow54", With(Rgb24(3, 2, 0), [](BmpSpec& s) { s.dataOffset = 50; }), BMP_MALFORMED},
        RefusalCase{"offsetBeyond256Entries", With(Rgb24(3, 2, 0), [](BmpSpec& s) {
                      s.palette.assign(257, 0); s.dataOffset = 54 + 257 * 4; }), BMP_MALFORMED},
        RefusalCase{"memoryDumpFD", With(Rgb24(3, 2, 0), [](BmpSpec& s) { s.signature[0] = char(0xFD); }), BMP_MALFORMED},
        RefusalCase{"memoryDumpFE", With(Rgb24(3, 2, 0), [](BmpSpec& s) { s.signature[0] = char(0xFE); }), BMP_MALFORMED}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(BmpTest, FullPaletteOf256EntriesIsAccepted) {
  BmpSpec layout{.width = 1, .height = 1, .bitCount = 8, .pixels = {255, 0, 0, 0}};
  layout.palette.assign(256, 0x123456);
  ImagePtr image;
  ASSERT_EQ(Read("pal256.bmp", layout, &image), BMP_OK);
  EXPECT_EQ(Pixel(image.get(), 0, 0), 0xFF123456u);
}

TEST_F(BmpTest, FileEndingBeforeItsRowsStillSetsThePalette) {
  BmpSpec layout{.width = 4000, .height = 2, .bitCount = 8, .palette = {0x0A0B0C}};
  ImagePtr image;
  ASSERT_EQ(Read("norows.bmp", layout, &image), BMP_MALFORMED);
  EXPECT_EQ(display::GetPaletteEntry(0), 0x000C0B0Au);
  EXPECT_EQ(Pixel(image.get(), 0, 0), FILL);
}

TEST_F(BmpTest, HugeOrMissingFilesYieldNull) {
  BmpSpec layout = Rgb24(1, 1, 0);
  layout.width = 100000;
  layout.height = 100000;  // 40 GB of pixels: beyond 32-bit sizes
  EXPECT_EQ(Load("huge.bmp", layout), nullptr);
  layout.width = 0x7FFFFFFF;
  layout.height = 1;
  EXPECT_EQ(Load("wide.bmp", layout), nullptr);
  EXPECT_EQ(LoadBmp("/nonexistent/x.bmp"), nullptr);
  ImagePtr image(display::CreateImage(2, 2, 0, 0, display::DEFAULT_COLOUR_FLAG));
  EXPECT_EQ(ReadBmp("/nonexistent/x.bmp", image.get()), BMP_CANNOT_OPEN);
}

// --- run-length data --------------------------------------------------------------

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

TEST_F(BmpTest, Rle4DecodesAlternatingRunsAndOddAbsoluteRuns) {
  BmpSpec layout{.width = 8, .height = 1, .bitCount = 4, .compression = 2,
               .palette = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000},
               .pixels = {5, 0x12,             // 1 2 1 2 1
                          0, 3, 0x32, 0x10,    // absolute 3 2 1 (2 bytes, no pad)
                          0, 1}};
  ImagePtr image;
  ASSERT_EQ(Read("rle4.bmp", layout, &image), BMP_OK);
  const uint32_t line[8] = {BLUE, GREEN, BLUE, GREEN, BLUE, RED, GREEN, BLUE};
  ExpectPixels(image.get(), [&](uint32_t x, uint32_t) { return line[x]; });

  // An odd number of packed bytes is followed by a pad byte.
  layout.pixels = {0, 5, 0x12, 0x31, 0x20, 0, 0, 1};
  ASSERT_EQ(Read("rle4pad.bmp", layout, &image), BMP_OK);
  const uint32_t padded[8] = {BLUE, GREEN, RED, BLUE, GREEN, FILL, FILL, FILL};
  ExpectPixels(image.get(), [&](uint32_t x, uint32_t) { return padded[x]; });
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

// --- bit fields ----------------------------------------------------------------

TEST_F(BmpTest, ThirtyTwoBitFieldsFollowTheirMasks) {
  // Red in the top byte, green in bits 4-11, blue in bits 16-23; a 5-bit red
  // mask is stretched to 8 bits.
  BmpSpec layout{.width = 2, .height = 1, .bitCount = 32, .compression = 3,
               .masks = {0xFF000000u, 0x00000FF0u, 0x00FF0000u}};
  const uint32_t pixel = 0x12345670u;  // red 0x12, green 0x67, blue 0x34
  for (uint8_t b : {uint8_t(pixel), uint8_t(pixel >> 8), uint8_t(pixel >> 16), uint8_t(pixel >> 24)}) {
    layout.pixels.push_back(b);
  }
  layout.pixels.insert(layout.pixels.end(), {0, 0, 0, 0});
  ImagePtr image;
  ASSERT_EQ(Read("bf.bmp", layout, &image), BMP_OK);
  EXPECT_EQ(Pixel(image.get(), 0, 0), 0xFF126734u);
  EXPECT_EQ(Pixel(image.get(), 1, 0), 0xFF000000u);

  layout.masks = {0x1Fu << 10, 0x1Fu << 5, 0x1Fu};
  layout.pixels = {0xFF, 0x7F, 0, 0, 0x10, 0, 0, 0};
  ASSERT_EQ(Read("bf555.bmp", layout, &image), BMP_OK);
  EXPECT_EQ(Pixel(image.get(), 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(image.get(), 1, 0), 0xFF000084u);  // blue 16 of 31
}

// --- other pixel sizes ----------------------------------------------------------

TEST_F(BmpTest, SixteenBitScreenGetsFiveSixFivePixels) {
  display::CloseScreen();
  OpenScreen(16);
  BmpSpec layout{.width = 2, .height = 1, .bitCount = 24};
  AppendRow24(layout.pixels, {0xFF8040, 0xFF00FF});
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
  BmpSpec layout = Rgb24(4, 4, 0x0000FF);
  ImagePtr small(display::CreateImage(2, 3, 0, 0, display::DEFAULT_COLOUR_FLAG));
  ASSERT_EQ(ReadBmp(WriteFile("big.bmp", BuildBmp(layout)).c_str(), small.get()), BMP_OK);
  ExpectPixels(small.get(), [](uint32_t, uint32_t) { return BLUE; });
  ImagePtr large(display::CreateImage(6, 6, 0, 0, display::DEFAULT_COLOUR_FLAG));
  ASSERT_EQ(ReadBmp(WriteFile("big.bmp", BuildBmp(layout)).c_str(), large.get()), BMP_OK);
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
  for (const char* name : {"blok.bmpx", "blok.gif", "blok.jpeg", "mp"}) {
    EXPECT_EQ(LoadImage(WriteFile(name, bytes).c_str()), nullptr) << name;
  }
  EXPECT_EQ(LoadImage(nullptr), nullptr);
}

TEST_F(BmpTest, PngAndJpegNamesGoToTheirDecoders) {
  const std::string png = std::string(BRAZDOVAR_TESTDATA) + "/pngsuite/basn2c08.png";
  ImagePtr picture(LoadImage(png.c_str()));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->width, 32u);
  EXPECT_EQ(picture->pitch % 32, 0u);
  const std::string jpeg = std::string(BRAZDOVAR_TESTDATA) + "/jpeg/tiny-3x2-444.jpg";
  ImagePtr image(LoadImage(jpeg.c_str()));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 3u);
  EXPECT_EQ(image->height, 2u);
  // A BMP file named .jpg or .png is read as such, and refused.
  EXPECT_EQ(LoadImage(WriteFile("blok.JPG", BuildBmp(Rgb24(2, 2, 0))).c_str()), nullptr);
  EXPECT_EQ(LoadImage(WriteFile("blok.Png", BuildBmp(Rgb24(2, 2, 0))).c_str()), nullptr);
}

TEST(BmpWithoutScreenTest, LoadingNeedsAScreen) {
  const std::vector<uint8_t> bytes = BuildBmp(Rgb24(2, 2, 0));
  EXPECT_EQ(LoadImage(WriteFile("noscreen.bmp", bytes).c_str()), nullptr);
}

}  // namespace
}  // namespace imageio::testing
