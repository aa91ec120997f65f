// Differential fuzzing against libpng: wherever both decoders accept an input they
// must give the same RGBA pixels. Chunk CRCs are repaired first so that mutations
// reach the header, palette, transparency and image data instead of dying at the
// CRC check. Inputs where the two disagree by design are skipped (see Skip).
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imageio/png.h"
#include "libpng_reference.h"

namespace {

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Rewrites the CRC of every complete chunk after the signature.
void RepairCrcs(std::vector<uint8_t>& png) {
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length = BigEndian32(&png[at]);
    if (length > png.size() - at - 12) break;
    const uint32_t crc = static_cast<uint32_t>(crc32(0, &png[at + 4], length + 4));
    uint8_t* field = &png[at + 8 + length];
    field[0] = static_cast<uint8_t>(crc >> 24);
    field[1] = static_cast<uint8_t>(crc >> 16);
    field[2] = static_cast<uint8_t>(crc >> 8);
    field[3] = static_cast<uint8_t>(crc);
    at += size_t{length} + 12;
  }
}

// Files the two decoders read differently by design: libpng drops a palette
// "tRNS" longer than the palette and a "tRNS" after the image data, and masks
// gray and RGB keys to the bit depth, where this decoder takes the first "tRNS"
// wherever it stands and compares keys on all 16 bits.
bool Skip(const std::vector<uint8_t>& png) {
  bool seenData = false;
  uint32_t paletteEntries = 0;
  uint8_t depth = 0;
  uint8_t colourType = 0;
  for (size_t at = 8; at + 12 <= png.size();) {
    const uint32_t length = BigEndian32(&png[at]);
    if (length > png.size() - at - 12) break;
    const uint8_t* type = &png[at + 4];
    const uint8_t* data = &png[at + 8];
    if (std::memcmp(type, "IHDR", 4) == 0 && length == 13) {
      depth = data[8];
      colourType = data[9];
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      seenData = true;
    } else if (std::memcmp(type, "PLTE", 4) == 0 && paletteEntries == 0) {
      paletteEntries = length / 3;
    } else if (std::memcmp(type, "tRNS", 4) == 0) {
      if (seenData || (colourType == 3 && length > paletteEntries)) return true;
      if (depth < 16 && (colourType == 0 || colourType == 2)) {
        for (uint32_t i = 0; i + 1 < length; i += 2) {
          if ((data[i] << 8 | data[i + 1]) >> depth) return true;
        }
      }
      return false;  // only the first "tRNS" counts
    }
    at += size_t{length} + 12;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> png(data, data + size);
  RepairCrcs(png);
  auto* ours =
      static_cast<uint8_t*>(imageio::DecodePng(png.data(), png.size(), imageio::TargetRawRgba));
  if (ours == nullptr || Skip(png)) {
    std::free(ours);
    return 0;
  }
  imageio::testing::ReferenceImage reference;
  if (imageio::testing::DecodeWithLibpng(png.data(), png.size(), &reference)) {
    const size_t rowBytes = size_t{reference.width} * 4;
    for (uint32_t y = 0; y < reference.height; ++y) {
      const uint8_t* row = ours + (reference.height - 1 - y) * rowBytes;
      if (std::memcmp(row, reference.rgba.data() + y * rowBytes, rowBytes) != 0) std::abort();
    }
  }
  std::free(ours);
  return 0;
}
