#include <string>

#include "app/MaterialRules.h"
#include "base/Format.h"
#include "convert/Commands.h"
#include "convert/MaxTime.h"
#include "convert/OpenModel.h"
#include "convert/TabSeparated.h"
#include "model3ds/File3DS.h"
#include "model3ds/MaterialColor.h"

namespace convert {

namespace {

void AppendMeshLines(model3ds::TFile3DS& model, std::string& text) {
    model3ds::TObjectList& meshes = model.ObjectList();
    const int total = meshes.MeshTotal();
    for (int i = 0; i < total; ++i) {
        const model3ds::TMesh3DS& mesh = *meshes.GetMesh(i);
        text += TabSeparatedLine({"mesh", std::to_string(i), mesh.Name, std::to_string(mesh.NumVertices()),
                                  std::to_string(mesh.NumFaces()), std::to_string(mesh.NumTexCoords()),
                                  std::to_string(mesh.NumMatGroups())});
    }
}

void AppendMaterialLines(model3ds::TFile3DS& model, std::string& text) {
    model3ds::TMaterialList& materials = model.MaterialList();
    const int total = materials.MaterialTotal();
    for (int i = 0; i < total; ++i) {
        const model3ds::TMaterial3DS& material = *materials.GetMaterial(i);
        text += TabSeparatedLine({"material", std::to_string(i), material.Name,
                                  model3ds::FormatColorText(material.Diffuse),
                                  model3ds::FormatColorText(material.Specular),
                                  std::to_string(base::RoundHalfEven(material.Opacity * 100.0)),
                                  std::to_string(base::RoundHalfEven(material.SpecularPower)),
                                  std::to_string(base::RoundHalfEven(app::FileTransparency(material) * 100.0))});
    }
}

}  // namespace

int RunList(const Arguments& arguments, std::ostream& out) {
    if (arguments.operands.size() != 1) throw UsageError("--list takes one INPUT");
    const std::string& input = arguments.operands[0];
    const Deadline deadline = DeadlineFromArguments(arguments);
    model3ds::TFile3DS model;
    // A material library lists its materials; a file with neither meshes nor
    // materials is no model.
    OpenModelFile(model, input, model3ds::TModelNeeds::MeshesOrMaterials, deadline);
    // Nothing is printed unless the whole model reads.
    std::string text;
    AppendMeshLines(model, text);
    AppendMaterialLines(model, text);
    out << text;
    return 0;
}

}  // namespace convert
