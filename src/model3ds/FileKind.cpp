#include "model3ds/FileKind.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "base/AsciiCase.h"
#include "base/Stream.h"

namespace model3ds {

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

// The first byte of the file that is not JSON white space, after a byte order
// mark; none for a file of white space. JSON may start with any amount of it.
std::optional<char> FirstNonBlank(base::FileStream& file, std::string_view head) {
    std::size_t start = head.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    std::string chunk(head);
    for (;;) {
        const std::size_t found = chunk.find_first_not_of(" \t\r\n", start);
        if (found != std::string::npos) return chunk[found];
        chunk.resize(kChunkBytes);
        chunk.resize(file.Read(chunk.data(), chunk.size()));
        if (chunk.empty()) return std::nullopt;
        start = 0;
    }
}

std::string LowerExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::size_t slash = name.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    return base::LowerAscii(name.substr(dot));
}

}  // namespace

TFileKind FileKindByName(std::string_view name) {
    const std::string extension = LowerExtension(name);
    if (extension == ".3ds") return TFileKind::Model3DS;
    if (extension == ".3da") return TFileKind::PackedModel3DS;
    if (extension == ".x") return TFileKind::DirectX;
    if (extension == ".xa") return TFileKind::PackedDirectX;
    if (extension == ".glb" || extension == ".gltf") return TFileKind::Gltf;
    return TFileKind::Unknown;
}

TFileKind FileKindByContent(const std::string& path) {
    base::FileStream file(path, base::FileStream::Mode::Read);
    std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(kChunkBytes, file.Size())), '\0');
    head.resize(file.Read(head.data(), head.size()));
    if (head.rfind("xof ", 0) == 0) return TFileKind::DirectX;
    if (head.rfind("MM", 0) == 0) return TFileKind::Model3DS;
    if (head.rfind("glTF", 0) == 0) return TFileKind::Gltf;
    // The only JSON a model comes as is a glTF description, an object.
    return FirstNonBlank(file, head) == '{' ? TFileKind::Gltf : TFileKind::Unknown;
}

TFileKind FileKindOf(const std::string& path) {
    const TFileKind kind = FileKindByContent(path);
    return kind != TFileKind::Unknown ? kind : FileKindByName(path);
}

}  // namespace model3ds
