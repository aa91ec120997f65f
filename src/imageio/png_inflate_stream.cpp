// Streaming inflation of a PNG's image data (see png_inflate_stream.h).
#include "imageio/png_inflate_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace imageio {

namespace {

// Inflated bytes held at once: enough for the scanlines to be unfiltered while
// they are still in the processor's second-level cache.
constexpr size_t WINDOW_BYTES = size_t{256} << 10;
// Compressed bytes gathered from small chunks for one inflate call; chunks this
// large or larger are inflated where they lie.
constexpr uint32_t GATHER_BYTES = uint32_t{64} << 10;

bool IsImageData(const PngChunk& chunk) { return std::memcmp(chunk.type, "IDAT", 4) == 0; }

bool CrcMatches(const PngChunk& chunk) {
  const uLong crc = crc32(crc32(0, chunk.type, 4), chunk.data, chunk.length);
  return crc == chunk.crc;
}

}  // namespace

PngInflateStream::PngInflateStream(const PngDecoder& decoder, uint64_t expected,
                                   size_t largestRequest, size_t slack)
    : decoder_(decoder), remaining_(expected) {
  // No request exceeds the image data itself.
  capacity_ =
      std::max(WINDOW_BYTES,
               static_cast<size_t>(std::min<uint64_t>(2 * uint64_t{largestRequest}, expected)));
  window_ = static_cast<uint8_t*>(std::malloc(capacity_ + slack));
  gathered_ = static_cast<uint8_t*>(std::malloc(GATHER_BYTES));
  // Slack bytes are read, never used: keep them defined.
  if (window_ != nullptr) std::memset(window_ + capacity_, 0, slack);
  open_ = window_ != nullptr && gathered_ != nullptr && inflateInit(&zs_) == Z_OK;
}

PngInflateStream::~PngInflateStream() {
  if (open_) inflateEnd(&zs_);
  std::free(window_);
  std::free(gathered_);
}

bool PngInflateStream::FeedInput() {
  uint32_t gathered = 0;
  for (; nextChunk_ < decoder_.chunkCount; ++nextChunk_, chunkOffset_ = 0) {
    const PngChunk& chunk = decoder_.chunks[nextChunk_];
    if (!IsImageData(chunk)) continue;
    if (chunkOffset_ == 0 && !CrcMatches(chunk)) return false;
    if (gathered == 0 && chunk.length - chunkOffset_ >= GATHER_BYTES) {
      zs_.next_in = const_cast<Bytef*>(chunk.data + chunkOffset_);
      zs_.avail_in = chunk.length - chunkOffset_;
      ++nextChunk_, chunkOffset_ = 0;
      return true;
    }
    const uint32_t piece = std::min(chunk.length - chunkOffset_, GATHER_BYTES - gathered);
    std::memcpy(gathered_ + gathered, chunk.data + chunkOffset_, piece);
    gathered += piece;
    chunkOffset_ += piece;
    if (gathered == GATHER_BYTES) break;  // resumes here, or past a finished chunk
  }
  zs_.next_in = gathered_;
  zs_.avail_in = gathered;
  return gathered != 0;
}

bool PngInflateStream::Fill(size_t limit) {
  while (end_ < limit) {
    if (ended_) return false;  // the stream ended short of the expected size
    if (zs_.avail_in == 0 && !FeedInput()) return false;
    // zlib counts output in 32 bits.
    const size_t room = std::min<size_t>(limit - end_, size_t{1} << 30);
    zs_.next_out = window_ + end_;
    zs_.avail_out = static_cast<uInt>(room);
    const int status = inflate(&zs_, Z_NO_FLUSH);
    end_ += room - zs_.avail_out;
    if (status == Z_STREAM_END) {
      ended_ = true;
    } else if (status != Z_OK && !(status == Z_BUF_ERROR && zs_.avail_in == 0)) {
      return false;  // corrupt data, a preset dictionary, or no memory
    }
  }
  return true;
}

const uint8_t* PngInflateStream::Peek(size_t bytes) {
  if (!open_) return nullptr;
  if (end_ - begin_ >= bytes) return window_ + begin_;
  if (bytes > remaining_ + (end_ - begin_)) return nullptr;
  // Move what is left to the front and top the window up, never past the
  // expected size: inflating beyond it would fail the image anyway.
  std::memmove(window_, window_ + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(capacity_ - end_, remaining_));
  const size_t before = end_;
  const bool filled = Fill(end_ + wanted);
  remaining_ -= end_ - before;
  return filled && end_ >= bytes ? window_ : nullptr;
}

bool PngInflateStream::Finish() {
  if (!open_ || remaining_ != 0 || begin_ != end_) return false;
  // Any further output would make the image longer than expected; the stream
  // must instead end here, which also checks its Adler-32 value.
  uint8_t spare;
  while (!ended_) {
    if (zs_.avail_in == 0 && !FeedInput()) return false;
    zs_.next_out = &spare;
    zs_.avail_out = 1;
    const int status = inflate(&zs_, Z_NO_FLUSH);
    if (zs_.avail_out == 0) return false;
    if (status == Z_STREAM_END) {
      ended_ = true;
    } else if (status != Z_OK && !(status == Z_BUF_ERROR && zs_.avail_in == 0)) {
      return false;
    }
  }
  // Chunks after the stream's end carry nothing to inflate, but their CRCs
  // must hold all the same.
  for (; nextChunk_ < decoder_.chunkCount; ++nextChunk_) {
    const PngChunk& chunk = decoder_.chunks[nextChunk_];
    if (IsImageData(chunk) && !CrcMatches(chunk)) return false;
  }
  return true;
}

}  // namespace imageio
