#pragma once
// What the viewer window does to the scene when the user drags, presses the
// page keys or turns the wheel, kept apart from the window so it can be run
// without a display.
#include <cstdint>

#include "viewer/ViewerScene.h"

namespace viewer {

// Turns the model for a drag of dx pixels to the right and dy pixels upwards:
// about the on-screen axis perpendicular to the drag, by e / sqrt(e^2 + 50^2)
// radians for a drag of length e, about centre (in the model frame's
// coordinates; its origin unless given), which stays where it is. False, and
// nothing turned, for a drag of length 0.
bool TurnModel(ViewerScene& scene, std::int32_t dx, std::int32_t dy, Vec3 centre = {});

// Moves the camera along the line through centre (in the model frame's
// coordinates; its origin unless given), multiplying its distance from it by
// factor (0.9 closer, 1.1 farther) but keeping at least 0.0001.
void ChangeCameraDistance(ViewerScene& scene, float factor, Vec3 centre = {});

// The centre of the box of the loaded model's drawn vertices, in the model
// frame's coordinates; the origin for a scene without a model.
Vec3 ModelBoxCentre(const ViewerScene& scene);

// Turns the model about its own origin so that the camera sees it from the
// diagonal in front of it, to its right and above it, as a thumbnail shows it:
// no face in one of the model's axis planes is then seen edge-on.
void TurnToThreeQuarterView(ViewerScene& scene);

// The margin FitCameraToModel leaves around the model, as a share of the way
// from the picture's centre to each edge: the model spans 95 % of the
// picture's width or height, whichever it reaches first.
constexpr float FitMargin = 0.05f;

// Moves the camera, without turning it, so that the loaded model fills a
// picture of width x height pixels, centred: from the nearest place at which
// every drawn vertex lies inside the picture less the margin on each side, and
// beyond the front clipping plane. Nothing happens for a scene without a model
// or drawn vertices.
void FitCameraToModel(ViewerScene& scene, int width, int height, float margin = FitMargin);

// How far Left and Right step the animation: one frame at 30 frames a second.
constexpr double AnimationStepSeconds = 1.0 / 30;

// Moves the loaded model's animation on by seconds (back for a negative
// number), starting again after its end and going round to it before its
// start. False, and nothing changed, for a scene whose model does not move.
bool AdvanceAnimation(ViewerScene& scene, double seconds);

// Camera distance factors of the page keys and the wheel.
constexpr float CloserFactor = 0.9f;
constexpr float FartherFactor = 1.1f;

// A colour of the colour dialog (red in the low byte, then green, then blue)
// as the scene's background.
Color3 BackgroundFromColorRef(std::uint32_t color);

}  // namespace viewer
