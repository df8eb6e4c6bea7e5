#pragma once
// The cameras and lights of a 3D Studio file's named objects as plain records,
// read as the file stores them: in the model's axes, before any keyframer.
#include <optional>
#include <string>
#include <vector>

#include "model3ds/Records.h"

namespace model3ds {

class TFile3DS;

struct TCamera3DS {
    std::string Name;  // the named object's raw bytes
    TVector3DS Position, Target;
    float Roll = 0;  // degrees about the line of sight
    float Lens = 0;  // focal length in millimetres of a 35 mm film camera
    // The camera's near and far ranges, when the file gives them.
    std::optional<float> Near, Far;
};

struct TSpot3DS {
    TVector3DS Target;
    float Hotspot = 0, Falloff = 0;  // the full cone angles, degrees
    float Roll = 0;                  // degrees
};

struct TLight3DS {
    std::string Name;  // the named object's raw bytes
    TVector3DS Position;
    TColor3DS Color{1, 1, 1};  // as stored (sRGB); white when the file gives none
    float Multiplier = 1;
    bool Off = false;
    bool Attenuated = false;  // the light fades out to its outer range
    std::optional<float> InnerRange, OuterRange;
    std::optional<TSpot3DS> Spot;  // none for an omni light
};

struct TCamerasLights3DS {
    std::vector<TCamera3DS> Cameras;  // in file order
    std::vector<TLight3DS> Lights;    // in file order
    // One line for every camera or light, or part of one, that could not be read.
    std::vector<std::string> Warnings;
};

// Reads every named object's first camera or light chunk. A camera or light
// whose own chunk (or spotlight chunk) is too short is left out, a damaged part of one keeps its
// default, each with a warning; the model's own errors propagate.
TCamerasLights3DS ReadCamerasAndLights(TFile3DS& model);

}  // namespace model3ds
