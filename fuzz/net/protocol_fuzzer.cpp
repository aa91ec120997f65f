// libFuzzer target of the online message decoder: any bytes either decode or are
// refused with a reason, and whatever decodes encodes back to the same bytes and
// decodes to the same message again.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "net/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const net::DecodeResult decoded = net::Decode({data, size});
  if (decoded.message.has_value() != (decoded.error == net::DecodeError::None)) std::abort();
  if (!decoded.message) return 0;
  const net::EncodedMessage encoded = net::Encode(*decoded.message);
  // The codec has one encoding per message, so the bytes come back unchanged.
  if (encoded.size() != size || std::memcmp(encoded.data(), data, size) != 0) std::abort();
  const net::DecodeResult again = net::Decode(encoded.span());
  if (!again.message || !(*again.message == *decoded.message)) std::abort();
  return 0;
}
