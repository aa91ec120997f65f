// Decimal text of singles and doubles: std::to_chars in its general form, which
// is locale-independent and follows printf's %g rules for the given precision.
#include "transform/number_text.h"

#include <charconv>

namespace transform::detail {
namespace {

template <typename T>
std::string GeneralText(T value, int significantDigits) {
  char text[64];
  const auto result =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, significantDigits);
  return std::string(text, result.ptr);
}

}  // namespace

std::string SingleText(float value) { return GeneralText(value, 7); }
std::string DoubleText(double value) { return GeneralText(value, 16); }

}  // namespace transform::detail
