#pragma once
// What the fuzzers of the viewer's loaders do with a model that loaded: its box,
// and its pose at a few times of its animation, before, within and past its end.
#include "viewer/MeshBuilder.h"

namespace fuzzsupport {

inline void PoseAtSomeTimes(viewer::MeshBuilder& builder) {
    builder.GetBox();
    const double length = builder.AnimationSeconds();
    for (const double time : {0.0, length / 2, length, length * 1.5 + 1}) {
        builder.SetTime(time);
        builder.GetBox();
    }
}

}  // namespace fuzzsupport
