// PNG entry points: reading a file into memory and running one decode over it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imageio/png.h"
#include "imageio/png_decoder.h"

namespace imageio {

namespace {

// Length of an open file, or -1 when it cannot be measured (pipes, directories).
long long FileLength(std::FILE* file) {
  if (fseeko(file, 0, SEEK_END) != 0) return -1;
  const long long length = ftello(file);
  if (fseeko(file, 0, SEEK_SET) != 0) return -1;
  return length;
}

}  // namespace

uint8_t* ReadWholeFile(const char* path, uint32_t* size) {
  *size = 0;
  if (path == nullptr) return nullptr;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return nullptr;
  const long long length = FileLength(file);
  uint8_t* block = nullptr;
  // Decoder positions are 32-bit: larger files (and ftello's answer for a
  // directory) are refused before anything is allocated.
  if (length > 0 && static_cast<unsigned long long>(length) <= PNG_MAX_FILE_BYTES) {
    *size = static_cast<uint32_t>(length);
    block = static_cast<uint8_t*>(std::malloc(*size));
    if (block != nullptr && std::fread(block, 1, *size, file) != *size) {
      std::free(block);
      block = nullptr;
    }
  }
  std::fclose(file);
  return block;
}

void* DecodePng(const void* data, size_t size, PngTarget target) {
  if (data == nullptr || size < PNG_MIN_FILE_BYTES || size > PNG_MAX_FILE_BYTES) return nullptr;
  PngDecoder decoder;
  std::memset(&decoder, 0, sizeof decoder);
  decoder.fileData = static_cast<const uint8_t*>(data);
  decoder.fileSize = static_cast<uint32_t>(size);
  void* result =
      ParsePngAroundImageData(&decoder) ? DecodePngStreaming(&decoder, target) : nullptr;
  ReleasePngDecoder(&decoder);
  return result;
}

void* LoadPng(const char* path, PngTarget target) {
  uint32_t size = 0;
  uint8_t* file = ReadWholeFile(path, &size);
  if (file == nullptr) return nullptr;
  void* result = DecodePng(file, size, target);
  std::free(file);
  return result;
}

display::Image* LoadPng(const char* path) {
  return static_cast<display::Image*>(LoadPng(path, TargetImageBuffer));
}

void ReleasePngDecoder(PngDecoder* decoder) {
  std::free(decoder->chunks);
  std::free(decoder->imageData);
  decoder->chunks = nullptr;
  decoder->chunkCount = 0;
  decoder->chunkCapacity = 0;
  decoder->imageData = nullptr;
  decoder->imageDataSize = 0;
}

}  // namespace imageio
