#pragma once
// What the four .x writers share: which mesh data is exported, the vertex
// pipeline (snapping, moving the origin), the material index of every face and
// the numbers of a .x Material.
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Errors.h"
#include "model3ds/File3DS.h"
#include "model3ds/Records.h"
#include "xexport/ExportOptions.h"

namespace xexport {

using model3ds::TFile3DS;
using model3ds::TMaterial3DS;
using model3ds::TMesh3DS;
using model3ds::TVector3DS;

// An export that would write something readers cannot use.
class EExportError : public base::Exception {
public:
    using base::Exception::Exception;
};

// The box of the finite coordinates: a coordinate that is NaN or infinite is left
// out. Both corners (0, 0, 0) for a mesh without vertices or for the index -1; an
// axis without any finite coordinate is 0 on both corners.
struct TMeshBounds {
    TVector3DS Max;
    TVector3DS Min;
};

TMeshBounds GetMeshBounds(TFile3DS& model, int meshIndex);

// A coordinate of magnitude at most 0.000001 becomes +0.000001 when positive and
// -0.000001 otherwise, so an exact zero becomes -0.000001. The float 1e-6f lies just
// below the real 0.000001 and the next float above it, so comparing the float with
// 1e-6f gives the same answer as comparing the exact value with 0.000001.
inline void SnapTinyValue(float& value) {
    if (value <= 1e-6f && value >= -1e-6f) value = value > 0 ? 1e-6f : -1e-6f;
}

// The first material group holding the face: its position and material name.
// A face in no group gives 0 and an empty name.
struct TFaceGroup {
    int Index = 0;
    std::string_view Name;
};

TFaceGroup FaceGroupIndex(TFile3DS& model, int meshIndex, int faceIndex);

// The position in the model's material list of the first material named like the
// face's group; 0 for a face in no group or a name no material carries.
int FaceMaterialIndex(TFile3DS& model, int meshIndex, int faceIndex);

// The eleven numbers of a .x Material: face colour red, green, blue, alpha; power;
// specular red, green, blue; emissive red, green, blue.
using MaterialValues = std::array<float, 11>;

enum class TMaterialPart { Colour, Specular, Emissive };

// The single-mesh text writer writes SpecularPower as stored; the other three
// raise it to at least 1.0.
enum class TPowerRule { AsStored, AtLeastOne };

// Fills the numbers of one part (Colour: the face colour and the power) for the
// first model material of that name. A name no material carries gives a white,
// opaque material with power 15.
void GetMaterialValues(TFile3DS& model, const TExportOptions& options, std::string_view name,
                       TMaterialPart part, TPowerRule rule, MaterialValues& values);

// The same for a material already looked up (model3ds::FindMaterial); null stands
// for a name no material carries.
void GetMaterialValues(const TMaterial3DS* material, const TExportOptions& options, TMaterialPart part,
                       TPowerRule rule, MaterialValues& values);

// ---- Used by the writers ----

// The mesh a single-mesh writer exports: null for the index -1 or a mesh without
// vertices. Raises E3DSError naming the mesh when a face refers past its vertices.
const TMesh3DS* MeshToExport(TFile3DS& model, int meshIndex);

// Raises E3DSError naming the mesh when a face refers past its vertices.
void CheckFaceVertices(const TMesh3DS& mesh);

// The first group holding each face, kNoFaceGroup for a face in none, built in one
// pass over the groups. Raises E3DSError naming the mesh when a group lists a face
// the mesh does not have.
constexpr std::uint16_t kNoFaceGroup = 0xFFFF;  // above any group index (NumMatGroups is 16-bit)
std::vector<std::uint16_t> FirstGroupTable(const TMesh3DS& mesh);

// FaceGroupIndex of every face: FirstGroupTable with 0 for a face in no group.
std::vector<std::uint16_t> FaceGroupTable(const TMesh3DS& mesh);

// FaceMaterialIndex of every face of the mesh.
std::vector<int> FaceMaterialTable(TFile3DS& model, const TMesh3DS& mesh);

// How many coordinates of the mesh's vertices are NaN or infinite.
std::size_t CountNonFiniteCoordinates(const TMesh3DS& mesh);

// The per-vertex steps before a vertex is written: snapping, moving the origin,
// scaling, and going into a frame's space. A coordinate that is NaN or infinite
// in the model is written as 0, which every reader can parse.
struct TVertexTransform {
    bool Snap = true;
    bool Move = false;
    long double Shift[3] = {0, 0, 0};
    // --scale: after the origin is moved. Snapping then comes after the scale, so
    // that a large factor does not blow the nudge of an exact zero up.
    bool Scaled = false;
    double Scale = 1;
    // --frames: into the frame's space, (v - Origin) times Inverse (row vector).
    bool ToLocal = false;
    double Origin[3] = {0, 0, 0};
    double Inverse[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    // The step that first turns a coordinate NaN or infinite, or None.
    enum class TStep { None, Move, Scale, ToLocal };

    TVector3DS Apply(TVector3DS v) const {
        Steps<false>(v);
        for (float* value : {&v.x, &v.y, &v.z}) {
            if (!std::isfinite(*value)) *value = 0;
        }
        return v;
    }

    // For a vertex whose coordinates are all finite.
    TStep FirstNonFiniteStep(TVector3DS v) const { return Steps<true>(v); }

private:
    static void SnapAll(TVector3DS& v) {
        SnapTinyValue(v.x);
        SnapTinyValue(v.y);
        SnapTinyValue(v.z);
    }

    // The steps in order. Tracked, returns the first step after which a coordinate
    // is not finite; untracked (the writers' loop), always None.
    template <bool Tracked>
    TStep Steps(TVector3DS& v) const {
        const auto broken = [&v] {
            return Tracked && !(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
        };
        if (Snap && !Scaled) SnapAll(v);
        if (Move) {
            v.x = static_cast<float>(v.x - Shift[0]);
            v.y = static_cast<float>(v.y - Shift[1]);
            v.z = static_cast<float>(v.z - Shift[2]);
            if (broken()) return TStep::Move;
        }
        if (Scaled) {
            v.x = static_cast<float>(v.x * Scale);
            v.y = static_cast<float>(v.y * Scale);
            v.z = static_cast<float>(v.z * Scale);
            if (broken()) return TStep::Scale;
            if (Snap) SnapAll(v);
        }
        if (ToLocal) {
            const double d[3] = {v.x - Origin[0], v.y - Origin[1], v.z - Origin[2]};
            v.x = static_cast<float>(d[0] * Inverse[0][0] + d[1] * Inverse[1][0] + d[2] * Inverse[2][0]);
            v.y = static_cast<float>(d[0] * Inverse[0][1] + d[1] * Inverse[1][1] + d[2] * Inverse[2][1]);
            v.z = static_cast<float>(d[0] * Inverse[0][2] + d[1] * Inverse[1][2] + d[2] * Inverse[2][2]);
            if (broken()) return TStep::ToLocal;
        }
        return TStep::None;
    }
};

TVertexTransform SingleMeshTransform(TFile3DS& model, int meshIndex, const TExportOptions& options);

// Raises EExportError naming the mesh and the vertex when a vertex with finite
// coordinates would leave the range of a 32-bit float on its way through the
// transform (a large scale, or a frame that cannot hold it), rather than be
// written as 0 like a coordinate that was never a number.
void CheckStaysFinite(const TMesh3DS& mesh, const TVertexTransform& transform);

// Adds the options' scale to a transform (nothing for the scale 1).
void AddScale(TVertexTransform& transform, const TExportOptions& options);

// The meshes of a merged export, with their totals: every mesh with faces; a mesh
// without faces would only add vertices no face uses. Empty when no mesh has faces.
// Raises E3DSError when a face of any mesh refers past its mesh's vertices.
struct TMergedModel {
    std::vector<const TMesh3DS*> Meshes;
    std::uint64_t TotalVertices = 0;
    std::uint64_t TotalFaces = 0;
};

TMergedModel CollectMeshes(TFile3DS& model);

// Why a save would write nothing, or a file readers refuse (a Mesh without faces).
enum class TExportRefusal { None, NoVertices, NoFaces, NoMeshWithFaces };

// For the mesh at meshIndex, or for a merged export of the model when merged.
TExportRefusal ExportRefusal(TFile3DS& model, int meshIndex, bool merged);

// Whether the merged writers write a MeshMaterialList: never for a model without
// materials, whose faces would all point at a material that is not there.
bool MergedHasMaterialList(TFile3DS& model, const TExportOptions& options);

}  // namespace xexport
