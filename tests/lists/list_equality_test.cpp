// Remove's element equality: floating lists count unordered results as equal,
// 8-bit lists widen with the sign (or not) of their type.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "lists/list.h"

namespace lists {
namespace {

template <typename L>
class FloatListTest : public ::testing::Test {};
using FloatLists = ::testing::Types<ListF32, ListF64>;
TYPED_TEST_SUITE(FloatListTest, FloatLists);

TYPED_TEST(FloatListTest, ZeroesMatchAndNaNMatchesEverything) {
  using T = typename TypeParam::value_type;
  const T nan = std::numeric_limits<T>::quiet_NaN();
  TypeParam list;
  for (T v : {T{-0.0}, T{1}, T{0.0}, nan, T{2}, -nan, T{-0.0}}) list.PushBack(v);
  list.Remove(T{0.0});  // both zeroes and both NaN elements go
  EXPECT_EQ(std::vector<T>(list.begin(), list.end()), (std::vector<T>{1, 2}));
  list.Remove(nan);
  EXPECT_EQ(list.Begin(), list.End());
}

TEST(ByteListTest, EightBitValuesKeepTheirSign) {
  ListI8 signedList;
  ListU8 unsignedList;
  for (int v : {-1, 127, -128, -1}) signedList.PushBack(static_cast<int8_t>(v));
  for (int v : {255, 127, 128, 255}) unsignedList.PushBack(static_cast<uint8_t>(v));
  signedList.Remove(-1);
  unsignedList.Remove(255);
  EXPECT_EQ(std::vector<int8_t>(signedList.begin(), signedList.end()),
            (std::vector<int8_t>{127, -128}));
  EXPECT_EQ(std::vector<uint8_t>(unsignedList.begin(), unsignedList.end()),
            (std::vector<uint8_t>{127, 128}));
}

}  // namespace
}  // namespace lists
