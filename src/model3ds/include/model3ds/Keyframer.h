#pragma once
// The keyframer of a 3D Studio file as plain records: the active segment, the
// current frame and every node with its header, pivot and tracks, in file order.
// Reading it changes nothing that the mesh and material lists hand out.
#include <cstdint>
#include <string>
#include <vector>

#include "model3ds/Records.h"

namespace model3ds {

class TFile3DS;

// The spline parameters of one key; a parameter the key does not store is 0.
struct TKFSpline3DS {
    float Tension = 0;
    float Continuity = 0;
    float Bias = 0;
    float EaseTo = 0;
    float EaseFrom = 0;
};

// The bits of a key's spline flags that say which parameter follows the frame.
inline constexpr std::uint16_t KF_USE_TENSION = 0x01;
inline constexpr std::uint16_t KF_USE_CONTINUITY = 0x02;
inline constexpr std::uint16_t KF_USE_BIAS = 0x04;
inline constexpr std::uint16_t KF_USE_EASE_TO = 0x08;
inline constexpr std::uint16_t KF_USE_EASE_FROM = 0x10;

// One key. Value holds x, y, z for position, scale and colour keys; the angle in
// radians, then the axis x, y, z for rotation keys; one number for roll, field of
// view, hotspot and falloff keys; nothing for hide keys.
struct TKFKey3DS {
    std::int32_t Frame = 0;
    std::uint16_t SplineFlags = 0;
    TKFSpline3DS Spline;
    float Value[4] = {};
};

// The low bits of a track's flags: after its last key a track either holds still,
// repeats from its first key, or loops (repeats, with its ends joined smoothly).
inline constexpr std::uint16_t KF_TRACK_REPEAT_MASK = 0x0003;
inline constexpr std::uint16_t KF_TRACK_REPEAT = 0x0002;
inline constexpr std::uint16_t KF_TRACK_LOOP = 0x0003;

struct TKFTrack3DS {
    std::uint16_t Flags = 0;
    std::vector<TKFKey3DS> Keys;  // in file order

    bool Repeats() const { return (Flags & KF_TRACK_REPEAT) != 0; }
    bool Loops() const { return (Flags & KF_TRACK_REPEAT_MASK) == KF_TRACK_LOOP; }
};

// One keyframer node (object, camera, camera target, light, light target or spot).
struct TKFNode3DS {
    std::uint16_t Tag = 0;         // CK_NODE_OBJECT .. CK_NODE_SPOT
    std::int16_t Id = -1;          // its node id; its position in the list when any node lacks one
    std::string Name;              // the object, camera or light it animates; "$$$DUMMY" for a group
    std::uint16_t Flags1 = 0, Flags2 = 0;
    std::int16_t ParentId = -1;    // -1: a top node
    std::string Instance;          // instance name of an object node, or empty
    TVector3DS Pivot;
    TKFTrack3DS Position;          // CK_POS_TRACK
    TKFTrack3DS Rotation;          // CK_ROT_TRACK, each key relative to the one before
    TKFTrack3DS Scale;             // CK_SCL_TRACK
    TKFTrack3DS Roll;              // CK_ROLL_TRACK (cameras)
    TKFTrack3DS Hide;              // CK_HIDE_TRACK
};

struct TKeyframer3DS {
    bool Present = false;  // the file has a keyframer chunk
    std::int32_t SegmentStart = 0, SegmentEnd = 0;
    std::int32_t CurrentFrame = 0;
    std::vector<TKFNode3DS> Nodes;
    // One line for every part that could not be read; that part is left at its default.
    std::vector<std::string> Warnings;
};

inline constexpr const char* kDummyNodeName = "$$$DUMMY";

// Reads the keyframer of the loaded model; an empty record for a model without one.
// Damaged tracks and headers become warnings; the model's own errors propagate.
TKeyframer3DS ReadKeyframer(TFile3DS& model);

}  // namespace model3ds
