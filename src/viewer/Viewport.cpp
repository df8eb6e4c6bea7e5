#include "viewer/Viewport.h"

#include <algorithm>

namespace viewer {

Matrix4 Viewport::ViewMatrix() const {
    return camera ? InverseAffine(camera->WorldTransform()) : Matrix4::Identity();
}

Matrix4 Viewport::ProjectionMatrix() const {
    const float longer = static_cast<float>(std::max({width, height, 1}));
    Matrix4 result;
    result.m[0][0] = longer / (field * static_cast<float>(std::max(width, 1)));
    result.m[1][1] = longer / (field * static_cast<float>(std::max(height, 1)));
    result.m[2][2] = (back + front) / (back - front);
    result.m[2][3] = 1;
    result.m[3][2] = -2 * back * front / (back - front);
    return result;
}

}  // namespace viewer
