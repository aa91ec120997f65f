// A 4x4 single-precision matrix for affine transforms, acting on column vectors.
//
//   transform::Matrix m;                 // all 16 elements 0
//   m.LoadIdentity();
//   m.Translate(24, 24, 0);              // m = m * T(24, 24, 0)
//   m.Rotate(0, 0, 90);                  // m = m * Rz(90 degrees)
//   m.Translate(-24, -24, 0);
//   transform::Vector3 p = transform::TransformPoint(transform::Vector3{1, 2, 0}, m);
//
// Storage is column-major: element (row r, column c) is element 4*c + r; elements
// 0-2 are the X axis, 4-6 the Y axis, 8-10 the Z axis, 12-14 the position.
// Arithmetic: each element is a single; sums of products, angles, sines and
// cosines are formed in extended precision (long double) and rounded to single
// when stored, so every result is reproducible bit for bit. Angles are degrees,
// converted with DEG_TO_RAD. Every operation post-multiplies (this = this * X).
// A Matrix is a plain value: any thread, callers sharing one synchronise.
#pragma once
#include <cstdint>
#include <string>

#include "transform/vector.h"

namespace transform {

// Degrees to radians as the single 0.0174532924 (bits 0x3C8EFA35), slightly
// below pi/180: cos(90 degrees) comes out about 1.2e-8, not 0.
inline constexpr float DEG_TO_RAD = 0.0174532924f;

class Matrix {
 public:
  // All 16 elements 0.
  Matrix() : Matrix(0.0f) {}
  // All 16 elements `value`.
  explicit Matrix(float value);
  // Columns a, b, c (axes) and d (position); elements 3, 7, 11 = 0 and 15 = 1.
  Matrix(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d);

  static Matrix Identity();
  void LoadIdentity();

  // this = this * other; other may be this itself (then this is squared).
  void Multiply(const Matrix& other);
  // a * b as a new matrix.
  static Matrix Product(const Matrix& a, const Matrix& b);

  // this = this * T(x, y, z).
  void Translate(int32_t x, int32_t y, int32_t z);
  void Translate(float x, float y, float z);
  // this = this * Rx(ax) * Ry(ay) * Rz(az), degrees, right-handed; a zero angle
  // multiplies nothing in, so Rotate(0, 0, 0) leaves this bit for bit unchanged.
  void Rotate(int32_t ax, int32_t ay, int32_t az);
  void Rotate(float ax, float ay, float az);
  // this = this * S(s, s, s) or S(sx, sy, sz).
  void Scale(float s);
  void Scale(float sx, float sy, float sz);

  // Overwrites the 3x3 block and element 15 with a rotation by `angle` degrees
  // about `axis`, normalising the caller's axis in place. The block is the
  // transpose of what Rotate builds (axis (0,0,1): element 1 = -sin, 4 = +sin).
  // Elements 3, 7, 11 and the position are left as they were.
  void RotateAxis(Vector3& axis, float angle);
  // Viewing transform: maps eye to the origin, looking down -Z with `up` as up.
  void LookAt(const Vector3& eye, const Vector3& target, const Vector3& up);
  // Inverse of a matrix made of rotations and translations only (not checked).
  void InvertRigid();
  static Matrix InvertedRigid(const Matrix& m);
  // Projection onto the plane (a, b, c, d) [a*x + b*y + c*z + d = 0] along rays
  // from the light (w = 1: a position, w = 0: a direction). Reads no matrix.
  static Matrix PlanarShadow(const Vector4& light, const Vector4& plane);
  // A frame whose Z axis is the normalised direction and whose position is 0.
  // The X axis is Cross(aux, Z) normalised and the Y axis Cross(Z, X), with aux =
  // (-y, z, 0) when |Z.z| > 0.577, else (-y, x, 0): X, Y, Z are then orthonormal
  // and right-handed. A zero direction gives non-finite elements.
  void FaceDirection(const Vector3& direction);

  Vector3 AxisX() const { return {m_[0], m_[1], m_[2]}; }
  Vector3 AxisY() const { return {m_[4], m_[5], m_[6]}; }
  Vector3 AxisZ() const { return {m_[8], m_[9], m_[10]}; }
  Vector3 Position() const { return {m_[12], m_[13], m_[14]}; }
  void SetAxisX(const Vector3& v) { Set(0, v); }
  void SetAxisY(const Vector3& v) { Set(4, v); }
  void SetAxisZ(const Vector3& v) { Set(8, v); }
  void SetPosition(const Vector3& v) { Set(12, v); }

  // The 16 elements as an array, column-major.
  float* Elements() { return m_; }
  const float* Elements() const { return m_; }

  // 16 lines "(0 ) 1" ... "(10) 1" ... "(15) 1", each ended by CR LF, values as
  // singles with 7 significant digits (see vector.h for the exponent form).
  std::string ToString() const;

 private:
  void Set(int first, const Vector3& v) {
    m_[first] = v.x;
    m_[first + 1] = v.y;
    m_[first + 2] = v.z;
  }

  float m_[16];
};

// v transformed as a point (w = 1) by m. Every partial sum is rounded to single:
// m0*x, then + m4*y, then + m8*z, then + m12. A Vector4's w is copied unchanged.
Vector2 TransformPoint(const Vector2& v, const Matrix& m);
Vector3 TransformPoint(const Vector3& v, const Matrix& m);
Vector4 TransformPoint(const Vector4& v, const Matrix& m);

}  // namespace transform
