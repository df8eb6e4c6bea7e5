#pragma once
// The export options of the main window's "Direct3D 変換オプション" group, as a
// plain value the caller fills before every call to a writer.
#include <string>

namespace xexport {

// Where the single-mesh writers put the origin. The merged writers never move
// coordinates. A window with none of its three radio buttons checked passes NotEncode.
enum class TOriginMode {
    EncodeZeroCenter,  // the centre of the mesh's bounding box
    EncodeZeroLeft,    // the minimum corner of the bounding box
    NotEncode,         // coordinates as stored
};

struct TExportOptions {
    bool SaveMaterial = true;  // write the MeshMaterialList
    bool SetTranse = true;     // a material's Opacity becomes the alpha of its face colour
    TOriginMode Origin = TOriginMode::EncodeZeroCenter;

    // korvane-convert's extras; the window leaves them off, and off they change no byte.
    bool TexCoords = false;    // a MeshTextureCoords block, v flipped (1 - v)
    bool Textures = false;     // a TextureFilename in each material with a texture map
    bool Normals = false;      // a MeshNormals block from the smoothing groups
    bool Frames = false;       // the single mesh inside a Frame with its local matrix
    float Scale = 1.0f;        // every coordinate multiplied after the origin is moved
    bool FlipWinding = false;  // every face's vertex order reversed, and the normals with it
    // The keyframer's scene: one Frame per node, each mesh in its frame's space
    // (ModelScene.h), instead of one mesh or all merged.
    bool Hierarchy = false;
    bool Animation = false;    // with Hierarchy: the AnimationSet of the moving nodes
    bool TopFrame = false;     // with Hierarchy: one frame, named after the file, around all
    std::string SceneName;     // the file that names the top frame and the animation (default: the model's)
};

}  // namespace xexport
