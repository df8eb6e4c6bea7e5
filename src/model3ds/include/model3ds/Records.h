#pragma once
// The records in which meshes and materials of a 3D Studio model are handed out.
// Fields follow the file format's order and names. Names are raw bytes as stored
// in the file. Records belong to the lists that built them (TObjectList,
// TMaterialList); everybody else borrows them until the model is cleared.
#include <cstdint>
#include <string>
#include <vector>

namespace model3ds {

struct TVector3DS {
    float x = 0, y = 0, z = 0;
};

struct TColor3DS {
    float r = 0, g = 0, b = 0;
};

struct TTexCoord3DS {
    float u = 0, v = 0;
};

struct TFaceEntry3DS {
    std::uint16_t V1 = 0, V2 = 0, V3 = 0;
    std::uint16_t Flags = 0;
};

// Twelve values in file order, stored unchanged.
struct TMatrix3DS {
    float m[12] = {};
};

// One material group of a mesh: the faces drawn with one material.
struct TObjMat3DS {
    std::string Name;                   // material name as written in the face-material chunk
    std::vector<std::uint16_t> FaceIndices;  // indices into the mesh's Faces
    std::uint16_t NumFaces() const { return static_cast<std::uint16_t>(FaceIndices.size()); }
};

struct TMapInfo3DS {
    std::int16_t MapType = 0;
    float TileX = 1.0f, TileY = 1.0f;
    TVector3DS IconPos;
    float IconScaling = 1.0f;
    TMatrix3DS IconMatrix{{1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}};
    float PlanarIconWidth = 1.0f, PlanarIconHeight = 1.0f, CylIconHeight = 1.0f;
};

struct TMesh3DS {
    std::string Name;
    bool IsHidden = false;
    bool IsVisLofter = false;
    bool IsMatte = false;
    bool IsNoCast = false;
    bool IsFast = false;
    bool IsNoRcvShadow = false;
    bool IsFrozen = false;
    std::vector<TVector3DS> Vertices;
    std::vector<std::uint16_t> VertFlags;
    std::vector<TTexCoord3DS> TexCoords;
    bool HasMapInfo = false;
    TMapInfo3DS MapInfo;
    TMatrix3DS LocalMatrix;             // all zero when the file has no local matrix
    std::vector<TFaceEntry3DS> Faces;
    // One entry per face in a well-formed file; a damaged file may hold fewer,
    // so consumers go by SmoothGroups.size(), never by the face count.
    std::vector<std::uint32_t> SmoothGroups;
    bool HasBoxMap = false;
    std::string BoxMap[6];
    std::uint8_t MeshColor = 0;
    std::vector<TObjMat3DS> MatGroups;  // in file order
    bool IsProcedural = false;
    std::string ProcedureName;
    std::vector<std::uint8_t> ProcedureData;

    std::uint16_t NumVertices() const { return static_cast<std::uint16_t>(Vertices.size()); }
    std::uint16_t NumVertFlags() const { return static_cast<std::uint16_t>(VertFlags.size()); }
    std::uint16_t NumTexCoords() const { return static_cast<std::uint16_t>(TexCoords.size()); }
    std::uint16_t NumFaces() const { return static_cast<std::uint16_t>(Faces.size()); }
    std::uint16_t NumMatGroups() const { return static_cast<std::uint16_t>(MatGroups.size()); }
    std::uint32_t ProcedureDataSize() const { return static_cast<std::uint32_t>(ProcedureData.size()); }
};

enum class TTileKind3DS : std::int32_t { Tile = 0, Decal = 1, Both = 2 };
enum class TTintKind3DS : std::int32_t { None = 0, OneColor = 1, TwoColor = 2, Alpha = 3, RGB = 4 };

// Settings of one map or mask.
struct TBitmap3DS {
    std::string Name;
    float Percent = 0;
    TTileKind3DS Tiling = TTileKind3DS::Tile;
    bool IgnoreAlpha = false;
    std::int32_t FilterKind = 0;        // 1: summed-area filter
    float Blur = 0;
    bool Mirror = false;
    bool Negative = false;
    float UScale = 1.0f, VScale = 1.0f;
    float UOffset = 0, VOffset = 0;
    float Rotation = 0;
    TTintKind3DS TintKind = TTintKind3DS::None;
    TColor3DS Tint1{0, 0, 0};
    TColor3DS Tint2{1, 1, 1};
    TColor3DS RedTint{1, 0, 0};
    TColor3DS GreenTint{0, 1, 0};
    TColor3DS BlueTint{0, 0, 1};
    std::vector<std::uint8_t> ExtraData;

    std::int32_t ExtraDataSize() const { return static_cast<std::int32_t>(ExtraData.size()); }
};

struct TMapSet3DS {
    TBitmap3DS Map;
    TBitmap3DS Mask;
};

struct TAutoMap3DS {
    bool FirstFrame = false;
    bool Flat = false;
    std::int32_t Size = 100;
    std::int32_t NthFrame = 1;
};

struct TRMapSet3DS {
    TBitmap3DS Map;
    bool UseAuto = false;
    TAutoMap3DS AutoMap;
    TBitmap3DS Mask;
};

struct TMaterial3DS {
    std::string Name;
    TColor3DS Ambient;
    TColor3DS Diffuse;
    TColor3DS Specular;
    float Shininess = 0;
    float ShinStrength = 0;
    float Blur = 0;
    float Transparency = 0;
    float TransFalloff = 0;
    float SelfIllumPct = 0;
    float WireSize = 1.0f;
    std::int32_t Shading = 3;
    bool UseBlur = false;
    bool UseFalloff = false;
    bool TwoSided = false;
    bool SelfIllum = false;
    bool Additive = false;
    bool UseWireAbs = false;
    bool FaceMap = false;
    bool Soften = false;
    TMapSet3DS TextureMap;
    TMapSet3DS Texture2Map;
    TMapSet3DS OpacityMap;
    TMapSet3DS BumpMap;
    TMapSet3DS SpecularMap;
    TMapSet3DS ShininessMap;
    TMapSet3DS SelfIllumMap;
    TRMapSet3DS ReflectionMap;
    // Edited in the main window and written by the exporter; never read from a file.
    float SpecularPower = 15.0f;
    float Opacity = 1.0f;
};

// The bounds of those edits: the opacity in percent, stored divided by 100, and
// the specular power.
inline constexpr int kMinOpacityPercent = 10;
inline constexpr int kMaxOpacityPercent = 100;
inline constexpr int kMinSpecularPower = 0;
inline constexpr int kMaxSpecularPower = 50;

}  // namespace model3ds
