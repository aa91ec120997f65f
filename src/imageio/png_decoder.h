// Internal records and stages of the PNG decoder, shared by its source files and
// its tests. Callers use imageio/png.h.
//
// A decode runs: ReadWholeFile (files only) -> ParsePng (chunks, header, inflation,
// palette, transparency) -> ReconstructPng (filters, interlacing, pixel formats,
// output layout) -> ReleasePngDecoder.
#pragma once
#include <cstddef>
#include <cstdint>

#include "imageio/png.h"

namespace imageio {

// Largest block the decoder allocates (inflation buffer or output image), and so
// the largest image it accepts: 512 MiB, e.g. 11585 x 11585 pixels. Keeps every
// derived size well inside 32 bits.
inline constexpr uint64_t PNG_MAX_BLOCK_BYTES = uint64_t{1} << 29;
// Largest input: the decoder keeps file positions in 32 bits.
inline constexpr uint64_t PNG_MAX_FILE_BYTES = uint64_t{1} << 31;
// Shortest input worth parsing: signature, "IHDR", one "IDAT" and "IEND".
inline constexpr size_t PNG_MIN_FILE_BYTES = 49;

// One chunk of the file; data points into the caller's bytes.
struct PngChunk {
  uint32_t length;
  uint8_t type[4];
  const uint8_t* data;
  uint32_t crc;
};

// The state of one decode, cleared to zero when it starts.
struct PngDecoder {
  uint32_t width;
  uint32_t height;
  uint8_t bitDepth;
  uint8_t colourType;
  uint8_t compressionMethod;
  uint8_t filterMethod;
  uint8_t interlaceMethod;
  uint8_t palette[256][3];  // red, green, blue; entries not supplied stay black
  uint32_t paletteCount;
  uint8_t* imageData;  // owned: joined "IDAT" data, then the inflated scanlines
  uint32_t imageDataSize;
  uint32_t transparencyPresent;  // 0 or all ones
  uint8_t paletteAlpha[256];
  uint16_t transparentGray;
  uint16_t transparentRed;
  uint16_t transparentGreen;
  uint16_t transparentBlue;
  const uint8_t* fileData;  // borrowed
  uint32_t fileSize;
  uint32_t readPosition;
  uint32_t bytesPerPixel;  // 1 to 8; 1 for bit depths below 8
  PngChunk* chunks;        // owned, in file order
  uint32_t chunkCount;
  uint32_t chunkCapacity;
  uint32_t ready;  // all ones once ParsePng succeeded
};

// Adam7 pass geometry, passes 1 to 7 at indices 0 to 6.
struct Adam7Pass {
  uint32_t xs, ys, dx, dy;
};
inline constexpr Adam7Pass ADAM7[7] = {
    {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
    {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2},
};

// Whole file in a new malloc'd block (caller frees), or null; *size gets its length
// (0 when it cannot be opened). Empty, unreadable and over-2-GiB files give null.
uint8_t* ReadWholeFile(const char* path, uint32_t* size);

// ParsePng's result: 0, or the first stage that failed.
enum PngParseStatus : int {
  PngParsed = 0,
  PngBadSignature = 1,
  PngBadChunks = 2,  // truncated chunk, CRC mismatch, < 3 chunks, not ending in "IEND"
  PngBadHeader = 3,  // includes images too large for PNG_MAX_BLOCK_BYTES
  PngBadImageData = 4,
  PngBadInflation = 5,
  PngBadPalette = 6,
  PngBadTransparency = 7,
};

// Parses a cleared decoder whose fileData and fileSize are set. Returns PngParsed
// and sets ready on success, or the stage that failed.
int ParsePng(PngDecoder* decoder);

// DecodePng's way through ParsePng: every stage but joining and inflating the
// image data, whose chunks' CRCs are left unchecked for the inflation stream
// to check. True when all of them pass; `ready` stays clear.
bool ParsePngAroundImageData(PngDecoder* decoder);

// Inflates the image data of a decoder that passed ParsePngAroundImageData
// while reconstructing its rows into `target`: the image DecodePng gives for
// the file, or null.
void* DecodePngStreaming(const PngDecoder* decoder, PngTarget target);

// Index of the first chunk of `type` at or after `start`, or -1.
int32_t FindChunk(const PngDecoder* decoder, const char type[4], uint32_t start);

// Bytes in one scanline of `pass` (1-7; ignored without interlacing), the filter
// byte included, or 0 for an empty pass. Exact for any header values.
uint64_t ScanlineBytes(const PngDecoder* decoder, uint32_t pass);

// Number of rows in `pass` (1-7; the height without interlacing), 0 when empty.
uint32_t PassRows(const PngDecoder* decoder, uint32_t pass);

// Total bytes of all scanlines of all passes; UINT64_MAX when that overflows.
uint64_t ExpectedRawSize(const PngDecoder* decoder);

// Size of the inflation buffer for `expected` raw bytes: 1.2 x expected + 12,
// rounded to nearest even. `expected` must be below 2^53.
uint64_t InflationCapacity(uint64_t expected);

// Turns the inflated scanlines of a ready decoder into a new block of the target
// layout, or null. The decoder is left unchanged.
void* ReconstructPng(const PngDecoder* decoder, PngTarget target);

// Frees everything the decoder owns.
void ReleasePngDecoder(PngDecoder* decoder);

}  // namespace imageio
