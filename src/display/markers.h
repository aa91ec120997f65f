// Marker values shared by the display layer's operations.
#pragma once
#include <cstdint>

namespace display {

// An argument the caller did not give (a default position, the whole source, ...).
inline constexpr int32_t ARG_DEFAULT = static_cast<int32_t>(0xFFFF0000u);
// Bit 31 of a flags argument: use the default colour instead of the colour argument.
inline constexpr uint32_t DEFAULT_COLOUR_FLAG = 0x80000000u;
// Error codes of the display operations.
inline constexpr int OK = 0;
inline constexpr int ILLEGAL_CALL = 1;

}  // namespace display
