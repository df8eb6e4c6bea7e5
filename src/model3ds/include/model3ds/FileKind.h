#pragma once
// What a file holds, as every program decides it: a 3DS model or DirectX data,
// plain or packed. Names are matched in any letter case.
#include <string>
#include <string_view>

namespace model3ds {

enum class TFileKind {
    Unknown,
    Model3DS,        // .3ds
    PackedModel3DS,  // .3da
    DirectX,         // .x
    PackedDirectX,   // .xa
    Gltf,            // .glb or .gltf
};

// The kind a name's extension gives (only the last dot of the last path part counts).
TFileKind FileKindByName(std::string_view name);

// The kind of the file at path by its first bytes ("xof " starts DirectX data, a
// 4D 4D main chunk a 3DS model, "glTF" a binary glTF file, and a JSON object,
// after any amount of white space, a glTF file); Unknown when they do not tell. Stream errors of opening the file propagate.
TFileKind FileKindByContent(const std::string& path);

// The kind by the file's first bytes where they tell, else by its name.
TFileKind FileKindOf(const std::string& path);

}  // namespace model3ds
