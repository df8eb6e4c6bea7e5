#include "model3ds/FileKind.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/Stream.h"

namespace model3ds {

namespace {

// A glTF file's JSON is known by an "asset" member within its first bytes.
constexpr std::uint64_t kJsonHeadBytes = 64 * 1024;

std::string LowerExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::size_t slash = name.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    std::string extension(name.substr(dot));
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
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
    std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(kJsonHeadBytes, file.Size())), '\0');
    head.resize(file.Read(head.data(), head.size()));
    if (head.rfind("xof ", 0) == 0) return TFileKind::DirectX;
    if (head.rfind("MM", 0) == 0) return TFileKind::Model3DS;
    if (head.rfind("glTF", 0) == 0) return TFileKind::Gltf;
    // JSON text may start with a byte order mark and white space.
    const std::size_t start = head.find_first_not_of(" \t\r\n", head.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0);
    if (start != std::string::npos && head[start] == '{' && head.find("\"asset\"") != std::string::npos)
        return TFileKind::Gltf;
    return TFileKind::Unknown;
}

TFileKind FileKindOf(const std::string& path) {
    const TFileKind kind = FileKindByContent(path);
    return kind != TFileKind::Unknown ? kind : FileKindByName(path);
}

}  // namespace model3ds
