// Matrix construction, products, the transform builders and the text form.
#include "transform/matrix.h"

#include <cmath>

#include "transform/number_text.h"

namespace transform {
namespace {

using Wide = long double;

float ToSingle(Wide v) { return static_cast<float>(v); }

// Cosine and sine of an angle in degrees, each rounded to single.
struct CosSin {
  float cs;
  float sn;
};
CosSin CosSinOfDegrees(Wide degrees) {
  const Wide radians = degrees * DEG_TO_RAD;
  return {ToSingle(std::cos(radians)), ToSingle(std::sin(radians))};
}

// Identity with the elements of a rotation about one axis (0 X, 1 Y, 2 Z)
// replaced, right-handed.
Matrix AxisRotation(int axis, Wide degrees) {
  const CosSin r = CosSinOfDegrees(degrees);
  Matrix m;
  m.LoadIdentity();
  float* e = m.Elements();
  switch (axis) {
    case 0:
      e[5] = r.cs, e[6] = r.sn, e[9] = -r.sn, e[10] = r.cs;
      break;
    case 1:
      e[0] = r.cs, e[2] = -r.sn, e[8] = r.sn, e[10] = r.cs;
      break;
    default:
      e[0] = r.cs, e[1] = r.sn, e[4] = -r.sn, e[5] = r.cs;
      break;
  }
  return m;
}

}  // namespace

Matrix::Matrix(float value) {
  for (float& e : m_) e = value;
}

Matrix::Matrix(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d) {
  LoadIdentity();
  SetAxisX(a);
  SetAxisY(b);
  SetAxisZ(c);
  SetPosition(d);
}

Matrix Matrix::Identity() {
  Matrix m;
  m.LoadIdentity();
  return m;
}

void Matrix::LoadIdentity() {
  for (int i = 0; i < 16; ++i) m_[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void Matrix::Multiply(const Matrix& other) {
  // The product of two singles is exact in double, so the 64 products are
  // formed there (where the compiler can vectorise them) and only the sums run
  // in long double: the same values as forming everything in long double.
  const float* o = other.m_;
  double products[16][4];
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      for (int k = 0; k < 4; ++k) {
        products[4 * c + r][k] = double{m_[4 * k + r]} * double{o[4 * c + k]};
      }
    }
  }
  // All 16 results are formed before any is stored, so other may alias this.
  for (int i = 0; i < 16; ++i) {
    const double* p = products[i];
    m_[i] = ToSingle(Wide{p[0]} + p[1] + p[2] + p[3]);
  }
}

Matrix Matrix::Product(const Matrix& a, const Matrix& b) {
  Matrix m = a;
  m.Multiply(b);
  return m;
}

void Matrix::Translate(int32_t x, int32_t y, int32_t z) {
  Translate(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void Matrix::Translate(float x, float y, float z) {
  Matrix t;
  t.LoadIdentity();
  t.SetPosition({x, y, z});
  Multiply(t);
}

void Matrix::Rotate(int32_t ax, int32_t ay, int32_t az) {
  const int32_t angles[3] = {ax, ay, az};
  for (int axis = 0; axis < 3; ++axis) {
    if (angles[axis] != 0) Multiply(AxisRotation(axis, angles[axis]));
  }
}

void Matrix::Rotate(float ax, float ay, float az) {
  const float angles[3] = {ax, ay, az};
  for (int axis = 0; axis < 3; ++axis) {
    if (angles[axis] != 0.0f) Multiply(AxisRotation(axis, angles[axis]));
  }
}

void Matrix::Scale(float s) { Scale(s, s, s); }

void Matrix::Scale(float sx, float sy, float sz) {
  Matrix t;
  t.LoadIdentity();
  t.m_[0] = sx;
  t.m_[5] = sy;
  t.m_[10] = sz;
  Multiply(t);
}

void Matrix::RotateAxis(Vector3& axis, float angle) {
  const CosSin r = CosSinOfDegrees(angle);
  const float t = ToSingle(1 - Wide{r.cs});
  Normalize(axis);
  const Wide x = axis.x, y = axis.y, z = axis.z;
  // The mixed products are rounded to single before they are combined.
  const Wide xyt = ToSingle(x * y * t), xzt = ToSingle(x * z * t), yzt = ToSingle(y * z * t);
  const Wide xs = ToSingle(x * r.sn), ys = ToSingle(y * r.sn), zs = ToSingle(z * r.sn);
  m_[0] = ToSingle(x * x * t + r.cs);
  m_[5] = ToSingle(y * y * t + r.cs);
  m_[10] = ToSingle(z * z * t + r.cs);
  m_[4] = ToSingle(xyt + zs);
  m_[1] = ToSingle(xyt - zs);
  m_[8] = ToSingle(xzt - ys);
  m_[2] = ToSingle(xzt + ys);
  m_[9] = ToSingle(yzt + xs);
  m_[6] = ToSingle(yzt - xs);
  m_[15] = 1.0f;
}

void Matrix::LookAt(const Vector3& eye, const Vector3& target, const Vector3& up) {
  Vector3 f = eye - target;
  Normalize(f);
  Vector3 s = Cross(f, up);
  Vector3 u = Cross(s, f);
  Normalize(s);
  Normalize(u);
  LoadIdentity();
  m_[0] = -s.x, m_[4] = -s.y, m_[8] = -s.z;
  m_[1] = u.x, m_[5] = u.y, m_[9] = u.z;
  m_[2] = f.x, m_[6] = f.y, m_[10] = f.z;
  Matrix toEye;
  toEye.LoadIdentity();
  toEye.SetPosition(-eye);
  Multiply(toEye);
}

void Matrix::InvertRigid() { *this = InvertedRigid(*this); }

Matrix Matrix::InvertedRigid(const Matrix& source) {
  const float* m = source.m_;
  Matrix inv;
  inv.LoadIdentity();
  float* e = inv.m_;
  e[0] = m[0], e[1] = m[4], e[2] = m[8];
  e[4] = m[1], e[5] = m[5], e[6] = m[9];
  e[8] = m[2], e[9] = m[6], e[10] = m[10];
  e[12] = ToSingle(-(Wide{m[0]} * m[12]) - Wide{m[1]} * m[13] - Wide{m[2]} * m[14]);
  e[13] = ToSingle(-(Wide{m[4]} * m[12]) - Wide{m[5]} * m[13] - Wide{m[6]} * m[14]);
  e[14] = ToSingle(-(Wide{m[8]} * m[12]) - Wide{m[9]} * m[13] - Wide{m[10]} * m[14]);
  return inv;
}

Matrix Matrix::PlanarShadow(const Vector4& light, const Vector4& plane) {
  // x, y and z products are singles, the w product a double, their sum a double.
  const double dot = static_cast<double>(
      Wide{ToSingle(Wide{light.x} * plane.x)} + ToSingle(Wide{light.y} * plane.y) +
      ToSingle(Wide{light.z} * plane.z) + static_cast<double>(Wide{light.w} * plane.w));
  const Wide l[4] = {light.x, light.y, light.z, light.w};
  const Wide p[4] = {plane.x, plane.y, plane.z, plane.w};
  Matrix shadow;
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      const Wide diagonal = (r == c) ? Wide{dot} : 0;
      shadow.m_[4 * c + r] = ToSingle(diagonal - l[r] * p[c]);
    }
  }
  return shadow;
}

void Matrix::FaceDirection(const Vector3& direction) {
  const float factor = ToSingle(1.0 / std::sqrt(Wide{Dot(direction, direction)}));
  const Vector3 z = direction * factor;
  LoadIdentity();
  SetAxisZ(z);
  SetPosition({0.0f, 0.0f, 0.0f});
  const Vector3 aux =
      (std::fabs(z.z) > 0.577) ? Vector3{-z.y, z.z, 0.0f} : Vector3{-z.y, z.x, 0.0f};
  Vector3 x = Cross(aux, z);
  Normalize(x);
  SetAxisX(x);
  SetAxisY(Cross(z, x));
}

std::string Matrix::ToString() const {
  std::string text;
  for (int i = 0; i < 16; ++i) {
    text += '(' + std::to_string(i) + (i < 10 ? " ) " : ") ");
    text += detail::SingleText(m_[i]);
    text += "\r\n";
  }
  return text;
}

Vector2 TransformPoint(const Vector2& v, const Matrix& m) {
  const float* e = m.Elements();
  const Wide x = v.x, y = v.y;
  const float rx = ToSingle(ToSingle(ToSingle(e[0] * x) + e[4] * y) + Wide{e[12]});
  const float ry = ToSingle(ToSingle(ToSingle(e[1] * x) + e[5] * y) + Wide{e[13]});
  return {rx, ry};
}

Vector3 TransformPoint(const Vector3& v, const Matrix& m) {
  const float* e = m.Elements();
  const Wide x = v.x, y = v.y, z = v.z;
  float r[3];
  for (int i = 0; i < 3; ++i) {
    float sum = ToSingle(e[i] * x);
    sum = ToSingle(sum + e[4 + i] * y);
    sum = ToSingle(sum + e[8 + i] * z);
    r[i] = ToSingle(Wide{sum} + e[12 + i]);
  }
  return {r[0], r[1], r[2]};
}

Vector4 TransformPoint(const Vector4& v, const Matrix& m) {
  return Vector4(TransformPoint(Vector3{v.x, v.y, v.z}, m), v.w);
}

Vector3& operator*=(Vector3& v, const Matrix& m) { return v = TransformPoint(v, m); }
Vector4& operator*=(Vector4& v, const Matrix& m) { return v = TransformPoint(v, m); }

}  // namespace transform
