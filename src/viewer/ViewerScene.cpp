#include "viewer/ViewerScene.h"

#include <algorithm>

#include "viewer/GltfFile.h"

namespace viewer {

ViewerScene::ViewerScene() : camera_(&scene_.CreateChild()) {
    viewport_.camera = camera_;
    viewport_.back = 5000;
    InitializeScene();
    InitializeDevice();
}

void ViewerScene::InitializeScene() {
    scene_.SetSceneBackgroundRGB(0, 0, 0);
    scene_.SetPosition(nullptr, {0, 0, 0});
    LightFrame = &scene_.CreateChild();
    ModelFrame = &scene_.CreateChild();
    scene_.AddChild(*ModelFrame);
    DirectionalLight = {LightType::Directional, LightColor};
    LightFrame->AddLight(DirectionalLight);
    AmbientLight = {LightType::Ambient, {0.4f, 0.4f, 0.4f}};
    scene_.AddLight(AmbientLight);
    LightFrame->SetPosition(&scene_, LightPosition);
    LightFrame->SetRotation(&scene_, {0, 0, 0}, 0);
    LightFrame->LookAt(*ModelFrame, &scene_, LookAtConstraint::NoZRotation);
    camera_->SetPosition(&scene_, CameraPosition);
    ModelFrame->SetPosition(&scene_, {0, 0, 15});
}

void ViewerScene::InitializeDevice() {
    device_.linearTextures = true;
    device_.renderMode = RenderModeBlendedTransparency | RenderModeSortedTransparency;
}

viewer::MeshBuilder* ViewerScene::CreateMeshBuilder() {
    MeshBuilders.push_back(std::make_unique<viewer::MeshBuilder>());
    return MeshBuilders.back().get();
}

viewer::MeshBuilder* ViewerScene::AddModelBuilder() {
    viewer::MeshBuilder* builder = CreateMeshBuilder();
    builder->SetQuality(RenderGouraud);
    ModelFrame->AddVisual(*builder);
    return builder;
}

std::int32_t ViewerScene::LoadXFromStream(base::MemoryStream& stream) {
    if (stream.Size() == 0) return 0;
    stream.Seek(0);
    viewer::MeshBuilder* builder = AddModelBuilder();
    const std::int32_t result = builder->Load(stream.Bytes().data(), stream.Bytes().size());
    if (result != 0) return result;
    ShowLoaded(builder);
    return 0;
}

void ViewerScene::LoadGltf(const std::vector<std::uint8_t>& bytes, const std::string& folder) {
    GltfModel model = ParseGltf(bytes.data(), bytes.size(), folder);
    if (model.model.meshes.empty()) throw GltfFormatError("the glTF scene holds no triangles to draw");
    viewer::MeshBuilder* builder = AddModelBuilder();
    builder->Load(std::move(model));
    ShowLoaded(builder);
}

void ViewerScene::ShowLoaded(viewer::MeshBuilder* builder) {
    MeshBuilder = builder;
    const Box box = builder->GetBox();
    const float size = std::max({box.max.x - box.min.x, box.max.y - box.min.y, box.max.z - box.min.z});
    const float scale = size != 0 ? 7.0f / size : 1.0f;
    builder->Scale(scale, scale, scale);
}

}  // namespace viewer
