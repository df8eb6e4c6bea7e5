#include "xexport/WriteModelX.h"

#include "xexport/XBinaryWriter.h"
#include "xexport/XSceneWriter.h"
#include "xexport/XTextWriter.h"

namespace xexport {

namespace {

void WriteBinary(model3ds::TFile3DS& model, const TExportOptions& options, int meshIndex,
                 const std::string& fileName, base::Stream& stream) {
    if (meshIndex == kMergedMeshes) {
        WriteMergedXBinary(model, options, fileName, stream);
    } else {
        WriteMeshXBinary(model, options, fileName, stream, meshIndex);
    }
}

}  // namespace

void WriteModelX(model3ds::TFile3DS& model, const TExportOptions& options, int meshIndex, TXForm form,
                 const std::string& fileName, base::Stream* stream) {
    if (options.Hierarchy) {
        WriteSceneX(model, BuildModelScene(model, SceneRequest(model, options)), options, form, fileName, stream);
    } else if (form == TXForm::Binary) {
        if (stream) {
            WriteBinary(model, options, meshIndex, {}, *stream);
        } else {
            base::MemoryStream buffer;
            WriteBinary(model, options, meshIndex, fileName, buffer);
        }
    } else if (meshIndex == kMergedMeshes) {
        WriteMergedXText(model, options, stream ? std::string() : fileName, stream);
    } else {
        WriteMeshXText(model, options, stream ? std::string() : fileName, stream, meshIndex);
    }
}

void WriteSceneX(model3ds::TFile3DS& model, const TModelScene& scene, const TExportOptions& options, TXForm form,
                 const std::string& fileName, base::Stream* stream) {
    CheckPlacedCopies(scene);
    if (form == TXForm::Text) {
        WriteSceneXText(model, scene, options, stream ? std::string() : fileName, stream);
    } else if (stream) {
        WriteSceneXBinary(model, scene, options, {}, *stream);
    } else {
        base::MemoryStream buffer;
        WriteSceneXBinary(model, scene, options, fileName, buffer);
    }
}

}  // namespace xexport
