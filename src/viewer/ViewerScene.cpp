#include "viewer/ViewerScene.h"

#include <algorithm>

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

std::int32_t ViewerScene::LoadXFromStream(base::MemoryStream& stream) {
    if (stream.Size() == 0) return 0;
    stream.Seek(0);
    viewer::MeshBuilder* builder = CreateMeshBuilder();
    builder->SetQuality(RenderGouraud);
    ModelFrame->AddVisual(*builder);
    const std::int32_t result = builder->Load(stream.Bytes().data(), stream.Bytes().size());
    if (result != 0) return result;
    MeshBuilder = builder;
    const Box box = builder->GetBox();
    const float size = std::max({box.max.x - box.min.x, box.max.y - box.min.y, box.max.z - box.min.z});
    const float scale = size != 0 ? 7.0f / size : 1.0f;
    builder->Scale(scale, scale, scale);
    return 0;
}

}  // namespace viewer
