// Builds PNG files in memory for the decoder tests: chunks with real CRCs, image
// data compressed with zlib, and helpers to decode and read pixels back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "imageio/png.h"

namespace imageio::testing {

using Bytes = std::vector<uint8_t>;

// zlib stream of `raw` (default compression).
Bytes Zlib(const Bytes& raw);

// Chunk of `type` (4 characters) with `data` and its CRC.
Bytes Chunk(const std::string& type, const Bytes& data);

// "IHDR" data.
Bytes Header(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
             uint8_t interlace = 0);

// Signature followed by the chunks.
Bytes Png(const std::vector<Bytes>& chunks);

// Signature, "IHDR", extra chunks (e.g. "PLTE", "tRNS"), one "IDAT" of the zlib'd
// scanlines `raw` (filter bytes included) and "IEND".
Bytes SimplePng(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType,
                const Bytes& raw, const std::vector<Bytes>& extra = {}, uint8_t interlace = 0);

// Decodes into the Image layout and returns its pixels row by row (empty on failure).
std::vector<uint32_t> DecodePixels(const Bytes& png);

}  // namespace imageio::testing
