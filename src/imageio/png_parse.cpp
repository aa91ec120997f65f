// PNG chunk layer: signature, chunk walk with CRC checks, header, image data
// inflation, palette and transparency, and the scanline size arithmetic.
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "imageio/png_decoder.h"
#include "imageio/png_memory.h"

namespace imageio {

namespace {

constexpr uint8_t SIGNATURE[8] = {137, 80, 78, 71, 13, 10, 26, 10};

uint32_t ReadBigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

uint16_t ReadBigEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

bool IsType(const PngChunk& chunk, const char type[4]) {
  return std::memcmp(chunk.type, type, 4) == 0;
}

bool AppendChunk(PngDecoder* decoder, const PngChunk& chunk) {
  if (decoder->chunkCount == decoder->chunkCapacity) {
    const uint32_t capacity = decoder->chunkCapacity == 0 ? 8 : decoder->chunkCapacity * 2;
    void* grown = std::realloc(decoder->chunks, sizeof(PngChunk) * capacity);
    if (grown == nullptr) return false;
    decoder->chunks = static_cast<PngChunk*>(grown);
    decoder->chunkCapacity = capacity;
  }
  decoder->chunks[decoder->chunkCount++] = chunk;
  return true;
}

// Reads and CRC-checks the chunk at the read position, then moves past it.
// Without checkImageData, the CRCs of "IDAT" chunks are left to the caller.
bool ReadChunk(PngDecoder* decoder, bool checkImageData) {
  const uint64_t p = decoder->readPosition;
  if (p + 8 > decoder->fileSize) return false;
  const uint8_t* head = decoder->fileData + p;
  PngChunk chunk;
  chunk.length = ReadBigEndian32(head);
  std::memcpy(chunk.type, head + 4, 4);
  chunk.data = head + 8;
  if (p + 12 + chunk.length > decoder->fileSize) return false;
  chunk.crc = ReadBigEndian32(chunk.data + chunk.length);
  decoder->readPosition = static_cast<uint32_t>(p + 12 + chunk.length);
  if (checkImageData || !IsType(chunk, "IDAT")) {
    const uLong crc = crc32(crc32(0, chunk.type, 4), chunk.data, chunk.length);
    if (crc != chunk.crc) return false;
  }
  return AppendChunk(decoder, chunk);
}

bool WalkChunks(PngDecoder* decoder, bool checkImageData) {
  while (decoder->readPosition < decoder->fileSize) {
    if (!ReadChunk(decoder, checkImageData)) return false;
  }
  return decoder->chunkCount >= 3 && IsType(decoder->chunks[decoder->chunkCount - 1], "IEND");
}

bool DepthAllowed(uint8_t colourType, uint8_t depth) {
  switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    default: return false;
  }
}

// Refuses, before anything is allocated, images whose inflation buffer or largest
// output block (the Image layout: 32-byte header, rows padded to 32 bytes) would
// exceed PNG_MAX_BLOCK_BYTES. Every size derived later then fits in 32 bits.
bool SizesFit(const PngDecoder* decoder) {
  const uint64_t expected = ExpectedRawSize(decoder);
  if (expected > PNG_MAX_BLOCK_BYTES || InflationCapacity(expected) > PNG_MAX_BLOCK_BYTES) {
    return false;
  }
  const uint64_t pitch = (uint64_t{decoder->width} * 4 + 31) / 32 * 32;
  if (pitch > PNG_MAX_BLOCK_BYTES) return false;
  return 32 + pitch * decoder->height <= PNG_MAX_BLOCK_BYTES;
}

bool ReadHeader(PngDecoder* decoder) {
  if (FindChunk(decoder, "IHDR", 0) != 0) return false;
  const PngChunk& header = decoder->chunks[0];
  if (header.length != 13) return false;
  const uint8_t* d = header.data;
  decoder->width = ReadBigEndian32(d);
  decoder->height = ReadBigEndian32(d + 4);
  decoder->bitDepth = d[8];
  decoder->colourType = d[9];
  decoder->compressionMethod = d[10];
  decoder->filterMethod = d[11];
  decoder->interlaceMethod = d[12];
  if (decoder->width == 0 || decoder->height == 0) return false;
  if (!DepthAllowed(decoder->colourType, decoder->bitDepth)) return false;
  if (decoder->compressionMethod != 0 || decoder->filterMethod != 0) return false;
  if (decoder->interlaceMethod > 1) return false;
  return SizesFit(decoder);
}

bool JoinImageData(PngDecoder* decoder) {
  uint64_t total = 0;
  for (uint32_t i = 0; i < decoder->chunkCount; ++i) {
    if (IsType(decoder->chunks[i], "IDAT")) total += decoder->chunks[i].length;
  }
  if (total == 0) return false;
  // The chunks lie inside the file, so the total is below 2 GiB.
  uint8_t* joined = static_cast<uint8_t*>(AllocateForWriting(total, total));
  if (joined == nullptr) return false;
  uint8_t* at = joined;
  for (uint32_t i = 0; i < decoder->chunkCount; ++i) {
    const PngChunk& chunk = decoder->chunks[i];
    if (!IsType(chunk, "IDAT")) continue;
    std::memcpy(at, chunk.data, chunk.length);
    at += chunk.length;
  }
  decoder->imageData = joined;
  decoder->imageDataSize = static_cast<uint32_t>(total);
  return true;
}

// One uncompress call into a buffer of 1.2 x the expected size + 12, which must
// come out at exactly the expected size.
bool Inflate(PngDecoder* decoder) {
  const uint64_t expected = ExpectedRawSize(decoder);
  const uint64_t capacity = InflationCapacity(expected);
  // Only an inflation of exactly `expected` bytes is kept, and only those bytes
  // are ever read, so the buffer needs no clearing.
  uint8_t* raw = static_cast<uint8_t*>(AllocateForWriting(capacity, expected));
  uLongf rawLength = 0;
  int status = Z_MEM_ERROR;
  if (raw != nullptr) {
    rawLength = capacity;
    status = uncompress(raw, &rawLength, decoder->imageData, decoder->imageDataSize);
  }
  std::free(decoder->imageData);
  decoder->imageData = raw;
  decoder->imageDataSize = static_cast<uint32_t>(rawLength);
  return raw != nullptr && status == Z_OK && rawLength == expected;
}

uint32_t BytesPerPixel(const PngDecoder* decoder) {
  const uint32_t sampleBytes = decoder->bitDepth < 8 ? 1 : decoder->bitDepth / 8;
  switch (decoder->colourType) {
    case 2: return sampleBytes * 3;
    case 4: return sampleBytes * 2;
    case 6: return sampleBytes * 4;
    default: return sampleBytes;
  }
}

bool ReadPalette(PngDecoder* decoder) {
  if (decoder->colourType != 3) return true;
  const int32_t index = FindChunk(decoder, "PLTE", 0);
  if (index < 0) return false;
  const PngChunk& chunk = decoder->chunks[index];
  decoder->paletteCount = chunk.length / 3;
  if (decoder->paletteCount > 256) return false;
  std::memcpy(decoder->palette, chunk.data, decoder->paletteCount * 3);
  return true;
}

bool ReadTransparency(PngDecoder* decoder) {
  const int32_t index = FindChunk(decoder, "tRNS", 0);
  if (index < 0) return true;
  decoder->transparencyPresent = 0xFFFFFFFFu;
  const PngChunk& chunk = decoder->chunks[index];
  switch (decoder->colourType) {
    case 0:
      if (chunk.length != 2) return false;
      decoder->transparentGray = ReadBigEndian16(chunk.data);
      return true;
    case 2:
      if (chunk.length != 6) return false;
      decoder->transparentRed = ReadBigEndian16(chunk.data);
      decoder->transparentGreen = ReadBigEndian16(chunk.data + 2);
      decoder->transparentBlue = ReadBigEndian16(chunk.data + 4);
      return true;
    case 3:
      if (chunk.length > 256) return false;
      std::memset(decoder->paletteAlpha, 255, sizeof decoder->paletteAlpha);
      std::memcpy(decoder->paletteAlpha, chunk.data, chunk.length);
      return true;
    default: return false;  // gray+alpha and RGBA carry their own alpha
  }
}

}  // namespace

namespace {

// The stages before the image data: signature, chunk walk, header.
int ParseHead(PngDecoder* decoder, bool checkImageData) {
  decoder->readPosition = 0;
  if (decoder->fileSize < sizeof SIGNATURE) return PngBadSignature;
  if (std::memcmp(decoder->fileData, SIGNATURE, sizeof SIGNATURE) != 0) return PngBadSignature;
  decoder->readPosition = sizeof SIGNATURE;
  if (!WalkChunks(decoder, checkImageData)) return PngBadChunks;
  if (!ReadHeader(decoder)) return PngBadHeader;
  return PngParsed;
}

// The stages after it: pixel size, palette, transparency.
int ParseTail(PngDecoder* decoder) {
  decoder->bytesPerPixel = BytesPerPixel(decoder);
  if (!ReadPalette(decoder)) return PngBadPalette;
  if (!ReadTransparency(decoder)) return PngBadTransparency;
  return PngParsed;
}

}  // namespace

int ParsePng(PngDecoder* decoder) {
  int status = ParseHead(decoder, true);
  if (status != PngParsed) return status;
  if (!JoinImageData(decoder)) return PngBadImageData;
  if (!Inflate(decoder)) return PngBadInflation;
  status = ParseTail(decoder);
  if (status == PngParsed) decoder->ready = 0xFFFFFFFFu;
  return status;
}

bool ParsePngAroundImageData(PngDecoder* decoder) {
  return ParseHead(decoder, false) == PngParsed && ParseTail(decoder) == PngParsed;
}

uint64_t InflationCapacity(uint64_t expected) {
  return static_cast<uint64_t>(std::nearbyint(static_cast<double>(expected) * 1.2 + 12.0));
}

int32_t FindChunk(const PngDecoder* decoder, const char type[4], uint32_t start) {
  for (uint32_t i = start; i < decoder->chunkCount; ++i) {
    if (IsType(decoder->chunks[i], type)) return static_cast<int32_t>(i);
  }
  return -1;
}

uint64_t ScanlineBytes(const PngDecoder* decoder, uint32_t pass) {
  uint64_t w = decoder->width;
  if (decoder->interlaceMethod == 1) {
    const Adam7Pass& p = ADAM7[pass - 1];
    if (decoder->width <= p.xs) return 0;
    w = (w + p.dx - p.xs - 1) / p.dx;
  }
  uint64_t b = (w * decoder->bitDepth + 7) / 8;
  switch (decoder->colourType) {
    case 2: b *= 3; break;
    case 4: b *= 2; break;
    case 6: b *= 4; break;
    default: break;
  }
  return b + 1;
}

uint32_t PassRows(const PngDecoder* decoder, uint32_t pass) {
  if (decoder->interlaceMethod != 1) return decoder->height;
  const Adam7Pass& p = ADAM7[pass - 1];
  if (decoder->width <= p.xs || decoder->height <= p.ys) return 0;
  return static_cast<uint32_t>((uint64_t{decoder->height} + p.dy - p.ys - 1) / p.dy);
}

uint64_t ExpectedRawSize(const PngDecoder* decoder) {
  const uint32_t passes = decoder->interlaceMethod == 1 ? 7 : 1;
  uint64_t total = 0;
  for (uint32_t pass = 1; pass <= passes; ++pass) {
    uint64_t bytes = 0;
    // Absurd headers would overflow 64 bits: saturate, the size check refuses them.
    if (__builtin_mul_overflow(ScanlineBytes(decoder, pass), uint64_t{PassRows(decoder, pass)},
                               &bytes) ||
        __builtin_add_overflow(total, bytes, &total)) {
      return UINT64_MAX;
    }
  }
  return total;
}

}  // namespace imageio
