// Products, lengths, normalisation, distances and text of the vector types.
#include "transform/vector.h"

#include <cmath>

#include "transform/number_text.h"

namespace transform {
namespace {

using detail::F;
using detail::Wide;

// Length as a single from a sum of squares; a zero length reads as 1.
float LengthFromSquares(Wide squares) {
  const float length = F(std::sqrt(squares));
  return length == 0.0f ? 1.0f : length;
}

// (b - a) of two singles, handed to pow as a double and squared there.
Wide SquaredDifference(float a, float b) { return std::pow(static_cast<double>(Wide{b} - a), 2.0); }

}  // namespace

float Dot(const Vector2& a, const Vector2& b) { return F(Wide{a.x} * b.x + Wide{a.y} * b.y); }
float Dot(const Vector3& a, const Vector3& b) {
  return F(Wide{a.x} * b.x + Wide{a.y} * b.y + Wide{a.z} * b.z);
}
float Dot(const Vector4& a, const Vector4& b) {
  return F(Wide{a.x} * b.x + Wide{a.y} * b.y + Wide{a.z} * b.z + Wide{a.w} * b.w);
}

float Length(const Vector2& v) { return LengthFromSquares(Wide{v.x} * v.x + Wide{v.y} * v.y); }
float Length(const Vector3& v) {
  return LengthFromSquares(Wide{v.x} * v.x + Wide{v.y} * v.y + Wide{v.z} * v.z);
}
float Length(const Vector4& v) {
  return LengthFromSquares(Wide{v.x} * v.x + Wide{v.y} * v.y + Wide{v.z} * v.z + Wide{v.w} * v.w);
}

void Normalize(Vector2& v) { v = v / Length(v); }
void Normalize(Vector3& v) { v = v / Length(v); }
void Normalize(Vector4& v) { v = v / Length(v); }

float Distance(const Vector2& a, const Vector2& b) {
  return F(std::sqrt(SquaredDifference(a.x, b.x) + SquaredDifference(a.y, b.y)));
}
float Distance(const Vector3& a, const Vector3& b) {
  return F(std::sqrt(SquaredDifference(a.x, b.x) + SquaredDifference(a.y, b.y) +
                     SquaredDifference(a.z, b.z)));
}
float Distance(const Vector4& a, const Vector4& b) {
  return Distance(Vector3{a.x, a.y, a.z}, Vector3{b.x, b.y, b.z});
}

Vector3 Cross(const Vector3& a, const Vector3& b) {
  return {F(Wide{a.y} * b.z - Wide{a.z} * b.y), F(Wide{a.z} * b.x - Wide{a.x} * b.z),
          F(Wide{a.x} * b.y - Wide{a.y} * b.x)};
}
Vector4 Cross(const Vector4& a, const Vector4& b) {
  return Vector4(Cross(Vector3{a.x, a.y, a.z}, Vector3{b.x, b.y, b.z}), a.w);
}

Vector2 SegmentNormal(const Vector2& a, const Vector2& b) {
  const Vector2 d = b - a;
  const Wide n = Length(d);
  return {F(d.y / n), F(-d.x / n)};
}

float AngleBetween(const Vector3& a, const Vector3& b) {
  const Wide q = Wide{Dot(a, b)} / (Wide{Length(b)} * Length(a));
  return F(std::atan2(std::sqrt(1 - q * q), q));
}

std::string ToString(const Vector2& v) {
  return "x: " + detail::SingleText(v.x) + ", y: " + detail::SingleText(v.y);
}
std::string ToString(const Vector3& v) {
  return "x: " + detail::SingleText(v.x) + ", y: " + detail::SingleText(v.y) +
         ", z: " + detail::SingleText(v.z);
}
std::string ToString(const Vector4& v) {
  return "x: " + detail::SingleText(v.x) + ", y: " + detail::SingleText(v.y) +
         ", z: " + detail::SingleText(v.z) + ", w: " + detail::DoubleText(v.w);
}

}  // namespace transform
