#include "xexport/XSceneWriter.h"

#include <vector>

#include "ExportBlocks.h"
#include "TextBlocks.h"
#include "xexport/ModelScene.h"

namespace xexport {

namespace {

void AppendSceneMesh(TTextOut& out, TFile3DS& model, const TExportOptions& options, const TMesh3DS& mesh) {
    const TVertexTransform transform = SceneMeshTransform(options);
    CheckStaysFinite(mesh, transform);
    out.Line(mesh.Name.empty() ? std::string("Mesh {") : "Mesh " + TextFormName(mesh.Name) + " {");
    const std::size_t n = mesh.Vertices.size();
    AppendCount(out, n);
    for (std::size_t i = 0; i < n; ++i) AppendVertex(out, transform.Apply(mesh.Vertices[i]), i + 1 == n);
    const std::size_t m = mesh.Faces.size();
    AppendCount(out, m);
    for (std::size_t f = 0; f < m; ++f) AppendFace(out, mesh.Faces[f], 0, options.FlipWinding, f + 1 == m);
    if (options.SaveMaterial && !mesh.MatGroups.empty())
        AppendMeshMaterialList(out, model, options, mesh, FaceGroupTable(mesh), TPowerRule::AtLeastOne);
    AppendExtraBlocks(out, {&mesh}, transform, options);
    out.Line("}");
}

// Each node after its parent: the frames still open that are not its parent
// are closed first, so nesting needs no recursion however deep it goes.
void AppendFrames(TTextOut& out, TFile3DS& model, const TExportOptions& options, const TModelScene& scene) {
    std::vector<int> open;
    for (std::size_t i = 0; i < scene.Nodes.size(); ++i) {
        const TSceneNode& node = scene.Nodes[i];
        while (!open.empty() && open.back() != node.Parent) {
            out.Line("}");
            open.pop_back();
        }
        AppendFrameStart(out, SceneFrame(node, options));
        for (const auto& mesh : node.Meshes) AppendSceneMesh(out, model, options, *mesh);
        open.push_back(static_cast<int>(i));
    }
    for (std::size_t i = 0; i < open.size(); ++i) out.Line("}");
}

// "tick;count;v,v,...;;" and the list separator.
template <std::size_t N>
void AppendKey(TTextOut& out, std::uint32_t tick, const std::array<float, N>& values, bool last) {
    out.Int(tick);
    out.Char(';');
    out.Int(N);
    out.Char(';');
    for (std::size_t k = 0; k < N; ++k) {
        out.ExactNumber(values[k]);
        out.Char(k + 1 == N ? ';' : ',');
    }
    out.Char(';');
    EndElement(out, last);
}

template <typename Key, typename Convert>
void AppendAnimationKey(TTextOut& out, int type, const std::vector<Key>& keys, Convert convert) {
    out.Line("AnimationKey {");
    AppendCount(out, static_cast<std::uint64_t>(type));
    AppendCount(out, keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) AppendKey(out, keys[i].Tick, convert(keys[i]), i + 1 == keys.size());
    out.Line("}");
}

void AppendAnimation(TTextOut& out, const TExportOptions& options, const TModelScene& scene) {
    out.Line("AnimationSet " + scene.Name + " {");
    for (const TNodeAnimation& animation : scene.Animations) {
        out.Line("Animation {");
        out.Line("{ " + scene.Nodes[animation.Node].Name + " }");
        AppendAnimationKey(out, 0, animation.Rotation, [](const TRotationKey& key) { return XRotationKey(key.Value); });
        AppendAnimationKey(out, 1, animation.Scale, [](const TVectorKey& key) { return XScaleKey(key.Value); });
        AppendAnimationKey(out, 2, animation.Position,
                           [&options](const TVectorKey& key) { return XPositionKey(key.Value, options); });
        out.Line("}");
    }
    out.Line("}");
}

}  // namespace

void WriteSceneXText(TFile3DS& model, const TModelScene& scene, const TExportOptions& options,
                     const std::string& fileName, base::Stream* stream) {
    if (!SceneHasMesh(scene)) return;
    std::uint64_t vertices = 0, faces = 0;
    for (const TSceneNode& node : scene.Nodes) {
        for (const auto& mesh : node.Meshes) {
            vertices += mesh->Vertices.size();
            faces += mesh->Faces.size();
        }
    }
    // A key is a tick, a count and up to four numbers; reserving them too spares
    // the buffer a copy of everything written before them.
    std::uint64_t keys = 0;
    for (const TNodeAnimation& animation : scene.Animations)
        keys += animation.Rotation.size() + animation.Scale.size() + animation.Position.size();
    TTextOut out(EstimateSize(vertices, faces) + 300 * scene.Nodes.size() + keys * (32 + 4 * kMaxTextNumber));
    AppendHeader(out);
    if (options.Animation) {
        out.Line("AnimTicksPerSecond {");
        AppendCount(out, static_cast<std::uint64_t>(scene.TicksPerSecond));
        out.Line("}");
        out.Line("");
    }
    AppendFrames(out, model, options, scene);
    if (!scene.Animations.empty()) AppendAnimation(out, options, scene);
    Deliver(out, fileName, stream);
}

}  // namespace xexport
