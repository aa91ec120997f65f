// Vector2/3/4: the operator set, the zero-length rules, products and texts.
#include "transform/vector.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

namespace transform {
namespace {

// Which operators exist is part of the interface: these must stay absent.
template <typename V>
concept Negatable = requires(V v) { -v; };
template <typename V>
concept MinusScalar = requires(V v, float s) { v - s; };
template <typename V>
concept ScaleInPlace = requires(V v, float s) { v *= s; };
template <typename V>
concept DivideByInt = requires(V v, int32_t s) { v / s; };
static_assert(!Negatable<Vector2> && Negatable<Vector3> && !Negatable<Vector4>);
static_assert(!MinusScalar<Vector2> && MinusScalar<Vector3> && !MinusScalar<Vector4>);
static_assert(!ScaleInPlace<Vector2> && ScaleInPlace<Vector3> && !ScaleInPlace<Vector4>);
// Vector3 has single and double divisors only, so an int is ambiguous there.
static_assert(DivideByInt<Vector2> && !DivideByInt<Vector3> && DivideByInt<Vector4>);

// The single components, compared exactly.
std::array<float, 2> Parts(const Vector2& v) { return {v.x, v.y}; }
std::array<float, 3> Parts(const Vector3& v) { return {v.x, v.y, v.z}; }
std::array<float, 3> Parts(const Vector4& v) { return {v.x, v.y, v.z}; }

TEST(VectorTest, LengthNormalizeAndDistanceOfZero) {
  EXPECT_EQ(Length(Vector2{0, 0}), 1.0f);
  EXPECT_EQ(Length(Vector3{0, 0, 0}), 1.0f);
  EXPECT_EQ(Length(Vector4(0, 0, 0, 0.0)), 1.0f);
  EXPECT_EQ(Length(Vector4(0, 0, 0, 2.0)), 2.0f);  // w counts
  Vector3 zero{0, 0, 0};
  Normalize(zero);
  EXPECT_EQ(Parts(zero), (std::array{0.0f, 0.0f, 0.0f}));
  Vector3 v{0, 3, 4};
  Normalize(v);
  EXPECT_EQ(Parts(v), (std::array{0.0f, 0.6f, 0.8f}));
  Vector4 four(0, 0, 3, 4.0);
  Normalize(four);
  EXPECT_EQ(four.z, 0.6f);
  EXPECT_EQ(four.w, static_cast<double>(4.0L / 5.0f));
  EXPECT_EQ(Distance(Vector2{1, 1}, Vector2{1, 1}), 0.0f);  // not the length 1 of zero
  EXPECT_EQ(Distance(Vector3{1, 2, 3}, Vector3{1, 2, 3}), 0.0f);
  EXPECT_EQ(Distance(Vector3{1, 1, 1}, Vector3{3, 4, 7}), 7.0f);
  EXPECT_EQ(Distance(Vector4(0, 0, 0, 0.0), Vector4(3, 4, 0, 100.0)), 5.0f);  // w ignored
}

TEST(VectorTest, Products) {
  EXPECT_EQ(Parts(Cross(Vector3{1, 0, 0}, Vector3{0, 1, 0})), (std::array{0.0f, 0.0f, 1.0f}));
  const Vector4 four = Cross(Vector4(1, 0, 0, 7.0), Vector4(0, 1, 0, 9.0));
  EXPECT_EQ(Parts(four), (std::array{0.0f, 0.0f, 1.0f}));
  EXPECT_EQ(four.w, 7.0);
  // Formed in extended precision: 1e8*1e8 - (1e8+8)*(1e8-8) is 64, not 0.
  EXPECT_EQ(Cross(Vector3{0, 1e8f, 1e8f + 8}, Vector3{0, 1e8f - 8, 1e8f}).x, 64.0f);
  EXPECT_EQ(Dot(Vector4(1, 2, 3, 0.5), Vector4(4, 5, 6, 4.0)), 34.0f);  // w included
}

TEST(VectorTest, SegmentNormalAndAngleBetween) {
  EXPECT_EQ(Parts(SegmentNormal(Vector2{0, 0}, Vector2{2, 0})), (std::array{0.0f, -1.0f}));
  EXPECT_EQ(Parts(SegmentNormal(Vector2{1, 1}, Vector2{1, 4})), (std::array{1.0f, 0.0f}));
  EXPECT_EQ(Parts(SegmentNormal(Vector2{5, 5}, Vector2{5, 5})), (std::array{0.0f, 0.0f}));
  const float half = static_cast<float>(std::numbers::pi / 2);
  EXPECT_EQ(AngleBetween(Vector3{1, 0, 0}, Vector3{0, 1, 0}), half);
  EXPECT_EQ(AngleBetween(Vector3{1, 0, 0}, Vector3{2, 0, 0}), 0.0f);
  EXPECT_EQ(AngleBetween(Vector3{1, 0, 0}, Vector3{-3, 0, 0}), static_cast<float>(std::numbers::pi));
  EXPECT_EQ(AngleBetween(Vector3{0, 0, 0}, Vector3{0, 1, 0}), half);
}

TEST(VectorTest, ScalarOperators) {
  EXPECT_EQ(Parts(Vector2{2, 8} / int32_t{4}), (std::array{0.5f, 2.0f}));
  const Vector4 w = Vector4(1, 2, 3, 0.1) + 1.0f;
  EXPECT_EQ(w.x, 2.0f);
  EXPECT_EQ(w.w, static_cast<double>(0.1L + 1.0L));  // w stays a double
  const Vector4 d = Vector4(1, 2, 3, 1.0) / int32_t{3};
  EXPECT_EQ(d.w, static_cast<double>(1.0L / 3));
  EXPECT_EQ(d.x, 1.0f / 3.0f);
  Vector3 v{1, 2, 3};
  v *= 2.0f;
  EXPECT_EQ(Parts(-(v - 1.0f)), (std::array{-1.0f, -3.0f, -5.0f}));
  // A double factor still rounds each product to single.
  EXPECT_EQ(Parts(Vector2{1, 3} * 0.1), (std::array{0.1f, static_cast<float>(3 * 0.1L)}));
}

TEST(VectorTest, ToStringTexts) {
  EXPECT_EQ(ToString(Vector2{0.5f, -2}), "x: 0.5, y: -2");
  EXPECT_EQ(ToString(Vector3{1, 2.5f, -3}), "x: 1, y: 2.5, z: -3");
  EXPECT_EQ(ToString(Vector2{0.1f, 1.0f / 3}), "x: 0.1, y: 0.3333333");
  EXPECT_EQ(ToString(Vector4(1e-5f, 12345678, 0, 1.0 / 3)),
            "x: 1e-05, y: 1.234568e+07, z: 0, w: 0.3333333333333333");
  EXPECT_EQ(ToString(Vector4(0, 0, 0, 1e16)), "x: 0, y: 0, z: 0, w: 1e+16");
}

}  // namespace
}  // namespace transform
