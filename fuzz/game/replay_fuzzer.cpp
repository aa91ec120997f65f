// libFuzzer target for the replay reader: any bytes are read without a crash or
// a hang, and a text it takes writes out to a text that reads back the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "game/replay/replay_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const game::replay::ParseResult read = game::replay::ParseReplay(text);
  if (!read.error.empty()) return 0;
  const game::replay::ParseResult again =
      game::replay::ParseReplay(game::replay::FormatReplay(read.replay));
  if (!again.error.empty() || !(again.replay == read.replay)) std::abort();
  return 0;
}
