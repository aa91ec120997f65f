// Matrix: the numbers and texts its operations must produce, bit for bit where
// the rounding is fixed.
#include "transform/matrix.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace transform {
namespace {

using Elements16 = std::array<float, 16>;

Elements16 ElementsOf(const Matrix& m) {
  Elements16 e;
  std::memcpy(e.data(), m.Elements(), sizeof e);
  return e;
}

// Bitwise equality, so that -0 versus 0 and the last bit both count.
void ExpectSameBits(const Matrix& a, const Matrix& b) {
  EXPECT_EQ(0, std::memcmp(a.Elements(), b.Elements(), 16 * sizeof(float)))
      << a.ToString() << "versus\n" << b.ToString();
}

void ExpectNear(const Vector3& v, const Vector3& expected, float tolerance = 1e-6f) {
  EXPECT_NEAR(v.x, expected.x, tolerance);
  EXPECT_NEAR(v.y, expected.y, tolerance);
  EXPECT_NEAR(v.z, expected.z, tolerance);
}

TEST(MatrixTest, DegreeConstantAndAxesConstructor) {
  EXPECT_EQ(std::bit_cast<uint32_t>(DEG_TO_RAD), 0x3C8EFA35u);
  const Matrix axes({1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12});
  EXPECT_EQ(ElementsOf(axes), (Elements16{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 1}));
}

TEST(MatrixTest, TranslateRotateZeroTranslateBackIsExactlyIdentity) {
  Matrix m = Matrix::Identity();
  m.Translate(24, 24, 0);
  m.Rotate(0, 0, 0);
  m.Translate(-24, -24, 0);
  ExpectSameBits(m, Matrix::Identity());
}

TEST(MatrixTest, QuarterTurnLeavesTinyCosine) {
  Matrix m = Matrix::Identity();
  m.Rotate(0, 0, 90);
  const float* e = m.Elements();
  // DEG_TO_RAD is a little under pi/180, so 90 degrees stops short of pi/2.
  EXPECT_GT(e[0], 1.0e-8f);
  EXPECT_LT(e[0], 1.3e-8f);
  EXPECT_EQ(e[0], static_cast<float>(std::cos(90.0L * DEG_TO_RAD)));
  EXPECT_EQ(e[1], 1.0f);
  EXPECT_EQ(e[4], -1.0f);
  EXPECT_EQ(std::bit_cast<uint32_t>(e[5]), std::bit_cast<uint32_t>(e[0]));
}

TEST(MatrixTest, RotationsAreRightHandedTakenXYZAndOverloadsAgree) {
  Matrix x = Matrix::Identity(), y = Matrix::Identity();
  x.Rotate(90, 0, 0);
  y.Rotate(0, 90, 0);
  EXPECT_EQ(TransformPoint(Vector3{0, 1, 0}, x).z, 1.0f);  // about X, Y turns to Z
  EXPECT_EQ(TransformPoint(Vector3{0, 0, 1}, y).x, 1.0f);  // about Y, Z turns to X
  Matrix together = Matrix::Identity(), apart = Matrix::Identity();
  together.Rotate(90, 90, 90);
  apart.Multiply(x);
  apart.Multiply(y);
  apart.Rotate(0, 0, 90);
  ExpectSameBits(together, apart);

  Matrix byInt = Matrix::Identity(), bySingle = Matrix::Identity();
  byInt.Translate(3, -4, 5);
  byInt.Rotate(10, 20, 30);
  bySingle.Translate(3.0f, -4.0f, 5.0f);
  bySingle.Rotate(10.0f, 20.0f, 30.0f);
  ExpectSameBits(byInt, bySingle);
}

TEST(MatrixTest, MultiplySumsInExtendedPrecisionAndSquaresItself) {
  Matrix a = Matrix::Identity(), b;
  a.Elements()[0] = 1e8f, a.Elements()[4] = 1.0f, a.Elements()[8] = -1e8f;
  b.Elements()[0] = b.Elements()[1] = b.Elements()[2] = 1.0f;
  a.Multiply(b);
  // Summed in single, 1e8 + 1 would lose the 1 before -1e8 came in.
  EXPECT_EQ(a.Elements()[0], 1.0f);

  Matrix m = Matrix::Identity();
  m.Rotate(0, 0, 30);
  m.Translate(-24, 7, 0);
  m.Scale(2.0f, 0.5f, 3.0f);
  const Matrix square = Matrix::Product(m, m);
  m.Multiply(m);  // reads its own elements while writing them
  ExpectSameBits(m, square);
}

TEST(MatrixTest, ScaleMultipliesTheAxes) {
  Matrix m = Matrix::Identity();
  m.Translate(1, 2, 3);
  m.Scale(2.0f);
  m.Scale(1.0f, 0.5f, 4.0f);
  EXPECT_EQ(ElementsOf(m), (Elements16{2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 8, 0, 1, 2, 3, 1}));
}

TEST(MatrixTest, RotateAxisIsTheTransposeAndNormalisesTheAxis) {
  Matrix m(5.0f);
  Vector3 axis{0, 0, 2};
  m.RotateAxis(axis, 90.0f);
  EXPECT_EQ((std::array{axis.x, axis.y, axis.z}), (std::array{0.0f, 0.0f, 1.0f}));
  const float* e = m.Elements();
  EXPECT_EQ(e[15], 1.0f);
  for (int untouched : {3, 7, 11, 12, 13, 14}) EXPECT_EQ(e[untouched], 5.0f) << untouched;
  Matrix rotate = Matrix::Identity();
  rotate.Rotate(0, 0, 90);
  const float* r = rotate.Elements();
  for (int row = 0; row < 3; ++row) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(e[4 * c + row], r[4 * row + c]) << row << "," << c;
  }
}

TEST(MatrixTest, RigidInverseUndoesTheTransform) {
  Matrix m = Matrix::Identity();
  m.Rotate(0, 0, 30);
  m.Translate(5, 7, 0);
  const Matrix inverse = Matrix::InvertedRigid(m);
  for (const Matrix& p : {Matrix::Product(inverse, m), Matrix::Product(m, inverse)}) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(p.Elements()[i], i % 5 == 0 ? 1.0f : 0.0f, 1e-6f);
  }
  Matrix inPlace = m;
  inPlace.InvertRigid();
  ExpectSameBits(inPlace, inverse);
}

TEST(MatrixTest, PlanarShadowFlattensOntoThePlane) {
  const Matrix shadow = Matrix::PlanarShadow(Vector4(0, 10, 0, 1.0), Vector4(0, 1, 0, 0.0));
  const std::array<double, 4> v{3, 5, 0, 1};
  std::array<double, 4> p{};
  for (int row = 0; row < 4; ++row) {
    for (int c = 0; c < 4; ++c) p[row] += double{shadow.Elements()[4 * c + row]} * v[c];
  }
  EXPECT_EQ(p, (std::array<double, 4>{30, 0, 0, 5}));  // (6, 0, 0) once divided by w
}

TEST(MatrixTest, LookAtMapsEyeToOriginLookingDownMinusZ) {
  Matrix view;
  view.LookAt({1, 2, 5}, {1, 2, 0}, {0, 1, 0});
  ExpectNear(TransformPoint(Vector3{1, 2, 5}, view), {0, 0, 0});
  ExpectNear(TransformPoint(Vector3{1, 2, 0}, view), {0, 0, -5});
  ExpectNear(TransformPoint(Vector3{1, 3, 5}, view), {0, 1, 0});
}

class FaceDirectionTest : public ::testing::TestWithParam<Vector3> {};

TEST_P(FaceDirectionTest, BuildsARightHandedOrthonormalFrame) {
  Matrix m(7.0f);
  m.FaceDirection(GetParam());
  Vector3 z = GetParam();
  Normalize(z);
  const Vector3 ax = m.AxisX(), ay = m.AxisY();
  ExpectNear(m.AxisZ(), z);
  ExpectNear(Cross(ax, ay), z);  // with unit z this also makes x and y unit and orthogonal
  EXPECT_NEAR(Dot(ax, ay), 0, 1e-6);
  const float* e = m.Elements();
  EXPECT_EQ((std::array{e[3], e[7], e[11], e[12], e[13], e[14], e[15]}),
            (std::array<float, 7>{0, 0, 0, 0, 0, 0, 1}));
}

// Both auxiliary vectors: |z| above and below 0.577, and an axis direction.
INSTANTIATE_TEST_SUITE_P(Directions, FaceDirectionTest,
                         ::testing::Values(Vector3{1, 2, 3}, Vector3{1, 2, 0.1f}, Vector3{0, 0, -4},
                                           Vector3{1, 0, 0}));

TEST(MatrixTest, TransformPointRoundsEveryPartialSum) {
  Matrix m = Matrix::Identity();
  m.Elements()[4] = 1.0f;  // x' = x + y + m12
  m.SetPosition({-1e8f, 0, 0});
  // 1e8 + 1 rounds back to 1e8 in single before the translation comes in.
  EXPECT_EQ(TransformPoint(Vector2{1e8f, 1}, m).x, 0.0f);
  Vector3 three{1e8f, 1, 0};
  three *= m;
  EXPECT_EQ(three.x, 0.0f);
  Vector4 four(1e8f, 1, 2, 0.25);  // w is neither used nor changed
  four *= m;
  EXPECT_EQ((std::array{four.x, four.z}), (std::array{0.0f, 2.0f}));
  EXPECT_EQ(four.w, 0.25);
}

TEST(MatrixTest, ToStringTexts) {
  EXPECT_EQ(Matrix::Identity().ToString(),
            "(0 ) 1\r\n(1 ) 0\r\n(2 ) 0\r\n(3 ) 0\r\n(4 ) 0\r\n(5 ) 1\r\n(6 ) 0\r\n(7 ) 0\r\n"
            "(8 ) 0\r\n(9 ) 0\r\n(10) 1\r\n(11) 0\r\n(12) 0\r\n(13) 0\r\n(14) 0\r\n(15) 1\r\n");
  EXPECT_EQ(Matrix(0.0f).ToString(),
            "(0 ) 0\r\n(1 ) 0\r\n(2 ) 0\r\n(3 ) 0\r\n(4 ) 0\r\n(5 ) 0\r\n(6 ) 0\r\n(7 ) 0\r\n"
            "(8 ) 0\r\n(9 ) 0\r\n(10) 0\r\n(11) 0\r\n(12) 0\r\n(13) 0\r\n(14) 0\r\n(15) 0\r\n");
  Matrix m;
  const float values[12] = {0.5f,        -2.25f, 1234567.0f, 12345678.0f, 0.0001f, 1e-5f,
                            1.0f / 3.0f, -0.0f,  100.0f,     1e7f,        2.5e-8f, -1e20f};
  std::memcpy(m.Elements(), values, sizeof values);
  EXPECT_EQ(m.ToString().substr(0, 154),
            "(0 ) 0.5\r\n(1 ) -2.25\r\n(2 ) 1234567\r\n(3 ) 1.234568e+07\r\n(4 ) 0.0001\r\n"
            "(5 ) 1e-05\r\n(6 ) 0.3333333\r\n(7 ) -0\r\n(8 ) 100\r\n(9 ) 1e+07\r\n"
            "(10) 2.5e-08\r\n(11) -1e+20\r\n");
}

}  // namespace
}  // namespace transform
