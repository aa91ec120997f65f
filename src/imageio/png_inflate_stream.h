// Inflating a PNG's image data a window at a time, straight from its "IDAT"
// chunks (internal to the PNG decoder).
//
// It gives the same outcome as one uncompress of the joined chunks into a buffer
// of InflationCapacity(expected) bytes that must come out at exactly `expected`:
// the zlib stream must end, with its check value, after exactly that many bytes
// of output; input after the stream's end is ignored. The scanlines are handed
// out while they are still in cache instead of after the whole image, and
// neither the joined chunks nor the whole inflated image is ever held. Each
// chunk's CRC is checked just before its data is inflated.
#pragma once
#include <zlib.h>

#include <cstddef>
#include <cstdint>

#include "imageio/png_decoder.h"

namespace imageio {

class PngInflateStream {
 public:
  // `slack`: bytes after every handed-out range that may be read.
  PngInflateStream(const PngDecoder& decoder, uint64_t expected, size_t largestRequest,
                   size_t slack);
  ~PngInflateStream();
  PngInflateStream(const PngInflateStream&) = delete;
  PngInflateStream& operator=(const PngInflateStream&) = delete;

  // The next `bytes` inflated bytes (at most largestRequest), without consuming
  // them; null when the data ends before them or is corrupt.
  const uint8_t* Peek(size_t bytes);
  void Consume(size_t bytes) { begin_ += bytes; }
  // After every expected byte is consumed: whether the stream ends there.
  bool Finish();

 private:
  // Hands zlib its next input: a large chunk directly, small ones (encoders
  // commonly write 8 KiB) gathered into one block, so that each inflate call
  // runs long, as a single call over joined data would.
  bool FeedInput();
  // Inflates into [end_, limit); false on a stream error or truncation.
  bool Fill(size_t limit);

  const PngDecoder& decoder_;
  uint64_t remaining_;  // expected bytes not yet inflated
  z_stream zs_{};
  bool open_ = false;
  bool ended_ = false;  // the zlib stream has reached its end
  uint32_t nextChunk_ = 0;    // the first chunk not yet fed, or partly fed
  uint32_t chunkOffset_ = 0;  // bytes of that chunk already fed
  uint8_t* gathered_ = nullptr;
  uint8_t* window_ = nullptr;
  size_t capacity_ = 0;
  size_t begin_ = 0, end_ = 0;  // the inflated bytes not yet consumed
};

}  // namespace imageio
