// Two-, three- and four-component vectors for the matrix library.
//
//   transform::Vector3 v{0, 3, 4};
//   transform::Normalize(v);                // (0, 0.6, 0.8)
//   v *= matrix;                            // v = TransformPoint(v, matrix)
//   std::string s = transform::ToString(v); // "x: 0, y: 0.6, z: 0.8"
//
// x, y and z are singles; a Vector4's w is a double. Every operation computes in
// extended precision (long double) and rounds each component to its field's type
// when it is stored, so results do not depend on how the compiler schedules float
// arithmetic. The operators are deliberately uneven across the three types (no
// unary minus on Vector2, no Vector4 - scalar, ...): only the forms below exist.
//
// Choices made here:
// - Distance(Vector4, Vector4) measures x, y and z only; w is a homogeneous
//   weight, not a coordinate (Length, Dot and Normalize do include w).
// - ToString writes singles with 7 significant digits and w with 16, in the
//   shortest of fixed or exponent form as printf's %g does: exponent form when
//   the decimal exponent is below -4 or at least the digit count, written as
//   "e-08" / "e+07" (sign and at least two digits). 1.2e-08f gives "1.2e-08".
// Plain values: any thread, nothing shared.
#pragma once
#include <cstdint>
#include <string>

namespace transform {

class Matrix;

struct Vector2 {
  float x = 0.0f;
  float y = 0.0f;
};

struct Vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

struct Vector4 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  double w = 0.0;

  Vector4() = default;
  Vector4(float x_, float y_, float z_, double w_) : x(x_), y(y_), z(z_), w(w_) {}
  // Copy of a Vector3 plus a w.
  Vector4(const Vector3& v, double w_) : x(v.x), y(v.y), z(v.z), w(w_) {}
};

namespace detail {
using Wide = long double;  // the extended precision every operation computes in
inline float F(Wide v) { return static_cast<float>(v); }
inline double D(Wide v) { return static_cast<double>(v); }
}  // namespace detail

// ---- Vector2 ---------------------------------------------------------------

inline Vector2 operator+(const Vector2& a, const Vector2& b) {
  using detail::F, detail::Wide;
  return {F(Wide{a.x} + b.x), F(Wide{a.y} + b.y)};
}
inline Vector2 operator-(const Vector2& a, const Vector2& b) {
  using detail::F, detail::Wide;
  return {F(Wide{a.x} - b.x), F(Wide{a.y} - b.y)};
}
inline Vector2 operator*(const Vector2& a, const Vector2& b) {
  using detail::F, detail::Wide;
  return {F(Wide{a.x} * b.x), F(Wide{a.y} * b.y)};
}
inline Vector2 operator/(const Vector2& a, const Vector2& b) {
  using detail::F, detail::Wide;
  return {F(Wide{a.x} / b.x), F(Wide{a.y} / b.y)};
}
inline Vector2 operator+(const Vector2& v, float s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} + s), F(Wide{v.y} + s)};
}
inline Vector2 operator*(const Vector2& v, float s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} * s), F(Wide{v.y} * s)};
}
inline Vector2 operator*(const Vector2& v, double s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} * s), F(Wide{v.y} * s)};
}
inline Vector2 operator/(const Vector2& v, int32_t s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} / s), F(Wide{v.y} / s)};
}
inline Vector2 operator/(const Vector2& v, float s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} / s), F(Wide{v.y} / s)};
}
inline Vector2 operator/(const Vector2& v, double s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} / s), F(Wide{v.y} / s)};
}

// ---- Vector3 ---------------------------------------------------------------

inline Vector3 operator+(const Vector3& a, const Vector3& b) {
  using detail::F, detail::Wide;
  return {F(Wide{a.x} + b.x), F(Wide{a.y} + b.y), F(Wide{a.z} + b.z)};
}
inline Vector3 operator-(const Vector3& a, const Vector3& b) {
  using detail::F, detail::Wide;
  return {F(Wide{a.x} - b.x), F(Wide{a.y} - b.y), F(Wide{a.z} - b.z)};
}
inline Vector3 operator*(const Vector3& a, const Vector3& b) {
  using detail::F, detail::Wide;
  return {F(Wide{a.x} * b.x), F(Wide{a.y} * b.y), F(Wide{a.z} * b.z)};
}
inline Vector3 operator/(const Vector3& a, const Vector3& b) {
  using detail::F, detail::Wide;
  return {F(Wide{a.x} / b.x), F(Wide{a.y} / b.y), F(Wide{a.z} / b.z)};
}
inline Vector3 operator-(const Vector3& v) { return {-v.x, -v.y, -v.z}; }
inline Vector3 operator+(const Vector3& v, float s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} + s), F(Wide{v.y} + s), F(Wide{v.z} + s)};
}
inline Vector3 operator-(const Vector3& v, float s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} - s), F(Wide{v.y} - s), F(Wide{v.z} - s)};
}
inline Vector3 operator*(const Vector3& v, float s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} * s), F(Wide{v.y} * s), F(Wide{v.z} * s)};
}
inline Vector3 operator*(const Vector3& v, double s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} * s), F(Wide{v.y} * s), F(Wide{v.z} * s)};
}
inline Vector3 operator/(const Vector3& v, float s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} / s), F(Wide{v.y} / s), F(Wide{v.z} / s)};
}
inline Vector3 operator/(const Vector3& v, double s) {
  using detail::F, detail::Wide;
  return {F(Wide{v.x} / s), F(Wide{v.y} / s), F(Wide{v.z} / s)};
}
inline Vector3& operator*=(Vector3& v, float s) { return v = v * s; }
// v becomes TransformPoint(v, m): the full point transform with w = 1.
Vector3& operator*=(Vector3& v, const Matrix& m);

// ---- Vector4 (x, y, z singles; w double) -----------------------------------

inline Vector4 operator+(const Vector4& a, const Vector4& b) {
  using detail::F, detail::D, detail::Wide;
  return {F(Wide{a.x} + b.x), F(Wide{a.y} + b.y), F(Wide{a.z} + b.z), D(Wide{a.w} + b.w)};
}
inline Vector4 operator-(const Vector4& a, const Vector4& b) {
  using detail::F, detail::D, detail::Wide;
  return {F(Wide{a.x} - b.x), F(Wide{a.y} - b.y), F(Wide{a.z} - b.z), D(Wide{a.w} - b.w)};
}
inline Vector4 operator*(const Vector4& a, const Vector4& b) {
  using detail::F, detail::D, detail::Wide;
  return {F(Wide{a.x} * b.x), F(Wide{a.y} * b.y), F(Wide{a.z} * b.z), D(Wide{a.w} * b.w)};
}
inline Vector4 operator/(const Vector4& a, const Vector4& b) {
  using detail::F, detail::D, detail::Wide;
  return {F(Wide{a.x} / b.x), F(Wide{a.y} / b.y), F(Wide{a.z} / b.z), D(Wide{a.w} / b.w)};
}
inline Vector4 operator+(const Vector4& v, float s) {
  using detail::F, detail::D, detail::Wide;
  return {F(Wide{v.x} + s), F(Wide{v.y} + s), F(Wide{v.z} + s), D(Wide{v.w} + s)};
}
inline Vector4 operator*(const Vector4& v, float s) {
  using detail::F, detail::D, detail::Wide;
  return {F(Wide{v.x} * s), F(Wide{v.y} * s), F(Wide{v.z} * s), D(Wide{v.w} * s)};
}
inline Vector4 operator/(const Vector4& v, int32_t s) {
  using detail::F, detail::D, detail::Wide;
  return {F(Wide{v.x} / s), F(Wide{v.y} / s), F(Wide{v.z} / s), D(Wide{v.w} / s)};
}
inline Vector4 operator/(const Vector4& v, float s) {
  using detail::F, detail::D, detail::Wide;
  return {F(Wide{v.x} / s), F(Wide{v.y} / s), F(Wide{v.z} / s), D(Wide{v.w} / s)};
}
inline Vector4 operator/(const Vector4& v, double s) {
  using detail::F, detail::D, detail::Wide;
  return {F(Wide{v.x} / s), F(Wide{v.y} / s), F(Wide{v.z} / s), D(Wide{v.w} / s)};
}
// x, y and z transform as a point with w = 1; the vector's own w is left as is.
Vector4& operator*=(Vector4& v, const Matrix& m);

// ---- Products, lengths, distances ------------------------------------------

// Sum of the component products, rounded to single (a Vector4's w included).
float Dot(const Vector2& a, const Vector2& b);
float Dot(const Vector3& a, const Vector3& b);
float Dot(const Vector4& a, const Vector4& b);

// Euclidean length as a single; 1 for a zero vector, so that dividing by it is
// always safe.
float Length(const Vector2& v);
float Length(const Vector3& v);
float Length(const Vector4& v);

// v = v / Length(v), in place; a zero vector stays zero.
void Normalize(Vector2& v);
void Normalize(Vector3& v);
void Normalize(Vector4& v);

// Distance between two points (0 for equal points). The Vector4 form ignores w.
float Distance(const Vector2& a, const Vector2& b);
float Distance(const Vector3& a, const Vector3& b);
float Distance(const Vector4& a, const Vector4& b);

// Cross product of x, y and z; the Vector4 form takes w from a.
Vector3 Cross(const Vector3& a, const Vector3& b);
Vector4 Cross(const Vector4& a, const Vector4& b);

// Unit normal of the segment a -> b: d = b - a turned a quarter turn clockwise
// (in a y-up frame), (d.y, -d.x) / Length(d). (0, 0) for a = b.
Vector2 SegmentNormal(const Vector2& a, const Vector2& b);

// Angle between a and b in radians, 0 to pi; pi/2 when either is zero. The cosine
// is not clamped, so rounding past +-1 gives NaN.
float AngleBetween(const Vector3& a, const Vector3& b);

// "x: 1, y: 2.5" / "x: 1, y: 2.5, z: -3" / "x: 0, y: 0, z: 0, w: 0.1".
std::string ToString(const Vector2& v);
std::string ToString(const Vector3& v);
std::string ToString(const Vector4& v);

}  // namespace transform
