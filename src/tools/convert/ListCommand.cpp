#include <string>

#include "base/Format.h"
#include "model3ds/File3DS.h"
#include "model3ds/MaterialColor.h"
#include "tools/convert/Commands.h"
#include "tools/convert/MaxTime.h"
#include "tools/convert/OpenModel.h"

namespace convert {

namespace {

void AppendMeshLines(model3ds::TFile3DS& model, std::string& text) {
    model3ds::TObjectList& meshes = model.ObjectList();
    const int total = meshes.MeshTotal();
    for (int i = 0; i < total; ++i) {
        const model3ds::TMesh3DS& mesh = *meshes.GetMesh(i);
        text += base::Format("mesh\t%d\t", i);
        text += mesh.Name;
        text += base::Format("\t%d\t%d\t%d\t%d\n", mesh.NumVertices(), mesh.NumFaces(), mesh.NumTexCoords(),
                             mesh.NumMatGroups());
    }
}

void AppendMaterialLines(model3ds::TFile3DS& model, std::string& text) {
    model3ds::TMaterialList& materials = model.MaterialList();
    const int total = materials.MaterialTotal();
    for (int i = 0; i < total; ++i) {
        const model3ds::TMaterial3DS& material = *materials.GetMaterial(i);
        text += base::Format("material\t%d\t", i);
        text += material.Name;
        text += "\t" + model3ds::FormatColorText(material.Diffuse);
        text += "\t" + model3ds::FormatColorText(material.Specular);
        text += base::Format("\t%lld\t%lld\n", base::RoundHalfEven(material.Opacity * 100.0),
                             base::RoundHalfEven(material.SpecularPower));
    }
}

}  // namespace

int RunList(const Arguments& arguments, std::ostream& out) {
    if (arguments.operands.size() != 1) throw UsageError("--list takes one INPUT");
    const Deadline deadline = DeadlineFromArguments(arguments);
    model3ds::TFile3DS model;
    OpenModelFile(model, arguments.operands[0], deadline);
    // Nothing is printed unless the whole model reads.
    std::string text;
    AppendMeshLines(model, text);
    AppendMaterialLines(model, text);
    out << text;
    return 0;
}

}  // namespace convert
