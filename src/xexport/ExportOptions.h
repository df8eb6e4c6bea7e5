#pragma once
// The export options of the main window's "Direct3D 変換オプション" group, as a
// plain value the caller fills before every call to a writer.

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
};

}  // namespace xexport
