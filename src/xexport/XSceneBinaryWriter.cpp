#include "xexport/XSceneWriter.h"

#include <vector>

#include "BinaryBlocks.h"
#include "ExportBlocks.h"
#include "xexport/ModelScene.h"

namespace xexport {

using namespace XMem;

namespace {

void WriteSceneMesh(TFile3DS& model, const TExportOptions& options, const TMesh3DS& mesh, TXBuffer& out) {
    const TVertexTransform transform = SceneMeshTransform(options);
    CheckStaysFinite(mesh, transform);
    const std::uint64_t n = mesh.Vertices.size();
    const std::uint64_t m = mesh.Faces.size();
    WriteMeshStart(n, out);
    WriteListStart(TOKEN_FLOAT_LIST, 3 * n, out);
    WriteVertices(mesh, transform, out);
    WriteListStart(TOKEN_INTEGER_LIST, 4 * m + 1, out);
    WriteDword(static_cast<std::uint32_t>(m), out);
    WriteFaces(mesh, 0, options.FlipWinding, out);
    if (options.SaveMaterial && !mesh.MatGroups.empty())
        WriteMeshMaterialList(model, options, mesh, FaceGroupTable(mesh), out);
    WriteExtraBlocks({&mesh}, transform, options, out);
    WriteWord(TOKEN_CBRACE, out);
}

// Each node after its parent: the frames still open that are not its parent
// are closed first, so nesting needs no recursion however deep it goes.
void WriteFrames(TFile3DS& model, const TExportOptions& options, const TModelScene& scene, TXBuffer& out) {
    std::vector<int> open;
    for (std::size_t i = 0; i < scene.Nodes.size(); ++i) {
        const TSceneNode& node = scene.Nodes[i];
        while (!open.empty() && open.back() != node.Parent) {
            WriteWord(TOKEN_CBRACE, out);
            open.pop_back();
        }
        WriteFrameStart(SceneFrame(node, options), out);
        for (const auto& mesh : node.Meshes) WriteSceneMesh(model, options, *mesh, out);
        open.push_back(static_cast<int>(i));
    }
    for (std::size_t i = 0; i < open.size(); ++i) WriteWord(TOKEN_CBRACE, out);
}

// The type and the key count, then each key's tick and value count before its values.
template <typename Key, typename Convert>
void WriteAnimationKey(std::uint32_t type, const std::vector<Key>& keys, Convert convert, TXBuffer& out) {
    WriteName("AnimationKey", out);
    WriteWord(TOKEN_OBRACE, out);
    WriteListStart(TOKEN_INTEGER_LIST, 2, out);
    WriteDword(type, out);
    WriteDword(static_cast<std::uint32_t>(keys.size()), out);
    for (const Key& key : keys) {
        const auto values = convert(key);
        WriteListStart(TOKEN_INTEGER_LIST, 2, out);
        WriteDword(key.Tick, out);
        WriteDword(static_cast<std::uint32_t>(values.size()), out);
        WriteListStart(TOKEN_FLOAT_LIST, values.size(), out);
        for (const float value : values) WriteFloat(out, value);
    }
    WriteWord(TOKEN_CBRACE, out);
}

void WriteAnimation(const TExportOptions& options, const TModelScene& scene, TXBuffer& out) {
    WriteName("AnimationSet", out);
    WriteName(scene.Name, out);
    WriteWord(TOKEN_OBRACE, out);
    for (const TNodeAnimation& animation : scene.Animations) {
        WriteName("Animation", out);
        WriteWord(TOKEN_OBRACE, out);
        WriteWord(TOKEN_OBRACE, out);
        WriteName(scene.Nodes[animation.Node].Name, out);
        WriteWord(TOKEN_CBRACE, out);
        WriteAnimationKey(0, animation.Rotation, [](const TRotationKey& key) { return XRotationKey(key.Value); }, out);
        WriteAnimationKey(1, animation.Scale, [](const TVectorKey& key) { return XScaleKey(key.Value); }, out);
        WriteAnimationKey(
            2, animation.Position, [&options](const TVectorKey& key) { return XPositionKey(key.Value, options); }, out);
        WriteWord(TOKEN_CBRACE, out);
    }
    WriteWord(TOKEN_CBRACE, out);
}

// Room for the whole output, so that appending never copies what was written:
// each mesh and its material list, a frame's name and matrix, and each key's
// tick, count and up to four numbers with their list heads.
std::uint64_t SceneSize(const TModelScene& scene) {
    std::uint64_t size = 64;
    for (const TSceneNode& node : scene.Nodes) {
        size += 128 + node.Name.size();
        for (const auto& mesh : node.Meshes)
            size += MeshSize(mesh->Vertices.size(), mesh->Faces.size()) +
                    MaterialListSize(mesh->Faces.size(), mesh->MatGroups.size());
    }
    for (const TNodeAnimation& animation : scene.Animations)
        size += 128 + 36 * (animation.Rotation.size() + animation.Scale.size() + animation.Position.size());
    return size;
}

}  // namespace

void WriteSceneXBinary(TFile3DS& model, const TModelScene& scene, const TExportOptions& options,
                       const std::string& fileName, base::Stream& stream) {
    if (!SceneHasMesh(scene)) return;
    TXBuffer out(SceneSize(scene));
    WriteHeader(out);
    if (options.Animation) {
        WriteName("AnimTicksPerSecond", out);
        WriteWord(TOKEN_OBRACE, out);
        WriteListStart(TOKEN_INTEGER_LIST, 1, out);
        WriteDword(static_cast<std::uint32_t>(scene.TicksPerSecond), out);
        WriteWord(TOKEN_CBRACE, out);
    }
    WriteFrames(model, options, scene, out);
    if (!scene.Animations.empty()) WriteAnimation(options, scene, out);
    Deliver(out, fileName, stream);
}

}  // namespace xexport
