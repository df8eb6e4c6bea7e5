#include "viewer/Math3D.h"

namespace viewer {

Matrix4 Matrix4::Identity() {
    Matrix4 result;
    for (int i = 0; i < 4; ++i) result.m[i][i] = 1;
    return result;
}

Matrix4 Matrix4::Translation(Vec3 offset) {
    Matrix4 result = Identity();
    result.SetRow(3, offset);
    return result;
}

Matrix4 Matrix4::Rotation(Vec3 axis, float angle) {
    const Vec3 k = Normalize(axis);
    const float c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    // Rodrigues' formula, transposed for row vectors.
    Matrix4 result = Identity();
    result.m[0] = {t * k.x * k.x + c, t * k.x * k.y + s * k.z, t * k.x * k.z - s * k.y, 0};
    result.m[1] = {t * k.x * k.y - s * k.z, t * k.y * k.y + c, t * k.y * k.z + s * k.x, 0};
    result.m[2] = {t * k.x * k.z + s * k.y, t * k.y * k.z - s * k.x, t * k.z * k.z + c, 0};
    return result;
}

Matrix4 Matrix4::FromAxes(Vec3 xAxis, Vec3 yAxis, Vec3 zAxis, Vec3 origin) {
    Matrix4 result = Identity();
    result.SetRow(0, xAxis);
    result.SetRow(1, yAxis);
    result.SetRow(2, zAxis);
    result.SetRow(3, origin);
    return result;
}

void Matrix4::SetRow(int row, Vec3 value) {
    m[row][0] = value.x;
    m[row][1] = value.y;
    m[row][2] = value.z;
}

Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
    Matrix4 result;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[row][k] * b.m[k][column];
            result.m[row][column] = sum;
        }
    return result;
}

Vec3 TransformPoint(Vec3 p, const Matrix4& a) {
    return TransformDirection(p, a) + a.Row(3);
}

Vec3 TransformDirection(Vec3 d, const Matrix4& a) {
    return {d.x * a.m[0][0] + d.y * a.m[1][0] + d.z * a.m[2][0],
            d.x * a.m[0][1] + d.y * a.m[1][1] + d.z * a.m[2][1],
            d.x * a.m[0][2] + d.y * a.m[1][2] + d.z * a.m[2][2]};
}

float Determinant(const Matrix4& a) {
    return Dot(a.Row(0), Cross(a.Row(1), a.Row(2)));
}

namespace {

// Inverse of the upper 3 x 3 part by cofactors; a singular part gives zeros.
Matrix4 InverseLinear(const Matrix4& a) {
    const auto& m = a.m;
    const float c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    const float c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    const float c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    const float det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
    Matrix4 result = Matrix4::Identity();
    if (det == 0) {
        for (int i = 0; i < 3; ++i) result.m[i][i] = 0;
        return result;
    }
    const float f = 1 / det;
    result.m[0] = {c00 * f, (m[0][2] * m[2][1] - m[0][1] * m[2][2]) * f,
                   (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * f, 0};
    result.m[1] = {c01 * f, (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * f,
                   (m[0][2] * m[1][0] - m[0][0] * m[1][2]) * f, 0};
    result.m[2] = {c02 * f, (m[0][1] * m[2][0] - m[0][0] * m[2][1]) * f,
                   (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * f, 0};
    return result;
}

}  // namespace

Matrix4 InverseAffine(const Matrix4& a) {
    Matrix4 result = InverseLinear(a);
    result.SetRow(3, TransformDirection(a.Row(3), result) * -1.0f);
    return result;
}

Matrix4 NormalMatrix(const Matrix4& a) {
    const Matrix4 inverse = InverseLinear(a);
    Matrix4 result = Matrix4::Identity();
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) result.m[row][column] = inverse.m[column][row];
    return result;
}

}  // namespace viewer
