#include "render/ModelInput.h"

#include <filesystem>
#include <new>

#include "app/MaterialRules.h"
#include "base/Errors.h"
#include "base/Format.h"
#include "model3ds/File3DS.h"
#include "model3ds/FileKind.h"
#include "model3ds/OpenModel.h"
#include "viewer/GltfFile.h"
#include "viewer/MeshBuilder.h"
#include "xexport/WriteModelX.h"

namespace render {

namespace {

using model3ds::TFileKind;

// A failure of the file at path: the tool's line names the file once, before the message.
base::Exception AboutFile(const std::string& path, const std::string& message) {
    return base::Exception(message, {}, {path, "", {}});
}

base::Exception OutOfMemory(const std::string& path) { return AboutFile(path, "out of memory while reading the model"); }

// .x data and 3DS models are known by their bytes, whatever their name; the
// packed kinds, whose bytes tell nothing, by their name.
TFileKind KindOf(const std::string& path) {
    const TFileKind content = model3ds::FileKindByContent(path);
    if (content != TFileKind::Unknown) return content;
    if (std::filesystem::file_size(path) == 0) throw AboutFile(path, "the file is empty");
    const TFileKind named = model3ds::FileKindByName(path);
    return named == TFileKind::PackedDirectX || named == TFileKind::PackedModel3DS ? named : TFileKind::Unknown;
}

// The model as .x data, drawn as it was modelled: its texture names and
// coordinates, the normals of its smoothing groups (without them a reader
// rounds every edge) and each material's opacity from the file.
base::MemoryStream ConvertModel(model3ds::TFile3DS& model, const std::string& path, bool animated) {
    model3ds::RequireModelContent(model, model3ds::TModelNeeds::Faces, path);
    auto& materials = model.MaterialList();
    for (int i = 0; i < materials.MaterialTotal(); ++i) app::TakeFileOpacity(*materials.GetMaterial(i));
    xexport::TExportOptions options;
    options.TexCoords = true;
    options.Textures = true;
    options.Normals = true;
    options.Hierarchy = animated;
    options.Animation = animated;
    base::MemoryStream x;
    xexport::WriteModelX(model, options, xexport::kMergedMeshes, xexport::TXForm::Binary, "", &x);
    return x;
}

// The model of the kind KindOf found as binary .x data.
base::MemoryStream ReadModelOfKindAsX(const std::string& path, TFileKind kind, bool animated) {
    model3ds::TFile3DS model;
    switch (kind) {
    case TFileKind::DirectX:
        return base::MemoryStream(base::ReadWholeFile(path));
    case TFileKind::PackedDirectX:
        return base::MemoryStream(
            model3ds::UnpackBytes(base::ReadWholeFile(path), path, model3ds::TUnpackPolicy::Complete));
    case TFileKind::Model3DS:
        model.LoadFromFile(path);
        break;
    case TFileKind::PackedModel3DS:
        model3ds::OpenModelFile(model, path, model3ds::TUnpackPolicy::Complete, model3ds::TModelNeeds::Anything);
        break;
    case TFileKind::Gltf:
        throw AboutFile(path, "glTF data is drawn as it is, not as .x data");
    case TFileKind::Unknown:
        throw AboutFile(path, "neither .x data nor a 3DS model, nor a packed .xa or .3da file, nor glTF");
    }
    return ConvertModel(model, path, animated);
}

// The file's first bytes are read once, to tell its kind, before it is loaded.
void LoadModel(viewer::ViewerScene& scene, const std::string& path, bool animated) {
    const TFileKind kind = KindOf(path);
    if (kind == TFileKind::Gltf) {
        const std::string folder = std::filesystem::absolute(path).parent_path().string();
        try {
            scene.LoadGltf(viewer::ReadGltfFile(path), folder);
        } catch (const viewer::GltfFormatError& error) {
            throw AboutFile(path, error.what());
        }
        scene.MeshBuilder->SetModelFile(path);
        return;
    }
    base::MemoryStream x = ReadModelOfKindAsX(path, kind, animated);
    const std::int32_t result = scene.LoadXFromStream(x);
    if (result == viewer::LoadErrorOutOfMemory) throw OutOfMemory(path);
    if (result != 0)
        throw AboutFile(path, base::Format("cannot read the .x data (code 0x%x)", static_cast<unsigned>(result)));
    if (!scene.MeshBuilder) throw AboutFile(path, "the file is empty");
    scene.MeshBuilder->SetModelFile(path);
}

}  // namespace

base::MemoryStream ReadModelAsX(const std::string& path, bool animated) {
    return ReadModelOfKindAsX(path, KindOf(path), animated);
}

// Running out of memory fails this model alone, named like any failure of it.
void LoadModelFile(viewer::ViewerScene& scene, const std::string& path, bool animated) {
    try {
        LoadModel(scene, path, animated);
    } catch (const std::bad_alloc&) {
        throw OutOfMemory(path);
    }
}

}  // namespace render
