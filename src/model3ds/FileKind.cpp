#include "model3ds/FileKind.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/Stream.h"

namespace model3ds {

namespace {

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
    return TFileKind::Unknown;
}

TFileKind FileKindByContent(const std::string& path) {
    base::FileStream file(path, base::FileStream::Mode::Read);
    char head[4] = {};
    const std::size_t got = file.Read(head, std::min<std::uint64_t>(sizeof head, file.Size()));
    if (got == sizeof head && std::memcmp(head, "xof ", sizeof head) == 0) return TFileKind::DirectX;
    if (got >= 2 && head[0] == 0x4D && head[1] == 0x4D) return TFileKind::Model3DS;
    return TFileKind::Unknown;
}

TFileKind FileKindOf(const std::string& path) {
    const TFileKind kind = FileKindByContent(path);
    return kind != TFileKind::Unknown ? kind : FileKindByName(path);
}

}  // namespace model3ds
