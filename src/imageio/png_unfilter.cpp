// Scanline filter reversal: the per-byte definition and the per-row loops, which
// are instantiated per pixel size so the compiler can unroll and vectorise them.
#include "imageio/png_unfilter.h"

#include <cstddef>
#include <cstring>

namespace imageio {

int UnfilterByte(uint8_t* v, uint8_t filter, uint32_t k, uint32_t r, uint32_t L, uint32_t bpp) {
  const int a = k >= bpp ? v[-static_cast<ptrdiff_t>(bpp)] : 0;
  const int b = r > 0 ? v[-static_cast<ptrdiff_t>(L)] : 0;
  const int c = k >= bpp && r > 0 ? v[-static_cast<ptrdiff_t>(L + bpp)] : 0;
  int predictor = 0;
  switch (filter) {
    case 0: break;
    case 1: predictor = a; break;
    case 2: predictor = b; break;
    case 3: predictor = (a + b) / 2; break;
    case 4: predictor = PaethPredictor(a, b, c); break;
    default: return 1;
  }
  *v = static_cast<uint8_t>(*v + predictor);
  return 0;
}

namespace {

template <uint32_t BPP>
void UnfilterSub(const uint8_t* src, uint8_t* out, uint32_t n) {
  std::memcpy(out, src, n < BPP ? n : BPP);
  for (uint32_t i = BPP; i < n; ++i) out[i] = static_cast<uint8_t>(src[i] + out[i - BPP]);
}

void UnfilterUp(const uint8_t* src, const uint8_t* prev, uint8_t* out, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(src[i] + prev[i]);
}

template <uint32_t BPP>
void UnfilterAverage(const uint8_t* src, const uint8_t* prev, uint8_t* out, uint32_t n) {
  const uint32_t lead = n < BPP ? n : BPP;
  for (uint32_t i = 0; i < lead; ++i) out[i] = static_cast<uint8_t>(src[i] + (prev[i] >> 1));
  for (uint32_t i = BPP; i < n; ++i) {
    out[i] = static_cast<uint8_t>(src[i] + ((out[i - BPP] + prev[i]) >> 1));
  }
}

template <uint32_t BPP>
void UnfilterPaeth(const uint8_t* src, const uint8_t* prev, uint8_t* out, uint32_t n) {
  // Without a left neighbour a = c = 0, so Paeth picks b.
  const uint32_t lead = n < BPP ? n : BPP;
  for (uint32_t i = 0; i < lead; ++i) out[i] = static_cast<uint8_t>(src[i] + prev[i]);
  for (uint32_t i = BPP; i < n; ++i) {
    out[i] = static_cast<uint8_t>(src[i] + PaethPredictor(out[i - BPP], prev[i], prev[i - BPP]));
  }
}

template <uint32_t BPP>
const uint8_t* UnfilterRowFor(uint8_t filter, const uint8_t* src, const uint8_t* prev,
                              uint8_t* out, uint32_t n) {
  switch (filter) {
    case 0: return src;
    case 1: UnfilterSub<BPP>(src, out, n); return out;
    case 2: UnfilterUp(src, prev, out, n); return out;
    case 3: UnfilterAverage<BPP>(src, prev, out, n); return out;
    case 4: UnfilterPaeth<BPP>(src, prev, out, n); return out;
    default: return nullptr;
  }
}

}  // namespace

const uint8_t* UnfilterRow(uint8_t filter, const uint8_t* src, const uint8_t* prev, uint8_t* out,
                           uint32_t n, uint32_t bpp) {
  switch (bpp) {
    case 1: return UnfilterRowFor<1>(filter, src, prev, out, n);
    case 2: return UnfilterRowFor<2>(filter, src, prev, out, n);
    case 3: return UnfilterRowFor<3>(filter, src, prev, out, n);
    case 4: return UnfilterRowFor<4>(filter, src, prev, out, n);
    case 6: return UnfilterRowFor<6>(filter, src, prev, out, n);
    default: return UnfilterRowFor<8>(filter, src, prev, out, n);
  }
}

}  // namespace imageio
