#pragma once
// The viewport: renders the scene as seen from its camera frame, which looks
// along its +z axis with +y up. The field is half the width of the view at
// distance 1 in front of the camera, along the longer side of the viewport.
#include "viewer/Frame.h"
#include "viewer/Math3D.h"

namespace viewer {

// How transparent materials are drawn.
enum RenderMode : unsigned {
    RenderModeBlendedTransparency = 1,
    RenderModeSortedTransparency = 2,
};

struct Device {
    unsigned renderMode = 0;
    bool linearTextures = false;
    // Back faces drawn too, lit as if they faced the camera: a model whose
    // faces point away from it still shows.
    bool twoSided = false;
    // The background left fully transparent (alpha 0) instead of opaque.
    bool transparentBackground = false;
};

struct Viewport {
    const Frame* camera = nullptr;
    int width = 1;
    int height = 1;
    float front = 1;
    float back = 5000;
    float field = 0.5f;

    // From the world to the camera's coordinates.
    Matrix4 ViewMatrix() const;
    // From the camera's coordinates to clip coordinates (x, y, depth from -1
    // to 1, and w the distance in front of the camera).
    Matrix4 ProjectionMatrix() const;
};

}  // namespace viewer
