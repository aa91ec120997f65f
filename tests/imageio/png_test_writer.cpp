// In-memory PNG writer for the decoder tests.
#include "png_test_writer.h"

#include <zlib.h>

#include <cstdlib>

#include "display/image.h"

namespace imageio::testing {

namespace {

void PutBigEndian32(Bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

Bytes Zlib(const Bytes& raw) {
  uLongf size = compressBound(raw.size());
  Bytes out(size);
  compress(out.data(), &size, raw.data(), raw.size());
  out.resize(size);
  return out;
}

Bytes Chunk(const std::string& type, const Bytes& data) {
  Bytes out;
  PutBigEndian32(out, static_cast<uint32_t>(data.size()));
  for (char c : type) out.push_back(static_cast<uint8_t>(c));
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
  if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
  PutBigEndian32(out, static_cast<uint32_t>(crc));
  return out;
}

Bytes Header(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
             uint8_t interlace) {
  Bytes out;
  PutBigEndian32(out, width);
  PutBigEndian32(out, height);
  out.insert(out.end(), {depth, colourType, 0, 0, interlace});
  return out;
}

Bytes Png(const std::vector<Bytes>& chunks) {
  Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
  for (const Bytes& chunk : chunks) out.insert(out.end(), chunk.begin(), chunk.end());
  return out;
}

Bytes SimplePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
                const Bytes& raw, const std::vector<Bytes>& extra, uint8_t interlace) {
  std::vector<Bytes> chunks = {Chunk("IHDR", Header(width, height, depth, colourType, interlace))};
  chunks.insert(chunks.end(), extra.begin(), extra.end());
  chunks.push_back(Chunk("IDAT", Zlib(raw)));
  chunks.push_back(Chunk("IEND", {}));
  return Png(chunks);
}

std::vector<uint32_t> DecodePixels(const Bytes& png) {
  auto* image = static_cast<display::Image*>(DecodePng(png.data(), png.size(), TargetImageBuffer));
  if (image == nullptr) return {};
  std::vector<uint32_t> pixels;
  for (uint32_t y = 0; y < image->height; ++y) {
    const uint32_t* row = display::ImageRow32(image, y);
    pixels.insert(pixels.end(), row, row + image->width);
  }
  std::free(image);
  return pixels;
}

}  // namespace imageio::testing
