// DecodePng inflates the image data while it reconstructs the rows; ParsePng
// followed by ReconstructPng inflates it all first. Both must give the same
// image, or both null, however the data is split, cut short, overlong or
// followed by stray bytes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "display/image.h"
#include "imageio/png_decoder.h"
#include "png_test_writer.h"

namespace imageio::testing {
namespace {

struct FreeBlock {
  void operator()(void* block) const { std::free(block); }
};
using Decoded = std::unique_ptr<void, FreeBlock>;

Decoded ParseThenReconstruct(const Bytes& png) {
  PngDecoder decoder{};
  decoder.fileData = png.data();
  decoder.fileSize = static_cast<uint32_t>(png.size());
  ParsePng(&decoder);
  Decoded image(ReconstructPng(&decoder, TargetImageBuffer));
  ReleasePngDecoder(&decoder);
  return image;
}

// Decodes both ways; returns whether DecodePng succeeded.
bool ExpectSameOutcome(const Bytes& png, const char* what) {
  const Decoded streamed(DecodePng(png.data(), png.size(), TargetImageBuffer));
  const Decoded buffered = ParseThenReconstruct(png);
  EXPECT_EQ(streamed == nullptr, buffered == nullptr) << what;
  if (streamed == nullptr || buffered == nullptr) return false;
  const auto* image = static_cast<const display::Image*>(streamed.get());
  const size_t bytes = display::IMAGE_HEADER_SIZE + size_t{image->pitch} * image->height;
  EXPECT_EQ(std::memcmp(streamed.get(), buffered.get(), bytes), 0) << what;
  return true;
}

// RGB scanlines of random-walk pixels with a mix of filters, runs of Paeth among
// them (the decoder unfilters those four at a time).
Bytes Scanlines(uint32_t width, uint32_t height, std::mt19937& random) {
  Bytes raw;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t filter = (y / 3) % 3 == 0 ? static_cast<uint8_t>(random() % 5) : 4;
    raw.push_back(filter);
    for (uint32_t i = 0; i < width * 3; ++i) raw.push_back(static_cast<uint8_t>(random() % 7));
  }
  return raw;
}

// The zlib stream cut into IDAT chunks of `piece` bytes, a tEXt chunk after the
// first, then `after` (more chunks) before IEND.
Bytes Split(uint32_t width, uint32_t height, const Bytes& stream, size_t piece,
            const std::vector<Bytes>& after = {}) {
  std::vector<Bytes> chunks{Chunk("IHDR", Header(width, height, 8, 2))};
  for (size_t at = 0; at < stream.size(); at += piece) {
    const size_t end = std::min(stream.size(), at + piece);
    chunks.push_back(Chunk("IDAT", Bytes(stream.begin() + std::ptrdiff_t(at),
                                         stream.begin() + std::ptrdiff_t(end))));
    if (at == 0) chunks.push_back(Chunk("tEXt", {'k', 0, 'v'}));
  }
  chunks.insert(chunks.end(), after.begin(), after.end());
  chunks.push_back(Chunk("IEND", {}));
  return Png(chunks);
}

TEST(PngStream, SplitsOfTheImageDataDecodeAlike) {
  std::mt19937 random(3);
  // 400 x 300 RGB: far more than one inflation window, and a stored (level 0)
  // stream larger than the 64 KiB that is inflated in place.
  const uint32_t width = 400, height = 300;
  const Bytes raw = Scanlines(width, height, random);
  Bytes stored(compressBound(raw.size()));
  uLongf storedSize = stored.size();
  ASSERT_EQ(compress2(stored.data(), &storedSize, raw.data(), raw.size(), 0), Z_OK);
  stored.resize(storedSize);
  for (const Bytes& stream : {Zlib(raw), stored}) {
    for (size_t piece : {size_t{1}, size_t{13}, size_t{8192}, size_t{70000}, stream.size()}) {
      EXPECT_TRUE(ExpectSameOutcome(Split(width, height, stream, piece), "split")) << piece;
    }
  }
  // An IDAT chunk with a wrong CRC after a stream that lies in one large chunk:
  // nothing after the stream is read for inflating.
  Bytes png = Split(width, height, stored, stored.size(), {Chunk("IDAT", Bytes(70000, 9))});
  png[png.size() - 12 - 1] ^= 1;
  EXPECT_FALSE(ExpectSameOutcome(png, "bad CRC long after the stream"));
}

// Rows of over a megabyte are unfiltered at most two at a time.
TEST(PngStream, VeryWideRowsDecodeAlike) {
  std::mt19937 random(9);
  const uint32_t width = 360000, height = 4;
  Bytes raw;
  for (uint32_t y = 0; y < height; ++y) {
    raw.push_back(y == 2 ? 1 : 4);
    for (uint32_t i = 0; i < width * 3; ++i) raw.push_back(static_cast<uint8_t>(random() % 5));
  }
  const Bytes png = Png({Chunk("IHDR", Header(width, height, 8, 2)), Chunk("IDAT", Zlib(raw)),
                         Chunk("IEND", {})});
  EXPECT_TRUE(ExpectSameOutcome(png, "wide"));
}

TEST(PngStream, DamagedImageDataFailsAlike) {
  std::mt19937 random(5);
  const uint32_t width = 61, height = 47;
  const Bytes raw = Scanlines(width, height, random);
  const Bytes stream = Zlib(raw);
  Bytes withTail = stream;  // bytes after the stream's end are ignored
  withTail.insert(withTail.end(), {1, 2, 3});
  EXPECT_TRUE(ExpectSameOutcome(Split(width, height, withTail, 100), "tail"));
  const Bytes badCrcAfterEnd = [&] {
    Bytes png = Split(width, height, stream, 100, {Chunk("IDAT", {9, 9})});
    png[png.size() - 12 - 1] ^= 1;  // the last IDAT's CRC, before IEND
    return png;
  }();
  EXPECT_FALSE(ExpectSameOutcome(badCrcAfterEnd, "bad CRC after the stream"));
  Bytes longer = raw, shorter = raw, badFilter = raw;
  longer.push_back(0);
  shorter.pop_back();
  badFilter[(height - 1) * (width * 3 + 1)] = 5;
  EXPECT_FALSE(ExpectSameOutcome(Split(width, height, Zlib(longer), 100), "longer"));
  EXPECT_FALSE(ExpectSameOutcome(Split(width, height, Zlib(shorter), 100), "shorter"));
  EXPECT_FALSE(ExpectSameOutcome(Split(width, height, Zlib(badFilter), 100), "filter 5"));
  Bytes badCheck = stream;
  badCheck.back() ^= 0x40;  // the Adler-32 value
  EXPECT_FALSE(ExpectSameOutcome(Split(width, height, badCheck, 100), "Adler-32"));
  // Every cut of the stream, and a flipped bit at every 37th byte.
  for (size_t cut = 0; cut < stream.size(); ++cut) {
    const Bytes part(stream.begin(), stream.begin() + std::ptrdiff_t(cut));
    ExpectSameOutcome(Split(width, height, part.empty() ? Bytes{0} : part, 50), "cut");
  }
  for (size_t at = 0; at < stream.size(); at += 37) {
    Bytes flipped = stream;
    flipped[at] ^= 0x10;
    ExpectSameOutcome(Split(width, height, flipped, 50), "flipped");
  }
}

}  // namespace
}  // namespace imageio::testing
