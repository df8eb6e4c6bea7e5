#pragma once
// Chunk identifiers of the 3D Studio file format that the reader interprets.
#include <cstdint>

namespace model3ds {

// Top chunks.
inline constexpr std::uint16_t CK_MAIN = 0x4D4D;
inline constexpr std::uint16_t CK_PROJECT = 0xC23D;
inline constexpr std::uint16_t CK_MATLIB = 0x3DAA;

// File settings.
inline constexpr std::uint16_t CK_M3D_VERSION = 0x0002;
inline constexpr std::uint16_t CK_MASTER_SCALE = 0x0100;
inline constexpr std::uint16_t CK_MESH_VERSION = 0x3D3E;
inline constexpr std::uint16_t CK_MAT_MAGIC = 0x3DFF;
inline constexpr std::uint16_t CK_SMAGIC = 0x2D2D;
inline constexpr std::uint16_t CK_LMAGIC = 0x2D3D;
inline constexpr std::uint16_t CK_PROJECT_SETTINGS = 0xD000;

// Background, lighting and atmosphere of the scene.
inline constexpr std::uint16_t CK_BACKGROUND_BITMAP = 0x1100;
inline constexpr std::uint16_t CK_SOLID_BACKGROUND = 0x1200;
inline constexpr std::uint16_t CK_GRADIENT_BACKGROUND = 0x1300;
inline constexpr std::uint16_t CK_LO_SHADOW_BIAS = 0x1400;
inline constexpr std::uint16_t CK_HI_SHADOW_BIAS = 0x1410;
inline constexpr std::uint16_t CK_SHADOW_MAP_SIZE = 0x1420;
inline constexpr std::uint16_t CK_SHADOW_SAMPLES = 0x1430;
inline constexpr std::uint16_t CK_O_CONSTS = 0x1500;
inline constexpr std::uint16_t CK_AMBIENT_LIGHT = 0x2100;
inline constexpr std::uint16_t CK_FOG = 0x2200;
inline constexpr std::uint16_t CK_DISTANCE_CUE = 0x2300;
inline constexpr std::uint16_t CK_LAYER_FOG = 0x2302;

// Views of the editor.
inline constexpr std::uint16_t CK_DEFAULT_VIEW = 0x3000;
inline constexpr std::uint16_t CK_VIEW_TOP = 0x3010;
inline constexpr std::uint16_t CK_VIEW_BOTTOM = 0x3020;
inline constexpr std::uint16_t CK_VIEW_LEFT = 0x3030;
inline constexpr std::uint16_t CK_VIEW_RIGHT = 0x3040;
inline constexpr std::uint16_t CK_VIEW_FRONT = 0x3050;
inline constexpr std::uint16_t CK_VIEW_BACK = 0x3060;
inline constexpr std::uint16_t CK_VIEW_USER = 0x3070;
inline constexpr std::uint16_t CK_VIEW_CAMERA = 0x3080;
inline constexpr std::uint16_t CK_VIEWPORT_LAYOUT = 0x7001;

// Scene and named objects.
inline constexpr std::uint16_t CK_SCENE = 0x3D3D;
inline constexpr std::uint16_t CK_NAMED_OBJECT = 0x4000;
inline constexpr std::uint16_t CK_OBJ_HIDDEN = 0x4010;
inline constexpr std::uint16_t CK_OBJ_VIS_LOFTER = 0x4011;
inline constexpr std::uint16_t CK_OBJ_NO_CAST = 0x4012;
inline constexpr std::uint16_t CK_OBJ_MATTE = 0x4013;
inline constexpr std::uint16_t CK_OBJ_FAST = 0x4014;
inline constexpr std::uint16_t CK_OBJ_PROCEDURAL = 0x4015;
inline constexpr std::uint16_t CK_OBJ_FROZEN = 0x4016;
inline constexpr std::uint16_t CK_OBJ_NO_RCV_SHADOW = 0x4017;

// Triangle mesh.
inline constexpr std::uint16_t CK_TRIMESH = 0x4100;
inline constexpr std::uint16_t CK_VERTICES = 0x4110;
inline constexpr std::uint16_t CK_VERTEX_FLAGS = 0x4111;
inline constexpr std::uint16_t CK_FACES = 0x4120;
inline constexpr std::uint16_t CK_FACE_MATERIAL = 0x4130;
inline constexpr std::uint16_t CK_TEXCOORDS = 0x4140;
inline constexpr std::uint16_t CK_SMOOTH_GROUPS = 0x4150;
inline constexpr std::uint16_t CK_LOCAL_MATRIX = 0x4160;
inline constexpr std::uint16_t CK_MESH_COLOR = 0x4165;
inline constexpr std::uint16_t CK_MAP_INFO = 0x4170;
inline constexpr std::uint16_t CK_PROC_NAME = 0x4181;
inline constexpr std::uint16_t CK_PROC_DATA = 0x4182;
inline constexpr std::uint16_t CK_BOX_MAP = 0x4190;

// Lights and cameras.
inline constexpr std::uint16_t CK_LIGHT = 0x4600;
inline constexpr std::uint16_t CK_SPOTLIGHT = 0x4610;
inline constexpr std::uint16_t CK_LIGHT_OFF = 0x4620;
inline constexpr std::uint16_t CK_LIGHT_ATTENUATE = 0x4625;
inline constexpr std::uint16_t CK_LIGHT_LOCAL_SHADOW = 0x4641;
inline constexpr std::uint16_t CK_SPOT_ROLL = 0x4656;
inline constexpr std::uint16_t CK_LIGHT_INNER_RANGE = 0x4659;
inline constexpr std::uint16_t CK_LIGHT_OUTER_RANGE = 0x465A;
inline constexpr std::uint16_t CK_LIGHT_MULTIPLIER = 0x465B;
inline constexpr std::uint16_t CK_CAMERA = 0x4700;
inline constexpr std::uint16_t CK_CAMERA_RANGES = 0x4720;

// Material entry.
inline constexpr std::uint16_t CK_MATERIAL = 0xAFFF;
inline constexpr std::uint16_t CK_MAT_NAME = 0xA000;
inline constexpr std::uint16_t CK_MAT_AMBIENT = 0xA010;
inline constexpr std::uint16_t CK_MAT_DIFFUSE = 0xA020;
inline constexpr std::uint16_t CK_MAT_SPECULAR = 0xA030;
inline constexpr std::uint16_t CK_MAT_SHININESS = 0xA040;
inline constexpr std::uint16_t CK_MAT_SHIN_STRENGTH = 0xA041;
inline constexpr std::uint16_t CK_MAT_SHIN_THIRD = 0xA042;
inline constexpr std::uint16_t CK_MAT_TRANSPARENCY = 0xA050;
inline constexpr std::uint16_t CK_MAT_TRANS_FALLOFF = 0xA052;
inline constexpr std::uint16_t CK_MAT_BLUR = 0xA053;
inline constexpr std::uint16_t CK_MAT_SELF_ILLUM_PCT = 0xA084;
inline constexpr std::uint16_t CK_MAT_SELF_ILLUM = 0xA080;
inline constexpr std::uint16_t CK_MAT_TWO_SIDED = 0xA081;
inline constexpr std::uint16_t CK_MAT_SELF_ILLUM_OLD = 0xA082;
inline constexpr std::uint16_t CK_MAT_ADDITIVE = 0xA083;
inline constexpr std::uint16_t CK_MAT_WIRE = 0xA085;
inline constexpr std::uint16_t CK_MAT_WIRE_SIZE = 0xA087;
inline constexpr std::uint16_t CK_MAT_FACE_MAP = 0xA088;
inline constexpr std::uint16_t CK_MAT_TRANS_NEGATE = 0xA08A;
inline constexpr std::uint16_t CK_MAT_SOFTEN = 0xA08C;
inline constexpr std::uint16_t CK_MAT_WIRE_ABS = 0xA08E;
inline constexpr std::uint16_t CK_MAT_SHADING = 0xA100;
inline constexpr std::uint16_t CK_MAT_USE_FALLOFF = 0xA240;
inline constexpr std::uint16_t CK_MAT_USE_BLUR = 0xA250;

// Colours and percentages.
inline constexpr std::uint16_t CK_COLOR_FLOAT = 0x0010;
inline constexpr std::uint16_t CK_COLOR_24 = 0x0011;
inline constexpr std::uint16_t CK_COLOR_24_LINEAR = 0x0012;
inline constexpr std::uint16_t CK_COLOR_FLOAT_LINEAR = 0x0013;
inline constexpr std::uint16_t CK_PERCENT_INT = 0x0030;
inline constexpr std::uint16_t CK_PERCENT_FLOAT = 0x0031;

// Map containers.
inline constexpr std::uint16_t CK_MAT_TEXTURE = 0xA200;
inline constexpr std::uint16_t CK_MAT_TEXTURE2 = 0xA33A;
inline constexpr std::uint16_t CK_MAT_OPACITY_MAP = 0xA210;
inline constexpr std::uint16_t CK_MAT_BUMP_MAP = 0xA230;
inline constexpr std::uint16_t CK_MAT_BUMP_PERCENT = 0xA252;
inline constexpr std::uint16_t CK_MAT_SPECULAR_MAP = 0xA204;
inline constexpr std::uint16_t CK_MAT_SHININESS_MAP = 0xA33C;
inline constexpr std::uint16_t CK_MAT_SELF_ILLUM_MAP = 0xA33D;
inline constexpr std::uint16_t CK_MAT_REFLECTION_MAP = 0xA220;
inline constexpr std::uint16_t CK_MAT_TEXTURE_MASK = 0xA33E;
inline constexpr std::uint16_t CK_MAT_TEXTURE2_MASK = 0xA340;
inline constexpr std::uint16_t CK_MAT_OPACITY_MASK = 0xA342;
inline constexpr std::uint16_t CK_MAT_BUMP_MASK = 0xA344;
inline constexpr std::uint16_t CK_MAT_SPECULAR_MASK = 0xA348;
inline constexpr std::uint16_t CK_MAT_SHININESS_MASK = 0xA346;
inline constexpr std::uint16_t CK_MAT_SELF_ILLUM_MASK = 0xA34A;
inline constexpr std::uint16_t CK_MAT_REFLECTION_MASK = 0xA34C;
inline constexpr std::uint16_t CK_MAT_AUTO_REFLECT = 0xA310;
// The extra-data chunks of maps and masks lie in this range (not every tag in it is one).
inline constexpr std::uint16_t CK_MAT_EXTRA_DATA_FIRST = 0xA320;
inline constexpr std::uint16_t CK_MAT_TEXTURE_DATA = 0xA320;
inline constexpr std::uint16_t CK_MAT_TEXTURE2_DATA = 0xA321;
inline constexpr std::uint16_t CK_MAT_OPACITY_DATA = 0xA322;
inline constexpr std::uint16_t CK_MAT_BUMP_DATA = 0xA324;
inline constexpr std::uint16_t CK_MAT_SPECULAR_DATA = 0xA325;
inline constexpr std::uint16_t CK_MAT_SHININESS_DATA = 0xA326;
inline constexpr std::uint16_t CK_MAT_SELF_ILLUM_DATA = 0xA328;
inline constexpr std::uint16_t CK_MAT_TEXTURE_MASK_DATA = 0xA32A;
inline constexpr std::uint16_t CK_MAT_TEXTURE2_MASK_DATA = 0xA32C;
inline constexpr std::uint16_t CK_MAT_OPACITY_MASK_DATA = 0xA32E;
inline constexpr std::uint16_t CK_MAT_BUMP_MASK_DATA = 0xA330;
inline constexpr std::uint16_t CK_MAT_SPECULAR_MASK_DATA = 0xA332;
inline constexpr std::uint16_t CK_MAT_SHININESS_MASK_DATA = 0xA334;
inline constexpr std::uint16_t CK_MAT_SELF_ILLUM_MASK_DATA = 0xA336;
inline constexpr std::uint16_t CK_MAT_REFLECTION_MASK_DATA = 0xA338;
inline constexpr std::uint16_t CK_MAT_EXTRA_DATA_LAST = 0xA338;

// Map settings.
inline constexpr std::uint16_t CK_MAP_FILE = 0xA300;
inline constexpr std::uint16_t CK_MAP_FLAGS = 0xA351;
inline constexpr std::uint16_t CK_MAP_BLUR = 0xA353;
inline constexpr std::uint16_t CK_MAP_USCALE = 0xA354;
inline constexpr std::uint16_t CK_MAP_VSCALE = 0xA356;
inline constexpr std::uint16_t CK_MAP_UOFFSET = 0xA358;
inline constexpr std::uint16_t CK_MAP_VOFFSET = 0xA35A;
inline constexpr std::uint16_t CK_MAP_ROTATION = 0xA35C;
inline constexpr std::uint16_t CK_MAP_TINT1 = 0xA360;
inline constexpr std::uint16_t CK_MAP_TINT2 = 0xA362;
inline constexpr std::uint16_t CK_MAP_RED_TINT = 0xA364;
inline constexpr std::uint16_t CK_MAP_GREEN_TINT = 0xA366;
inline constexpr std::uint16_t CK_MAP_BLUE_TINT = 0xA368;

// Keyframer.
inline constexpr std::uint16_t CK_KEYFRAMER = 0xB000;
inline constexpr std::uint16_t CK_NODE_AMBIENT = 0xB001;
inline constexpr std::uint16_t CK_KF_SEGMENT = 0xB008;
inline constexpr std::uint16_t CK_KF_CURRENT_TIME = 0xB009;
inline constexpr std::uint16_t CK_KF_HEADER = 0xB00A;
inline constexpr std::uint16_t CK_PIVOT = 0xB013;
inline constexpr std::uint16_t CK_BOUNDING_BOX = 0xB014;
inline constexpr std::uint16_t CK_MORPH_SMOOTH = 0xB015;
inline constexpr std::uint16_t CK_NODE_OBJECT = 0xB002;
inline constexpr std::uint16_t CK_NODE_CAMERA = 0xB003;
inline constexpr std::uint16_t CK_NODE_TARGET = 0xB004;
inline constexpr std::uint16_t CK_NODE_LIGHT = 0xB005;
inline constexpr std::uint16_t CK_NODE_LIGHT_TARGET = 0xB006;
inline constexpr std::uint16_t CK_NODE_SPOT = 0xB007;
inline constexpr std::uint16_t CK_NODE_HEADER = 0xB010;
inline constexpr std::uint16_t CK_INSTANCE_NAME = 0xB011;
inline constexpr std::uint16_t CK_NODE_ID = 0xB030;
// Keyframer tracks, below a node.
inline constexpr std::uint16_t CK_POS_TRACK = 0xB020;
inline constexpr std::uint16_t CK_ROT_TRACK = 0xB021;
inline constexpr std::uint16_t CK_SCL_TRACK = 0xB022;
inline constexpr std::uint16_t CK_FOV_TRACK = 0xB023;
inline constexpr std::uint16_t CK_ROLL_TRACK = 0xB024;
inline constexpr std::uint16_t CK_COL_TRACK = 0xB025;
inline constexpr std::uint16_t CK_MORPH_TRACK = 0xB026;
inline constexpr std::uint16_t CK_HOT_TRACK = 0xB027;
inline constexpr std::uint16_t CK_FALL_TRACK = 0xB028;
inline constexpr std::uint16_t CK_HIDE_TRACK = 0xB029;
inline constexpr std::uint16_t CK_PARENT_NAME = 0x80F0;

// Extended data: the outer group, then sections of entries.
inline constexpr std::uint16_t CK_XDATA_GROUP = 0x8000;
inline constexpr std::uint16_t CK_XDATA_LAST = 0x80FF;
inline constexpr std::uint16_t CK_XDATA_SECTION = 0x8001;
inline constexpr std::uint16_t CK_XDATA_ENTRY_FIRST = 0x8002;
inline constexpr std::uint16_t CK_XDATA_ENTRY_LAST = 0x800F;

}  // namespace model3ds
