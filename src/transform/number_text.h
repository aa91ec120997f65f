// Decimal text of singles and doubles for the ToString operations of the matrix
// and vector libraries (internal to the transform library).
#pragma once
#include <string>

namespace transform::detail {

// 7 significant digits, trailing zeros and a trailing point dropped, exponent
// form "1.2e-08" outside 1e-4 <= |v| < 1e7 (printf's %.7g).
std::string SingleText(float value);
// The same with 16 significant digits (printf's %.16g).
std::string DoubleText(double value);

}  // namespace transform::detail
