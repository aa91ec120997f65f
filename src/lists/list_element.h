// What the lists need to know about an element type: which types may be stored,
// how two elements compare for Remove, and the hook run before a node is freed.
#pragma once
#include <cmath>
#include <concepts>
#include <type_traits>

namespace lists {

// Nodes are raw malloc blocks, so elements must be plain arithmetic values.
template <typename T>
concept ListValue = std::is_arithmetic_v<T> && !std::same_as<T, bool>;

template <ListValue T>
struct ListElement {
  // Integers compare after the usual promotion, which zero-extends unsigned and
  // sign-extends signed 8-bit values. Floating values count an unordered result as
  // equal: -0 matches +0, and a NaN on either side matches anything.
  static bool Equal(T a, T b) {
    if constexpr (std::is_floating_point_v<T>) {
      return a == b || std::isunordered(a, b);
    } else {
      return a == b;
    }
  }

  // Run by Erase on the value before its node is freed; arithmetic values own nothing.
  static void Destroy(T& /*value*/) {}
};

}  // namespace lists
