#pragma once
// Small vector and matrix types for the retained-mode scene. The conventions are
// those of the scene: left-handed (x right, y up, z into the screen), points are
// row vectors multiplied on the left (p' = p * M), so the last row of a matrix
// holds its translation, as in .x FrameTransformMatrix data.
#include <array>
#include <cmath>

namespace viewer {

struct Vec3 {
    float x = 0, y = 0, z = 0;

    friend Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    friend Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
    Vec3& operator+=(Vec3 b) { return *this = *this + b; }
};

struct Vec2 {
    float u = 0, v = 0;
};

inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
// A zero vector stays zero.
inline Vec3 Normalize(Vec3 a) {
    const float length = Length(a);
    return length > 0 ? a * (1.0f / length) : a;
}

// 4 x 4 matrix, row-major: m[row][column].
struct Matrix4 {
    std::array<std::array<float, 4>, 4> m{};

    static Matrix4 Identity();
    static Matrix4 Translation(Vec3 offset);
    // Turns points about the axis by angle radians; looking along the axis from
    // its positive end to the origin, a positive angle turns clockwise, as the
    // left-handed system has it.
    static Matrix4 Rotation(Vec3 axis, float angle);
    // The rows are the three axes of a frame followed by its origin.
    static Matrix4 FromAxes(Vec3 xAxis, Vec3 yAxis, Vec3 zAxis, Vec3 origin);

    Vec3 Row(int row) const { return {m[row][0], m[row][1], m[row][2]}; }
    void SetRow(int row, Vec3 value);

    friend Matrix4 operator*(const Matrix4& a, const Matrix4& b);
};

Vec3 TransformPoint(Vec3 point, const Matrix4& matrix);
Vec3 TransformDirection(Vec3 direction, const Matrix4& matrix);
// Determinant of the upper 3 x 3 part: negative for a mirroring matrix.
float Determinant(const Matrix4& matrix);
// Inverse of an affine matrix (last column 0, 0, 0, 1).
Matrix4 InverseAffine(const Matrix4& matrix);
// The matrix that carries normals along with an affine matrix: the inverse
// transpose of its upper 3 x 3 part, without translation.
Matrix4 NormalMatrix(const Matrix4& matrix);

}  // namespace viewer
