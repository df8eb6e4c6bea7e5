#include "MaterialReader.h"

#include "model3ds/ChunkIds.h"

namespace model3ds {

namespace {

TColor3DS ByteColor(const TColor24Data3DS& bytes) {
    return {static_cast<float>(bytes.r / 255.0), static_cast<float>(bytes.g / 255.0),
            static_cast<float>(bytes.b / 255.0)};
}

// The whole-percent form, scaled to a fraction, takes precedence over the float
// form, which is taken as stored.
float ReadPercent(base::MemoryStream& stream, TChunkNode3DS& container) {
    if (TChunkNode3DS* whole = SearchTree(&container, CK_PERCENT_INT)) {
        return static_cast<float>(TakeChunkData<std::int16_t>(stream, *whole) / 100.0);
    }
    if (TChunkNode3DS* fraction = SearchTree(&container, CK_PERCENT_FLOAT)) {
        return TakeChunkData<float>(stream, *fraction);
    }
    return 0.0f;
}

void DecodeMapFlags(std::uint16_t flags, TBitmap3DS& map) {
    if ((flags & 0x0001) == 0) {
        map.Tiling = TTileKind3DS::Tile;
    } else {
        map.Tiling = (flags & 0x0010) ? TTileKind3DS::Decal : TTileKind3DS::Both;
    }
    map.IgnoreAlpha = (flags & 0x0100) != 0;
    map.FilterKind = (flags & 0x0020) ? 1 : 0;
    map.Mirror = (flags & 0x0002) != 0;
    map.Negative = (flags & 0x0008) != 0;
    if ((flags & 0x0080) && (flags & 0x0040)) {
        map.TintKind = TTintKind3DS::Alpha;
    } else if (flags & 0x0080) {
        map.TintKind = TTintKind3DS::TwoColor;
    } else if (flags & 0x0200) {
        map.TintKind = TTintKind3DS::RGB;
    } else if (flags & 0x0040) {
        map.TintKind = TTintKind3DS::OneColor;
    } else {
        map.TintKind = TTintKind3DS::None;
    }
}

void ReadMapChunk(base::MemoryStream& stream, TChunkNode3DS& chunk, TBitmap3DS& map) {
    switch (chunk.tag) {
    case CK_PERCENT_INT: map.Percent = static_cast<float>(TakeChunkData<std::int16_t>(stream, chunk) / 100.0); break;
    case CK_PERCENT_FLOAT: map.Percent = TakeChunkData<float>(stream, chunk); break;
    case CK_MAP_FILE: map.Name = TakeChunkData<std::string>(stream, chunk); break;
    case CK_MAP_FLAGS: DecodeMapFlags(TakeChunkData<std::uint16_t>(stream, chunk), map); break;
    case CK_MAP_BLUR: map.Blur = TakeChunkData<float>(stream, chunk); break;
    case CK_MAP_USCALE: map.UScale = TakeChunkData<float>(stream, chunk); break;
    case CK_MAP_VSCALE: map.VScale = TakeChunkData<float>(stream, chunk); break;
    case CK_MAP_UOFFSET: map.UOffset = TakeChunkData<float>(stream, chunk); break;
    case CK_MAP_VOFFSET: map.VOffset = TakeChunkData<float>(stream, chunk); break;
    case CK_MAP_ROTATION: map.Rotation = TakeChunkData<float>(stream, chunk); break;
    case CK_MAP_TINT1: map.Tint1 = ByteColor(TakeChunkData<TColor24Data3DS>(stream, chunk)); break;
    case CK_MAP_TINT2: map.Tint2 = ByteColor(TakeChunkData<TColor24Data3DS>(stream, chunk)); break;
    case CK_MAP_RED_TINT: map.RedTint = ByteColor(TakeChunkData<TColor24Data3DS>(stream, chunk)); break;
    case CK_MAP_GREEN_TINT: map.GreenTint = ByteColor(TakeChunkData<TColor24Data3DS>(stream, chunk)); break;
    case CK_MAP_BLUE_TINT: map.BlueTint = ByteColor(TakeChunkData<TColor24Data3DS>(stream, chunk)); break;
    default: break;
    }
}

// The map settings of a map or mask container, sub-chunks in file order.
void ReadMap(base::MemoryStream& stream, TChunkNode3DS& container, TBitmap3DS& map) {
    for (TChunkNode3DS* chunk = container.children; chunk != nullptr; chunk = chunk->next) {
        ReadMapChunk(stream, *chunk, map);
    }
}

// The map (or mask) that a map container fills; null for other tags.
TBitmap3DS* MapOfContainer(TMaterial3DS& m, std::uint16_t tag) {
    switch (tag) {
    case CK_MAT_TEXTURE: return &m.TextureMap.Map;
    case CK_MAT_TEXTURE2: return &m.Texture2Map.Map;
    case CK_MAT_OPACITY_MAP: return &m.OpacityMap.Map;
    case CK_MAT_BUMP_MAP: return &m.BumpMap.Map;
    case CK_MAT_SPECULAR_MAP: return &m.SpecularMap.Map;
    case CK_MAT_SHININESS_MAP: return &m.ShininessMap.Map;
    case CK_MAT_SELF_ILLUM_MAP: return &m.SelfIllumMap.Map;
    case CK_MAT_REFLECTION_MAP: return &m.ReflectionMap.Map;
    case CK_MAT_TEXTURE_MASK: return &m.TextureMap.Mask;
    case CK_MAT_TEXTURE2_MASK: return &m.Texture2Map.Mask;
    case CK_MAT_OPACITY_MASK: return &m.OpacityMap.Mask;
    case CK_MAT_BUMP_MASK: return &m.BumpMap.Mask;
    case CK_MAT_SPECULAR_MASK: return &m.SpecularMap.Mask;
    case CK_MAT_SHININESS_MASK: return &m.ShininessMap.Mask;
    case CK_MAT_SELF_ILLUM_MASK: return &m.SelfIllumMap.Mask;
    case CK_MAT_REFLECTION_MASK: return &m.ReflectionMap.Mask;
    default: return nullptr;
    }
}

// The map (or mask) that an extra-data chunk fills; null for other tags.
TBitmap3DS* MapOfExtraData(TMaterial3DS& m, std::uint16_t tag) {
    switch (tag) {
    case CK_MAT_TEXTURE_DATA: return &m.TextureMap.Map;
    case CK_MAT_TEXTURE2_DATA: return &m.Texture2Map.Map;
    case CK_MAT_OPACITY_DATA: return &m.OpacityMap.Map;
    case CK_MAT_BUMP_DATA: return &m.BumpMap.Map;
    case CK_MAT_SPECULAR_DATA: return &m.SpecularMap.Map;
    case CK_MAT_SHININESS_DATA: return &m.ShininessMap.Map;
    case CK_MAT_SELF_ILLUM_DATA: return &m.SelfIllumMap.Map;
    case CK_MAT_TEXTURE_MASK_DATA: return &m.TextureMap.Mask;
    case CK_MAT_TEXTURE2_MASK_DATA: return &m.Texture2Map.Mask;
    case CK_MAT_OPACITY_MASK_DATA: return &m.OpacityMap.Mask;
    case CK_MAT_BUMP_MASK_DATA: return &m.BumpMap.Mask;
    case CK_MAT_SPECULAR_MASK_DATA: return &m.SpecularMap.Mask;
    case CK_MAT_SHININESS_MASK_DATA: return &m.ShininessMap.Mask;
    case CK_MAT_SELF_ILLUM_MASK_DATA: return &m.SelfIllumMap.Mask;
    case CK_MAT_REFLECTION_MASK_DATA: return &m.ReflectionMap.Mask;
    default: return nullptr;
    }
}

// Percentages: the field each percentage container sets; null for other tags.
float* PercentOfContainer(TMaterial3DS& m, std::uint16_t tag) {
    switch (tag) {
    case CK_MAT_SHININESS: return &m.Shininess;
    case CK_MAT_SHIN_STRENGTH: return &m.ShinStrength;
    case CK_MAT_TRANSPARENCY: return &m.Transparency;
    case CK_MAT_TRANS_FALLOFF: return &m.TransFalloff;
    case CK_MAT_BLUR: return &m.Blur;
    case CK_MAT_SELF_ILLUM_PCT: return &m.SelfIllumPct;
    default: return nullptr;
    }
}

// Flags: the field each flag chunk sets; null for other tags.
bool* FlagOfChunk(TMaterial3DS& m, std::uint16_t tag) {
    switch (tag) {
    case CK_MAT_SELF_ILLUM: return &m.SelfIllum;
    case CK_MAT_TWO_SIDED: return &m.TwoSided;
    case CK_MAT_ADDITIVE: return &m.Additive;
    case CK_MAT_FACE_MAP: return &m.FaceMap;
    case CK_MAT_SOFTEN: return &m.Soften;
    case CK_MAT_WIRE_ABS: return &m.UseWireAbs;
    case CK_MAT_USE_FALLOFF: return &m.UseFalloff;
    case CK_MAT_USE_BLUR: return &m.UseBlur;
    default: return nullptr;
    }
}

bool IsIgnoredInMaterial(std::uint16_t tag) {
    return (tag >= CK_XDATA_GROUP && tag <= CK_XDATA_LAST) || tag == CK_MAT_SHIN_THIRD || tag == CK_MAT_SELF_ILLUM_OLD;
}

void ReadAutoReflect(base::MemoryStream& stream, TChunkNode3DS& chunk, TRMapSet3DS& reflection) {
    const TAutoReflectData3DS data = TakeChunkData<TAutoReflectData3DS>(stream, chunk);
    reflection.UseAuto = true;
    reflection.AutoMap.FirstFrame = (data.Flags & 0x09) != 0;
    reflection.AutoMap.Flat = (data.Flags & 0x11) != 0;
    reflection.AutoMap.Size = data.Size;
    reflection.AutoMap.NthFrame = data.FrameStep;
}

void ReadBumpMap(base::MemoryStream& stream, TChunkNode3DS& chunk, TBitmap3DS& bump) {
    ReadMap(stream, chunk, bump);
    if (TChunkNode3DS* percent = SearchTree(&chunk, CK_MAT_BUMP_PERCENT)) {
        bump.Percent = static_cast<float>(TakeChunkData<std::int16_t>(stream, *percent) / 100.0);
    }
}

void ReadMaterialChunk(base::MemoryStream& stream, TChunkNode3DS& chunk, TMaterial3DS& m) {
    const std::uint16_t tag = chunk.tag;
    if (IsIgnoredInMaterial(tag)) return;
    if (float* percent = PercentOfContainer(m, tag)) {
        *percent = ReadPercent(stream, chunk);
    } else if (bool* flag = FlagOfChunk(m, tag)) {
        *flag = true;
    } else if (tag == CK_MAT_BUMP_MAP) {
        ReadBumpMap(stream, chunk, m.BumpMap.Map);
    } else if (TBitmap3DS* map = MapOfContainer(m, tag)) {
        ReadMap(stream, chunk, *map);
    } else if (TBitmap3DS* extra = MapOfExtraData(m, tag)) {
        extra->ExtraData = TakeRawData(stream, chunk);
    } else {
        switch (tag) {
        case CK_MAT_NAME: m.Name = TakeChunkData<std::string>(stream, chunk); break;
        case CK_MAT_AMBIENT: m.Ambient = ReadColor(stream, chunk); break;
        case CK_MAT_DIFFUSE: m.Diffuse = ReadColor(stream, chunk); break;
        case CK_MAT_SPECULAR: m.Specular = ReadColor(stream, chunk); break;
        case CK_MAT_WIRE: m.Shading = 0; break;
        case CK_MAT_WIRE_SIZE: m.WireSize = TakeChunkData<float>(stream, chunk); break;
        case CK_MAT_TRANS_NEGATE: m.Transparency = -m.Transparency; break;
        case CK_MAT_SHADING: m.Shading = TakeChunkData<std::int16_t>(stream, chunk); break;
        case CK_MAT_AUTO_REFLECT: ReadAutoReflect(stream, chunk, m.ReflectionMap); break;
        default: RaiseInvalidChunk();
        }
    }
}

}  // namespace

TColor3DS ReadColor(base::MemoryStream& stream, TChunkNode3DS& container) {
    TColor3DS color;
    if (TChunkNode3DS* bytes = SearchTree(&container, CK_COLOR_24)) {
        color = ByteColor(TakeChunkData<TColor24Data3DS>(stream, *bytes));
    } else if (TChunkNode3DS* linear = SearchTree(&container, CK_COLOR_FLOAT_LINEAR)) {
        color = TakeChunkData<TColor3DS>(stream, *linear);
    } else if (TChunkNode3DS* floats = SearchTree(&container, CK_COLOR_FLOAT)) {
        color = TakeChunkData<TColor3DS>(stream, *floats);
    }
    if (TChunkNode3DS* linearBytes = SearchTree(&container, CK_COLOR_24_LINEAR)) {
        color = ByteColor(TakeChunkData<TColor24Data3DS>(stream, *linearBytes));
    }
    return color;
}

std::unique_ptr<TMaterial3DS> ReadMaterial(base::MemoryStream& stream, TChunkNode3DS& entry) {
    if (entry.tag != CK_MATERIAL) RaiseInvalidChunk();
    auto material = std::make_unique<TMaterial3DS>();
    for (TChunkNode3DS* chunk = entry.children; chunk != nullptr; chunk = chunk->next) {
        ReadMaterialChunk(stream, *chunk, *material);
    }
    return material;
}

}  // namespace model3ds
