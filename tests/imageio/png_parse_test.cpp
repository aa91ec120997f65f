// Chunk layer of the PNG decoder: signature, chunk walk and CRCs, header table,
// image data joining and inflation, palette, transparency, size arithmetic and
// the refusal of images too large for memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "imageio/png_decoder.h"
#include "png_test_writer.h"

namespace imageio::testing {
namespace {

// Parses `png` and returns the stage result; the decoder is released.
int ParseStatus(const Bytes& png, PngDecoder* out = nullptr) {
  PngDecoder decoder{};
  decoder.fileData = png.data();
  decoder.fileSize = static_cast<uint32_t>(png.size());
  const int status = ParsePng(&decoder);
  if (out != nullptr)
    *out = decoder;
  else
    ReleasePngDecoder(&decoder);
  return status;
}

Bytes OnePixelGray(uint8_t value) { return SimplePng(1, 1, 8, 0, {0, value}); }

TEST(PngParse, SmallestGrayImage) {
  const Bytes png = OnePixelGray(128);
  ASSERT_EQ(png.size(), 67u);  // the zlib stream of {0, 128} is 10 bytes
  PngDecoder decoder;
  ASSERT_EQ(ParseStatus(png, &decoder), PngParsed);
  EXPECT_EQ(ExpectedRawSize(&decoder), 2u);
  EXPECT_EQ(InflationCapacity(2), 14u);
  EXPECT_EQ(decoder.imageDataSize, 2u);
  EXPECT_EQ(decoder.bytesPerPixel, 1u);
  EXPECT_EQ(decoder.chunkCount, 3u);
  ReleasePngDecoder(&decoder);
  EXPECT_EQ(DecodePixels(png), std::vector<uint32_t>{0xFF808080});
}

TEST(PngParse, RefusesShortOrMissingInput) {
  const Bytes png = OnePixelGray(128);
  EXPECT_EQ(DecodePng(png.data(), 48, TargetImageBuffer), nullptr);
  EXPECT_EQ(DecodePng(nullptr, png.size(), TargetImageBuffer), nullptr);
  // Over 2 GiB is refused before a byte is read.
  EXPECT_EQ(DecodePng(png.data(), (size_t{1} << 31) + 1, TargetImageBuffer), nullptr);
  Bytes badSignature = png;
  badSignature[1] = 'p';
  EXPECT_EQ(ParseStatus(badSignature), PngBadSignature);
}

TEST(PngParse, JoinsSplitImageDataAroundOtherChunks) {
  const Bytes raw = {0, 10, 20, 30, 1, 5, 5, 5};
  const Bytes z = Zlib(raw);
  const Bytes png =
      Png({Chunk("IHDR", Header(3, 2, 8, 0)), Chunk("IDAT", Bytes(z.begin(), z.begin() + 3)),
           Chunk("IDAT", Bytes(z.begin() + 3, z.begin() + 6)), Chunk("tEXt", {'a', 0, 'b'}),
           Chunk("IDAT", Bytes(z.begin() + 6, z.end())), Chunk("IEND", {})});
  EXPECT_EQ(DecodePixels(png), DecodePixels(SimplePng(3, 2, 8, 0, raw)));
  EXPECT_EQ(DecodePixels(png)[4], 0xFF0A0A0Au);  // Sub: 5, 10, 15
}

TEST(PngParse, AnyFlippedCrcBitFails) {
  const Bytes png = SimplePng(1, 1, 8, 0, {0, 1}, {Chunk("tEXt", {'k', 0, 'v'})});
  // Chunk ends: IHDR 33, tEXt 48, IDAT, IEND at the end; each CRC is the last 4 bytes.
  std::vector<size_t> crcEnds = {33, 48, png.size() - 12, png.size()};
  for (size_t end : crcEnds) {
    for (int bit : {0, 7}) {
      Bytes damaged = png;
      damaged[end - 1 - bit / 4] ^= static_cast<uint8_t>(1 << bit);
      EXPECT_EQ(ParseStatus(damaged), PngBadChunks) << "chunk ending at " << end;
    }
  }
  EXPECT_EQ(ParseStatus(png), PngParsed);
}

TEST(PngParse, FileMustEndExactlyWithIend) {
  Bytes trailing = OnePixelGray(1);
  trailing.push_back(0);
  EXPECT_EQ(ParseStatus(trailing), PngBadChunks);
  const Bytes header = Chunk("IHDR", Header(1, 1, 8, 0));
  const Bytes data = Chunk("IDAT", Zlib({0, 1}));
  EXPECT_EQ(ParseStatus(Png({header, data, Chunk("IEND", {}), Chunk("tEXt", {'k', 0})})),
            PngBadChunks);
  EXPECT_EQ(ParseStatus(Png({header, data})), PngBadChunks);  // two chunks, no IEND
  Bytes truncated = Png({header, data, Chunk("IEND", {})});
  truncated.resize(truncated.size() - 1);
  EXPECT_EQ(ParseStatus(truncated), PngBadChunks);
  // A length near 2^32 must not wrap the bounds check.
  Bytes huge = Png({header, data, Chunk("IEND", {})});
  huge[33] = huge[34] = huge[35] = huge[36] = 0xFF;
  EXPECT_EQ(ParseStatus(huge), PngBadChunks);
  EXPECT_EQ(ParseStatus(Png({header, Chunk("tEXt", {'k', 0}), Chunk("IEND", {})})),
            PngBadImageData);
  EXPECT_EQ(ParseStatus(Png({header, Chunk("IDAT", {}), Chunk("IEND", {})})), PngBadImageData);
}

struct HeaderCase {
  uint8_t colourType, depth;
  bool valid;
};
class PngHeaderTable : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(PngHeaderTable, AcceptsExactlyTheListedPairs) {
  const HeaderCase c = GetParam();
  PngDecoder decoder{};
  decoder.colourType = c.colourType;
  decoder.bitDepth = c.depth;
  decoder.width = 1;
  const Bytes raw(1 + (ScanlineBytes(&decoder, 1) - 1), 0);
  const Bytes palette = Chunk("PLTE", {1, 2, 3});
  const int status = ParseStatus(SimplePng(1, 1, c.depth, c.colourType, raw, {palette}));
  EXPECT_EQ(status, c.valid ? PngParsed : PngBadHeader);
}

INSTANTIATE_TEST_SUITE_P(
    AllPairs, PngHeaderTable,
    ::testing::Values(HeaderCase{0, 1, true}, HeaderCase{0, 2, true}, HeaderCase{0, 4, true},
                      HeaderCase{0, 8, true}, HeaderCase{0, 16, true}, HeaderCase{0, 3, false},
                      HeaderCase{0, 32, false}, HeaderCase{2, 8, true}, HeaderCase{2, 16, true},
                      HeaderCase{2, 4, false}, HeaderCase{3, 1, true}, HeaderCase{3, 8, true},
                      HeaderCase{3, 16, false}, HeaderCase{4, 8, true}, HeaderCase{4, 16, true},
                      HeaderCase{4, 2, false}, HeaderCase{6, 8, true}, HeaderCase{6, 16, true},
                      HeaderCase{6, 1, false}, HeaderCase{1, 8, false}, HeaderCase{5, 8, false},
                      HeaderCase{7, 8, false}));

TEST(PngParse, RefusesBadHeaderFields) {
  const Bytes data = Chunk("IDAT", Zlib({0, 1}));
  const Bytes end = Chunk("IEND", {});
  auto withHeaderByte = [&](size_t at, uint8_t value) {
    Bytes header = Header(1, 1, 8, 0);
    header[at] = value;
    return ParseStatus(Png({Chunk("IHDR", header), data, end}));
  };
  EXPECT_EQ(withHeaderByte(3, 0), PngBadHeader);   // width 0
  EXPECT_EQ(withHeaderByte(7, 0), PngBadHeader);   // height 0
  EXPECT_EQ(withHeaderByte(10, 1), PngBadHeader);  // compression method
  EXPECT_EQ(withHeaderByte(11, 1), PngBadHeader);  // filter method
  EXPECT_EQ(withHeaderByte(12, 2), PngBadHeader);  // interlace method
  Bytes longHeader = Header(1, 1, 8, 0);
  longHeader.push_back(0);
  EXPECT_EQ(ParseStatus(Png({Chunk("IHDR", longHeader), data, end})), PngBadHeader);
  EXPECT_EQ(
      ParseStatus(Png({Chunk("tEXt", {'k', 0}), Chunk("IHDR", Header(1, 1, 8, 0)), data, end})),
      PngBadHeader);
}

TEST(PngParse, InflatedSizeMustMatchExactly) {
  EXPECT_EQ(ParseStatus(SimplePng(2, 1, 8, 0, {0, 1})), PngBadInflation);
  EXPECT_EQ(ParseStatus(SimplePng(2, 1, 8, 0, {0, 1, 2, 3})), PngBadInflation);
  Bytes garbage = Png(
      {Chunk("IHDR", Header(1, 1, 8, 0)), Chunk("IDAT", {1, 2, 3, 4, 5, 6}), Chunk("IEND", {})});
  EXPECT_EQ(ParseStatus(garbage), PngBadInflation);
}

TEST(PngParse, PaletteRules) {
  const Bytes raw = {0, 200};
  EXPECT_EQ(ParseStatus(SimplePng(1, 1, 8, 3, raw)), PngBadPalette);
  EXPECT_EQ(ParseStatus(SimplePng(1, 1, 8, 3, raw, {Chunk("PLTE", Bytes(771, 9))})), PngBadPalette);
  PngDecoder decoder;
  ASSERT_EQ(ParseStatus(SimplePng(1, 1, 8, 3, raw, {Chunk("PLTE", Bytes(31, 9))}), &decoder),
            PngParsed);
  EXPECT_EQ(decoder.paletteCount, 10u);
  EXPECT_EQ(decoder.palette[10][0], 0);
  ReleasePngDecoder(&decoder);
  // Beyond the 10 entries the palette is black.
  EXPECT_EQ(DecodePixels(SimplePng(1, 1, 8, 3, raw, {Chunk("PLTE", Bytes(30, 9))})),
            std::vector<uint32_t>{0xFF000000});
  // A palette chunk is ignored in a non-palette image.
  EXPECT_EQ(ParseStatus(SimplePng(1, 1, 8, 0, raw, {Chunk("PLTE", Bytes(771, 9))})), PngParsed);
}

TEST(PngParse, TransparencyRules) {
  const Bytes palette = Chunk("PLTE", Bytes(12, 50));
  PngDecoder decoder;
  ASSERT_EQ(
      ParseStatus(SimplePng(1, 1, 8, 3, {0, 0}, {palette, Chunk("tRNS", {10, 20, 30})}), &decoder),
      PngParsed);
  EXPECT_EQ(decoder.transparencyPresent, 0xFFFFFFFFu);
  EXPECT_EQ(decoder.paletteAlpha[2], 30);
  EXPECT_EQ(decoder.paletteAlpha[3], 255);
  EXPECT_EQ(decoder.paletteAlpha[255], 255);
  ReleasePngDecoder(&decoder);
  EXPECT_EQ(ParseStatus(SimplePng(1, 1, 8, 4, {0, 1, 2}, {Chunk("tRNS", {0, 0})})),
            PngBadTransparency);
  EXPECT_EQ(ParseStatus(SimplePng(1, 1, 8, 6, {0, 1, 2, 3, 4}, {Chunk("tRNS", Bytes(6, 0))})),
            PngBadTransparency);
  EXPECT_EQ(ParseStatus(SimplePng(1, 1, 8, 0, {0, 1}, {Chunk("tRNS", Bytes(6, 0))})),
            PngBadTransparency);
  EXPECT_EQ(ParseStatus(SimplePng(1, 1, 8, 2, {0, 1, 2, 3}, {Chunk("tRNS", Bytes(2, 0))})),
            PngBadTransparency);
  EXPECT_EQ(ParseStatus(SimplePng(1, 1, 8, 3, {0, 0}, {palette, Chunk("tRNS", Bytes(257, 0))})),
            PngBadTransparency);
}

TEST(PngParse, ScanlineAndRawSizes) {
  PngDecoder d{};
  d.width = d.height = 3;
  d.bitDepth = 8;
  d.interlaceMethod = 1;
  const uint64_t lines[7] = {2, 0, 2, 2, 3, 2, 4};
  const uint32_t rows[7] = {1, 0, 0, 1, 1, 2, 1};
  for (uint32_t pass = 1; pass <= 7; ++pass) {
    EXPECT_EQ(ScanlineBytes(&d, pass), lines[pass - 1]) << pass;
    EXPECT_EQ(PassRows(&d, pass), rows[pass - 1]) << pass;
  }
  EXPECT_EQ(ExpectedRawSize(&d), 15u);
  d = PngDecoder{};
  d.width = 5;
  d.height = 2;
  d.bitDepth = 16;
  d.colourType = 2;
  EXPECT_EQ(ScanlineBytes(&d, 1), 31u);
  EXPECT_EQ(ExpectedRawSize(&d), 62u);
  d.colourType = 0;
  d.bitDepth = 1;
  d.width = 10;
  EXPECT_EQ(ScanlineBytes(&d, 1), 3u);
}

TEST(PngParse, RefusesImagesTooLargeBeforeAllocating) {
  struct Case {
    uint32_t width, height;
    uint8_t depth, colourType;
  };
  for (Case c :
       {Case{0xFFFFFFFF, 0xFFFFFFFF, 16, 6}, Case{0xFFFFFFFF, 1, 1, 0}, Case{100000, 100000, 8, 6},
        Case{1u << 31, 1, 1, 0}, Case{1, 1u << 28, 8, 0}, Case{11586, 11586, 8, 0}}) {
    // Header stage fails, so the image data is never joined nor inflated.
    EXPECT_EQ(ParseStatus(Png({Chunk("IHDR", Header(c.width, c.height, c.depth, c.colourType)),
                               Chunk("IDAT", Zlib({0})), Chunk("IEND", {})})),
              PngBadHeader)
        << c.width << "x" << c.height;
  }
  // Just inside the limit the header passes and inflation decides.
  EXPECT_EQ(ParseStatus(Png({Chunk("IHDR", Header(8192, 8192, 8, 0)), Chunk("IDAT", Zlib({0})),
                             Chunk("IEND", {})})),
            PngBadInflation);
}

TEST(PngFile, LoadsFilesAndRefusesWhatIsNotOne) {
  const std::string suite = BRAZDOVAR_TESTDATA "/pngsuite/";
  display::Image* image = LoadPng((suite + "basn2c08.png").c_str());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->type, 7u);
  EXPECT_EQ(image->bytesPerPixel, 4u);
  EXPECT_EQ(image->width, 32u);
  EXPECT_EQ(image->height, 32u);
  EXPECT_EQ(image->pitch, 128u);
  std::free(image);
  EXPECT_EQ(LoadPng((suite + "missing.png").c_str()), nullptr);
  EXPECT_EQ(LoadPng(suite.c_str()), nullptr);  // a directory
  EXPECT_EQ(LoadPng(nullptr), nullptr);
  const std::string empty = std::filesystem::temp_directory_path() / "brazdovar-empty.png";
  std::fclose(std::fopen(empty.c_str(), "wb"));
  uint32_t size = 1;
  EXPECT_EQ(ReadWholeFile(empty.c_str(), &size), nullptr);
  EXPECT_EQ(size, 0u);
  std::remove(empty.c_str());
}

}  // namespace
}  // namespace imageio::testing
