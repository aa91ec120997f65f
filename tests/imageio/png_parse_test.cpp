// Chunk layer of the PNG decoder: signature, chunk walk and CRCs, header table,
// image data joining and inflation, palette, transparency, size arithmetic and
// the refusal of images too large for memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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

const Bytes IHDR = Chunk("IHDR", Header(1, 1, 8, 0));
const Bytes IDAT = Chunk("IDAT", Zlib({0, 1}));
const Bytes IEND = Chunk("IEND", {});
const Bytes TEXT = Chunk("tEXt", {'k', 0});
const Bytes PLTE4 = Chunk("PLTE", Bytes(12, 50));

Bytes WithHeaderByte(size_t at, uint8_t value) {
  Bytes header = Header(1, 1, 8, 0);
  header[at] = value;
  return Png({Chunk("IHDR", header), IDAT, IEND});
}

Bytes Changed(Bytes png, size_t at, uint8_t value, size_t count = 1) {
  std::fill_n(png.begin() + std::ptrdiff_t(at), count, value);
  return png;
}

// An image whose header passes the size checks or not: its data is one zero byte.
Bytes Sized(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType) {
  return Png({Chunk("IHDR", Header(width, height, depth, colourType)), Chunk("IDAT", Zlib({0})), IEND});
}

struct StatusCase {
  const char* what;
  Bytes png;
  int status;
};
void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.what; }
class PngParseStages : public ::testing::TestWithParam<StatusCase> {};

TEST_P(PngParseStages, StopsAtTheRightStage) { EXPECT_EQ(ParseStatus(GetParam().png), GetParam().status); }

Bytes Truncated(Bytes png) {
  png.pop_back();
  return png;
}
Bytes Trailing(Bytes png) {
  png.push_back(0);
  return png;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PngParseStages,
    ::testing::Values(
        StatusCase{"badSignature", Changed(Png({IHDR, IDAT, IEND}), 1, 'p'), PngBadSignature},
        StatusCase{"oneTrailingByte", Trailing(Png({IHDR, IDAT, IEND})), PngBadChunks},
        StatusCase{"iendNotLast", Png({IHDR, IDAT, IEND, TEXT}), PngBadChunks},
        StatusCase{"twoChunksNoIend", Png({IHDR, IDAT}), PngBadChunks},
        StatusCase{"truncatedIend", Truncated(Png({IHDR, IDAT, IEND})), PngBadChunks},
        // A length near 2^32 must not wrap the bounds check.
        StatusCase{"hugeChunkLength", Changed(Png({IHDR, IDAT, IEND}), 33, 0xFF, 4),
                   PngBadChunks},
        StatusCase{"noImageData", Png({IHDR, TEXT, IEND}), PngBadImageData},
        StatusCase{"emptyImageData", Png({IHDR, Chunk("IDAT", {}), IEND}), PngBadImageData},
        StatusCase{"widthZero", WithHeaderByte(3, 0), PngBadHeader},
        StatusCase{"heightZero", WithHeaderByte(7, 0), PngBadHeader},
        StatusCase{"compressionMethod", WithHeaderByte(10, 1), PngBadHeader},
        StatusCase{"filterMethod", WithHeaderByte(11, 1), PngBadHeader},
        StatusCase{"interlaceMethod", WithHeaderByte(12, 2), PngBadHeader},
        StatusCase{"headerOf14Bytes", Png({Chunk("IHDR", Trailing(Header(1, 1, 8, 0))), IDAT, IEND}),
                   PngBadHeader},
        StatusCase{"headerNotFirst", Png({TEXT, IHDR, IDAT, IEND}), PngBadHeader},
        // Too large for memory: refused at the header, before any data is joined.
        StatusCase{"max16BitRgba", Sized(0xFFFFFFFF, 0xFFFFFFFF, 16, 6), PngBadHeader},
        StatusCase{"maxWidth1Bit", Sized(0xFFFFFFFF, 1, 1, 0), PngBadHeader},
        StatusCase{"tenGigabytes", Sized(100000, 100000, 8, 6), PngBadHeader},
        StatusCase{"width2pow31", Sized(1u << 31, 1, 1, 0), PngBadHeader},
        StatusCase{"height2pow28", Sized(1, 1u << 28, 8, 0), PngBadHeader},
        StatusCase{"justOverLimit", Sized(11586, 11586, 8, 0), PngBadHeader},
        StatusCase{"justInsideLimit", Sized(8192, 8192, 8, 0), PngBadInflation},
        StatusCase{"inflatesShort", SimplePng(2, 1, 8, 0, {0, 1}), PngBadInflation},
        StatusCase{"inflatesLong", SimplePng(2, 1, 8, 0, {0, 1, 2, 3}), PngBadInflation},
        // Adam7 passes 1, 4, 5, 6 and 7 of a 3x3 image hold 2 + 2 + 3 + 4 + 4 = 15 bytes; five
        // 16-bit RGB pixels make 31-byte scanlines.
        StatusCase{"interlaced3x3Of15Bytes", SimplePng(3, 3, 8, 0, Bytes(15, 0), {}, 1), PngParsed},
        StatusCase{"interlaced3x3Of16Bytes", SimplePng(3, 3, 8, 0, Bytes(16, 0), {}, 1), PngBadInflation},
        StatusCase{"rgb16Width5Of62Bytes", SimplePng(5, 2, 16, 2, Bytes(62, 0)), PngParsed},
        StatusCase{"rgb16Width5Of60Bytes", SimplePng(5, 2, 16, 2, Bytes(60, 0)), PngBadInflation},
        StatusCase{"notZlib", Png({IHDR, Chunk("IDAT", {1, 2, 3, 4, 5, 6}), IEND}), PngBadInflation},
        StatusCase{"paletteMissing", SimplePng(1, 1, 8, 3, {0, 200}), PngBadPalette},
        StatusCase{"palette257Entries", SimplePng(1, 1, 8, 3, {0, 200}, {Chunk("PLTE", Bytes(771, 9))}),
                   PngBadPalette},
        // A palette chunk is ignored in a non-palette image.
        StatusCase{"paletteInGray", SimplePng(1, 1, 8, 0, {0, 1}, {Chunk("PLTE", Bytes(771, 9))}), PngParsed},
        StatusCase{"tRNSInGrayAlpha", SimplePng(1, 1, 8, 4, {0, 1, 2}, {Chunk("tRNS", {0, 0})}),
                   PngBadTransparency},
        StatusCase{"tRNSInRgba", SimplePng(1, 1, 8, 6, {0, 1, 2, 3, 4}, {Chunk("tRNS", Bytes(6, 0))}),
                   PngBadTransparency},
        StatusCase{"tRNSGrayOf6", SimplePng(1, 1, 8, 0, {0, 1}, {Chunk("tRNS", Bytes(6, 0))}),
                   PngBadTransparency},
        StatusCase{"tRNSRgbOf2", SimplePng(1, 1, 8, 2, {0, 1, 2, 3}, {Chunk("tRNS", Bytes(2, 0))}),
                   PngBadTransparency},
        StatusCase{"tRNSOf257", SimplePng(1, 1, 8, 3, {0, 0}, {PLTE4, Chunk("tRNS", Bytes(257, 0))}),
                   PngBadTransparency}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(PngParse, SmallestGrayImage) {
  const Bytes png = SimplePng(1, 1, 8, 0, {0, 128});
  ASSERT_EQ(png.size(), 67u);  // the zlib stream of {0, 128} is 10 bytes
  PngDecoder decoder;
  ASSERT_EQ(ParseStatus(png, &decoder), PngParsed);
  EXPECT_EQ(ExpectedRawSize(&decoder), 2u);
  EXPECT_EQ(InflationCapacity(2), 14u);
  ReleasePngDecoder(&decoder);
  EXPECT_EQ(DecodePixels(png), std::vector<uint32_t>{0xFF808080});
  EXPECT_EQ(DecodePng(png.data(), 48, TargetImageBuffer), nullptr);
  EXPECT_EQ(DecodePng(nullptr, png.size(), TargetImageBuffer), nullptr);
  // Over 2 GiB is refused before a byte is read.
  EXPECT_EQ(DecodePng(png.data(), (size_t{1} << 31) + 1, TargetImageBuffer), nullptr);
}

TEST(PngParse, JoinsSplitImageDataAroundOtherChunks) {
  const Bytes raw = {0, 10, 20, 30, 1, 5, 5, 5};
  const Bytes z = Zlib(raw);
  const Bytes png =
      Png({Chunk("IHDR", Header(3, 2, 8, 0)), Chunk("IDAT", Bytes(z.begin(), z.begin() + 3)),
           Chunk("IDAT", Bytes(z.begin() + 3, z.begin() + 6)), Chunk("tEXt", {'a', 0, 'b'}),
           Chunk("IDAT", Bytes(z.begin() + 6, z.end())), IEND});
  const std::vector<uint32_t> pixels = DecodePixels(png);
  EXPECT_EQ(pixels, DecodePixels(SimplePng(3, 2, 8, 0, raw)));
  EXPECT_EQ(pixels.at(4), 0xFF0A0A0Au);  // Sub: 5, 10, 15
}

TEST(PngParse, AnyFlippedCrcBitFails) {
  const Bytes png = SimplePng(1, 1, 8, 0, {0, 1}, {Chunk("tEXt", {'k', 0, 'v'})});
  // Chunk ends: IHDR 33, tEXt 48, IDAT, IEND at the end; each CRC is the last 4 bytes.
  for (size_t end : {size_t{33}, size_t{48}, png.size() - 12, png.size()}) {
    for (int bit : {0, 7}) {
      Bytes damaged = png;
      damaged[end - 1 - bit / 4] ^= static_cast<uint8_t>(1 << bit);
      EXPECT_EQ(ParseStatus(damaged), PngBadChunks) << "chunk ending at " << end;
    }
  }
  EXPECT_EQ(ParseStatus(png), PngParsed);
}

// Colour type and depth pairs outside the table (PngSuite has every valid pair).
TEST(PngParse, RefusesDepthsTheColourTypeDoesNotAllow) {
  const std::pair<uint8_t, uint8_t> pairs[] = {{0, 3}, {0, 32}, {2, 4}, {3, 16}, {4, 2},
                                               {6, 1}, {1, 8},  {5, 8}, {7, 8}};
  for (auto [colourType, depth] : pairs) {
    EXPECT_EQ(ParseStatus(SimplePng(1, 1, depth, colourType, {0, 0, 0, 0, 0, 0, 0, 0, 0})), PngBadHeader)
        << int(colourType) << "/" << int(depth);
  }
}

TEST(PngFile, RefusesWhatIsNotAReadableFile) {
  const std::string suite = BRAZDOVAR_TESTDATA "/pngsuite/";
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
