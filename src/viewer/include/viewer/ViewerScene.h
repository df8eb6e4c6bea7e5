#pragma once
// The viewer's fixed scene, free of any drawing code: a frame carrying the
// loaded model 15 units in front of the camera, a white directional light and a
// grey ambient light, and the loading of .x data scaled to a standard size.
// The drawing control renders it; the viewer window turns and moves it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "viewer/Frame.h"
#include "viewer/MeshBuilder.h"
#include "viewer/Viewport.h"

namespace viewer {

class ViewerScene {
public:
    ViewerScene();
    ViewerScene(const ViewerScene&) = delete;
    ViewerScene& operator=(const ViewerScene&) = delete;

    // Loads the stream's whole content into a new mesh builder on the model
    // frame and scales it so that its largest extent is 7 units. 0 when there
    // was nothing to load or the load succeeded, else the loader's code.
    std::int32_t LoadXFromStream(base::MemoryStream& stream);
    // The same for a glTF file's bytes, the files it names read from folder;
    // raises GltfFormatError when it cannot be drawn.
    void LoadGltf(const std::vector<std::uint8_t>& bytes, const std::string& folder);
    // A new builder, kept in MeshBuilders.
    viewer::MeshBuilder* CreateMeshBuilder();

    Frame& GetScene() { return scene_; }
    Frame& GetCamera() { return *camera_; }
    const Frame& GetScene() const { return scene_; }
    Viewport& GetViewport() { return viewport_; }
    const Viewport& GetViewport() const { return viewport_; }
    const Device& GetDevice() const { return device_; }
    Device& GetDevice() { return device_; }

    std::vector<std::unique_ptr<viewer::MeshBuilder>> MeshBuilders;
    viewer::MeshBuilder* MeshBuilder = nullptr;  // the last builder loaded successfully
    Frame* ModelFrame = nullptr;
    Frame* LightFrame = nullptr;
    Light DirectionalLight;
    Light AmbientLight;
    Vec3 CameraPosition{0, 0, 0};
    Vec3 LightPosition{50, 20, -50};
    Color3 LightColor{1, 1, 1};

private:
    void InitializeScene();
    void InitializeDevice();
    // A new builder on the model frame, to be filled.
    viewer::MeshBuilder* AddModelBuilder();
    // Makes the filled builder the scene's model, scaled to the standard size.
    void ShowLoaded(viewer::MeshBuilder* builder);

    Frame scene_;
    Frame* camera_;
    Viewport viewport_;
    Device device_;
};

}  // namespace viewer
