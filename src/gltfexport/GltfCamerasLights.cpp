#include "GltfCamerasLights.h"

#include <algorithm>
#include <cmath>

#include "base/DisplayName.h"
#include "base/Format.h"

namespace gltfexport {

namespace {

constexpr double kPi = 3.14159265358979323846;

// 3D Studio's lens is the focal length of a 35 mm film camera whose field of
// view spans the frame's 36 mm width; its pictures are 4:3 (320 x 200 on a 4:3
// screen, 640 x 480), so the frame is 36 x 27 mm and glTF's vertical field of
// view is 2 atan(13.5 mm / lens), at an aspect ratio of 4/3. Lenses outside
// these bounds (from a fish-eye to a telescope) are taken at the nearest one.
constexpr double kHalfFrameHeight = 13.5, kAspect = 4.0 / 3.0;
constexpr float kMinLens = 1, kMaxLens = 100000;
// The near plane when the file gives none usable, as a share of the far range,
// else in the model's units.
constexpr double kNearShareOfFar = 1.0 / 1000, kDefaultNear = 0.1;

// The fixed turn (x, y, z, w) of the child node that carries a camera or spot:
// the scene node looks down its -z axis in the model's axes, which glTF's axes
// turn into its -y; a quarter turn about x brings it back to glTF's -z, +y up.
constexpr float kHalfRoot2 = 0.70710678f;
constexpr float kLookDownMinusZ[4] = {-kHalfRoot2, 0, 0, kHalfRoot2};

bool Positive(float value) { return std::isfinite(value) && value > 0; }

TCameraOut CameraOut(const model3ds::TCamera3DS& camera, std::vector<std::string>& warnings) {
    TCameraOut out;
    out.Name = base::DisplayName(camera.Name);
    float lens = camera.Lens;
    if (!(lens >= kMinLens && lens <= kMaxLens)) {
        lens = std::isnan(lens) ? 50.0f : std::clamp(lens, kMinLens, kMaxLens);
        warnings.push_back(base::Format("camera \"%s\": its lens %g mm is out of reach; %g mm is used",
                                        base::DisplayName(camera.Name).c_str(), static_cast<double>(camera.Lens), static_cast<double>(lens)));
    }
    out.YFov = static_cast<float>(2 * std::atan(kHalfFrameHeight / lens));
    out.AspectRatio = static_cast<float>(kAspect);
    if (camera.Far && Positive(*camera.Far)) out.ZFar = *camera.Far;
    if (camera.Near && Positive(*camera.Near)) out.ZNear = *camera.Near;
    else out.ZNear = static_cast<float>(out.ZFar ? *out.ZFar * kNearShareOfFar : kDefaultNear);
    if (!(out.ZNear > 0)) out.ZNear = static_cast<float>(kDefaultNear);
    if (out.ZFar && !(*out.ZFar > out.ZNear)) out.ZFar.reset();
    return out;
}

// A half angle in radians of a full cone in degrees, at most a quarter turn.
float HalfCone(float degrees) {
    const float largest = std::nextafter(static_cast<float>(kPi / 2), 0.0f);
    const double half = std::isfinite(degrees) ? std::clamp(degrees / 2.0, 0.0, 90.0) * kPi / 180 : 0.0;
    return std::min(static_cast<float>(half), largest);
}

// The glTF light, or none (with a warning) for one glTF cannot give.
std::optional<TLightOut> LightOut(const model3ds::TLight3DS& light, std::vector<std::string>& warnings) {
    if (!(std::isfinite(light.Multiplier) && light.Multiplier >= 0)) {
        warnings.push_back(base::Format("light \"%s\": its multiplier %g cannot be given in glTF; it was left out",
                                        base::DisplayName(light.Name).c_str(), static_cast<double>(light.Multiplier)));
        return std::nullopt;
    }
    TLightOut out;
    out.Name = base::DisplayName(light.Name);
    const float color[3] = {light.Color.r, light.Color.g, light.Color.b};
    for (int c = 0; c < 3; ++c) {
        const float unit = std::isfinite(color[c]) ? std::clamp(color[c], 0.0f, 1.0f) : 0.0f;
        out.Color[c] = static_cast<float>(SrgbToLinear(unit));
    }
    out.Intensity = light.Multiplier;
    if (light.Attenuated && light.OuterRange && Positive(*light.OuterRange)) out.Range = *light.OuterRange;
    if (light.Spot) {
        out.Spot = true;
        // A cone of no width would light nothing: the narrowest is a degree across.
        out.OuterCone = std::max(HalfCone(light.Spot->Falloff), HalfCone(1));
        out.InnerCone = std::min(HalfCone(light.Spot->Hotspot), std::nextafter(out.OuterCone, 0.0f));
    }
    return out;
}

// The node that carries a camera or spot, turned to look down glTF's -z.
std::size_t AimedChild(TGltfDocument& document, std::size_t node, const std::string& name) {
    TNodeOut child;
    child.Name = name;
    std::copy(std::begin(kLookDownMinusZ), std::end(kLookDownMinusZ), child.Rotation);
    document.Nodes.push_back(std::move(child));
    const std::size_t index = document.Nodes.size() - 1;
    document.Nodes[node].Children.push_back(index);
    return index;
}

void WriteFloat(TJsonOut& json, const char* key, float value) {
    json.Key(key);
    json.Float(value);
}

void WriteCamera(TJsonOut& json, const TCameraOut& camera) {
    json.BeginObject();
    json.Key("name");
    json.String(camera.Name);
    json.Key("type");
    json.String("perspective");
    json.Key("perspective");
    json.BeginObject();
    WriteFloat(json, "yfov", camera.YFov);
    WriteFloat(json, "aspectRatio", camera.AspectRatio);
    WriteFloat(json, "znear", camera.ZNear);
    if (camera.ZFar) WriteFloat(json, "zfar", *camera.ZFar);
    json.EndObject();
    json.EndObject();
}

void WriteLight(TJsonOut& json, const TLightOut& light) {
    json.BeginObject();
    json.Key("name");
    json.String(light.Name);
    json.Key("type");
    json.String(light.Spot ? "spot" : "point");
    json.Key("color");
    json.Floats(light.Color, 3);
    WriteFloat(json, "intensity", light.Intensity);
    if (light.Range) WriteFloat(json, "range", *light.Range);
    if (light.Spot) {
        json.Key("spot");
        json.BeginObject();
        WriteFloat(json, "innerConeAngle", light.InnerCone);
        WriteFloat(json, "outerConeAngle", light.OuterCone);
        json.EndObject();
    }
    json.EndObject();
}

}  // namespace

void AddCamerasAndLights(const xexport::TModelScene& scene, TGltfDocument& document) {
    std::vector<std::string>& warnings = document.Warnings;
    warnings.insert(warnings.end(), scene.CameraLightWarnings.begin(), scene.CameraLightWarnings.end());
    for (const xexport::TSceneCamera& camera : scene.Cameras) {
        document.Cameras.push_back(CameraOut(camera.Camera, warnings));
        document.Nodes[AimedChild(document, camera.Node, document.Cameras.back().Name)].Camera = document.Cameras.size() - 1;
    }
    for (const xexport::TSceneLight& light : scene.Lights) {
        if (light.Node < 0) {
            warnings.push_back("light \"" + base::DisplayName(light.Light.Name) + "\" is switched off and was left out");
            continue;
        }
        std::optional<TLightOut> out = LightOut(light.Light, warnings);
        if (!out) continue;
        document.Lights.push_back(std::move(*out));
        auto node = static_cast<std::size_t>(light.Node);
        if (light.Light.Spot) node = AimedChild(document, node, document.Lights.back().Name);
        document.Nodes[node].Light = document.Lights.size() - 1;
    }
}

void WriteNodeCameraLight(TJsonOut& json, const TNodeOut& node) {
    if (node.Camera) WriteIndex(json, "camera", *node.Camera);
    if (!node.Light) return;
    json.Key("extensions");
    json.BeginObject();
    json.Key(kLightsExtension);
    json.BeginObject();
    WriteIndex(json, "light", *node.Light);
    json.EndObject();
    json.EndObject();
}

void WriteCameras(TJsonOut& json, const TGltfDocument& document) {
    if (document.Cameras.empty()) return;
    json.Key("cameras");
    json.BeginArray();
    for (const TCameraOut& camera : document.Cameras) WriteCamera(json, camera);
    json.EndArray();
}

void WriteLightsExtension(TJsonOut& json, const TGltfDocument& document) {
    if (document.Lights.empty()) return;
    json.Key("extensions");
    json.BeginObject();
    json.Key(kLightsExtension);
    json.BeginObject();
    json.Key("lights");
    json.BeginArray();
    for (const TLightOut& light : document.Lights) WriteLight(json, light);
    json.EndArray();
    json.EndObject();
    json.EndObject();
}

}  // namespace gltfexport
