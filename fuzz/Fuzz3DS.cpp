// Loads the input as a model, plain and packed, reads every mesh and material,
// evaluates the keyframer's pose at a few frames and exports them with all four
// .x writers and, as korvane-convert --animation --top-frame does, as the
// keyframer's scene in both forms, and as glTF with its cameras and lights, into memory. Reader errors are the
// expected answer to damaged input; anything else (a crash, a sanitizer report,
// an escaping exception of another kind) is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Errors.h"
#include "base/Stream.h"
#include "gltfexport/GltfWriter.h"
#include "model3ds/File3DS.h"
#include "model3ds/Keyframer.h"
#include "model3ds/OpenModel.h"
#include "model3ds/Pose.h"
#include "xexport/ExportOptions.h"
#include "xexport/XBinaryWriter.h"
#include "xexport/WriteModelX.h"
#include "xexport/XTextWriter.h"

namespace {

void ReadLists(model3ds::TFile3DS& model) {
    for (int i = 0; i < model.ObjectList().MeshTotal(); ++i) model.ObjectList().GetMesh(i);
    for (int i = 0; i < model.MaterialList().MaterialTotal(); ++i) model.MaterialList().GetMaterial(i);
    model.ObjectList().TotalVertices();
    model.ObjectList().TotalFaces();
}

// A handful of frames, never the whole segment, which may span billions of them.
void EvaluatePoses(model3ds::TFile3DS& model) {
    const model3ds::TKeyframer3DS keyframer = model3ds::ReadKeyframer(model);
    const model3ds::TPoseEvaluator pose(keyframer);
    const double start = keyframer.SegmentStart, end = keyframer.SegmentEnd, current = keyframer.CurrentFrame;
    for (double frame : {start, end, (start + end) / 2, start - 1.5, end + 7.25, current}) {
        const std::vector<model3ds::TMatrix4> world = pose.World(frame);
        for (std::size_t i = 0; i < keyframer.Nodes.size(); ++i) {
            const int mesh = model3ds::FindMeshIndex(model, keyframer.Nodes[i].Name);
            if (mesh >= 0) pose.MeshPlacement(i, model.ObjectList().GetMesh(mesh)->LocalMatrix, world);
        }
    }
}

void ExportAll(model3ds::TFile3DS& model) {
    const xexport::TExportOptions options;
    for (int i = 0; i < model.ObjectList().MeshTotal(); ++i) {
        base::MemoryStream text;
        xexport::WriteMeshXText(model, options, {}, &text, i);
        base::MemoryStream binary;
        xexport::WriteMeshXBinary(model, options, {}, binary, i);
    }
    base::MemoryStream text;
    xexport::WriteMergedXText(model, options, {}, &text);
    base::MemoryStream binary;
    xexport::WriteMergedXBinary(model, options, {}, binary);
    xexport::TExportOptions animation;
    animation.Hierarchy = animation.Animation = animation.TopFrame = true;
    base::MemoryStream sceneText;
    xexport::WriteModelX(model, animation, xexport::kMergedMeshes, xexport::TXForm::Text, {}, &sceneText);
    base::MemoryStream sceneBinary;
    xexport::WriteModelX(model, animation, xexport::kMergedMeshes, xexport::TXForm::Binary, {}, &sceneBinary);
    for (const gltfexport::TGltfForm form : {gltfexport::TGltfForm::Binary, gltfexport::TGltfForm::Text}) {
        gltfexport::TGltfRequest gltf;
        gltf.Form = form;
        gltf.ModelFile = "input.3ds";
        gltfexport::BuildGltf(model, gltf, "model.gltf");
    }
}

void LoadAndExport(const std::uint8_t* data, std::size_t size, const std::string& name) {
    model3ds::TFile3DS model;
    try {
        std::vector<std::uint8_t> bytes(data, data + size);
        model3ds::OpenModelBytes(model, std::move(bytes), name, name, model3ds::TUnpackPolicy::AnyOutput,
                                 model3ds::TModelNeeds::Anything);
        ReadLists(model);
        EvaluatePoses(model);
        ExportAll(model);
    } catch (const base::Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LoadAndExport(data, size, "input.3ds");
    LoadAndExport(data, size, "input.3da");
    return 0;
}
